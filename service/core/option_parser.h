// The command-line option parser of lumaPassV: walks an array of wide strings and returns the options
// it finds one after the other, as a table of option texts defines them. Long ("--stop"), short
// ("-s") and word options, "/" for "-", arguments after "=" or in the next element, unique
// abbreviations and, on request, clusters of short options. Elements that are not options are moved,
// in their order, behind the options. It works in place on the caller's array: it changes characters
// temporarily and reorders the pointers, allocates nothing and never throws.
#ifndef LUMA_SERVICE_CORE_OPTION_PARSER_H_
#define LUMA_SERVICE_CORE_OPTION_PARSER_H_

#include <cstdint>

#include "foundation/core/platform.h"

namespace luma::service {

// What an option takes.
enum OptionArgumentKind : std::int32_t {
  ArgNone = 0,      // an argument after "=" is an error
  ArgSeparate = 1,  // required: after "=" or else the next element
  ArgAttached = 2,  // required, attached only
  ArgOptional = 3,  // optional, attached only
};

enum OptionParseFlags : std::uint32_t {
  ParseExactOnly = 0x001,        // no abbreviations
  ParseNoSlash = 0x002,          // "/" is not taken for "-"
  ParseShortArgument = 0x004,    // "-xVALUE" for short options of kind 2 and 3
  ParseClusters = 0x008,         // "-ab" stands for "-a" "-b"
  ParseUseAll = 0x010,           // the first element (the program path) is examined too
  ParseNoErrors = 0x020,         // unknown options are ordinary arguments
  ParseStrictSeparate = 0x040,   // "=" is refused for kind 1
  ParseIgnoreCaseShort = 0x100,  // A-Z without regard to case, per option form
  ParseIgnoreCaseLong = 0x200,
  ParseIgnoreCaseWord = 0x400,
};

enum OptionError : std::int32_t {
  OptionNoError = 0,
  OptionUnknown = -1,
  OptionAmbiguous = -2,
  ArgumentNotAllowed = -3,
  ArgumentFormInvalid = -4,
  ArgumentMissing = -5,
  ArgumentLooksLikeOption = -6,
};

// One row of an option table; the table ends with a row whose id is negative.
struct OptionEntry {
  std::int32_t id;
  const WCHAR* text;
  std::int32_t argumentKind;
};

class COptionParser {
 public:
  // Without ParseUseAll the first element (the program path) is passed over.
  COptionParser(std::int32_t argumentCount, WCHAR** arguments, const OptionEntry* table, std::uint32_t flags);
  COptionParser(const COptionParser&) = delete;
  COptionParser& operator=(const COptionParser&) = delete;

  // The next option: true when one was found (then read its id, text, argument and last error; a
  // last error other than 0 is reported by the caller), false at the end of the array.
  bool Next();

  std::int32_t OptionId() const { return optionId; }
  // The table's text of a found option; the element as typed for an unknown one.
  const WCHAR* OptionText() const { return optionText; }
  const WCHAR* OptionArgument() const { return optionArgument; }
  std::int32_t LastError() const { return lastError; }
  // After the last call the elements from here to the argument count are the non-option arguments.
  std::int32_t EndIndex() const { return endIndex; }

  // -1 for an exact match; n > 0 when the element is an abbreviation of n characters; else 0.
  static std::int32_t MatchLength(const WCHAR* tableText, const WCHAR* element, std::uint32_t flags);

 private:
  // Table index, or OptionUnknown / OptionAmbiguous.
  std::int32_t FindOption(const WCHAR* element, std::uint32_t flags) const;
  bool NextClusteredOption();
  // The index of the element taken as argument, or -1 with the last error set.
  std::int32_t TakeSeparateArgument();
  void MoveToEnd(std::int32_t start, std::int32_t count);
  bool TakesSlashForHyphen(const WCHAR* element) const;

  const OptionEntry* table;
  std::uint32_t flags;
  std::int32_t optionStart = 0;
  std::int32_t optionId = -1;
  std::int32_t nextIndex = 0;
  std::int32_t endIndex;
  std::int32_t argumentCount;
  WCHAR** arguments;
  const WCHAR* optionText = nullptr;
  const WCHAR* optionArgument = nullptr;
  const WCHAR* clusterPosition = nullptr;
  WCHAR shortOption[3] = {WSTR('-'), 0, 0};
  std::int32_t lastError = 0;
};

}  // namespace luma::service

#endif  // LUMA_SERVICE_CORE_OPTION_PARSER_H_
