// A classic option parser over main's argc and argv: short ("-s") and long ("--store") options,
// unique abbreviations of long options, "/" for "-", an argument after "=" or in the next word.
// Words that are not options are moved behind the options, in their order. It allocates nothing
// and rearranges argv in place, so any number of words is handled.
#ifndef LUMA_TOOLS_DUMPSTORE_CORE_OPTION_PARSER_H_
#define LUMA_TOOLS_DUMPSTORE_CORE_OPTION_PARSER_H_

namespace luma::dumpstore {

// One row of an option table; the table ends with a row whose id is negative.
struct OptionSpec {
  int id;            // handed back for the option; several rows may share one
  const char* text;  // as written, dashes included
  int argType;       // 0: no argument, 1: exactly one argument
};

class COptionParser {
 public:
  // Error codes of lastError().
  static constexpr int kUnknownOption = -1;
  static constexpr int kAmbiguousOption = -2;
  static constexpr int kUnexpectedArgument = -3;
  static constexpr int kMissingArgument = -5;
  static constexpr int kArgumentLooksLikeOption = -6;

  COptionParser(int argc, char** argv, const OptionSpec* options);

  // Advances to the next option; false when none is left. When lastError() is not 0 the other
  // fields describe the failing word and the caller should stop.
  bool next();

  int optionId() const { return m_optionId; }
  const char* optionText() const { return m_optionText; }
  const char* optionArg() const { return m_optionArg; }
  int lastError() const { return m_lastError; }

  // -1 for an exact match, n > 0 when the word (after its dashes) is a proper prefix of n
  // characters of the table text, otherwise 0.
  static int matchLength(const char* tableText, const char* word);

 private:
  int findOption(const char* word) const;
  bool takeArguments(int count);
  static char convertSlash(char* word);
  void moveToEnd(int start, int count);

  const OptionSpec* m_options;
  int m_argc;
  char** m_argv;
  int m_nextArg = 1;
  int m_argEnd;
  int m_scanStart = 1;
  int m_optionId = -1;
  const char* m_optionText = nullptr;
  const char* m_optionArg = nullptr;
  int m_lastError = 0;
};

}  // namespace luma::dumpstore

#endif  // LUMA_TOOLS_DUMPSTORE_CORE_OPTION_PARSER_H_
