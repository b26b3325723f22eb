#include "service/core/option_parser.h"

#include <algorithm>

namespace luma::service {
namespace {

constexpr WCHAR kHyphen = WSTR('-');
constexpr WCHAR kSlash = WSTR('/');
constexpr WCHAR kEquals = WSTR('=');

WCHAR LowerAscii(WCHAR c) {
  return c >= WSTR('A') && c <= WSTR('Z') ? static_cast<WCHAR>(c - WSTR('A') + WSTR('a')) : c;
}

WCHAR* FindEquals(WCHAR* text) {
  for (; *text != 0; ++text) {
    if (*text == kEquals) return text;
  }
  return nullptr;
}

const WCHAR* EndOf(const WCHAR* text) {
  while (*text != 0) ++text;
  return text;
}

}  // namespace

COptionParser::COptionParser(std::int32_t argumentCount, WCHAR** arguments, const OptionEntry* table,
                             std::uint32_t flags)
    : table(table),
      flags(flags),
      endIndex(argumentCount < 0 ? 0 : argumentCount),
      argumentCount(argumentCount < 0 ? 0 : argumentCount),
      arguments(arguments) {
  if ((flags & ParseUseAll) == 0 && this->argumentCount > 0) nextIndex = 1;
  optionStart = nextIndex;
}

std::int32_t COptionParser::MatchLength(const WCHAR* tableText, const WCHAR* element, std::uint32_t flags) {
  if (tableText == nullptr || element == nullptr) return 0;
  std::uint32_t caseFlag = ParseIgnoreCaseLong;
  if (tableText[0] != kHyphen) {
    caseFlag = ParseIgnoreCaseWord;
  } else if (tableText[1] != 0 && tableText[1] != kHyphen && tableText[2] == 0) {
    caseFlag = ParseIgnoreCaseShort;
  }
  const bool ignoreCase = (flags & caseFlag) != 0;

  while (*tableText == kHyphen && *element == *tableText) {
    ++tableText;
    ++element;
  }
  // Different numbers of hyphens never match.
  if (*tableText == kHyphen || *element == kHyphen) return 0;

  std::int32_t count = 0;
  for (; *tableText != 0; ++tableText, ++element, ++count) {
    const WCHAR a = ignoreCase ? LowerAscii(*tableText) : *tableText;
    const WCHAR b = ignoreCase ? LowerAscii(*element) : *element;
    if (a != b) break;
  }
  if (*tableText == 0) return *element == 0 ? -1 : 0;
  return *element == 0 ? count : 0;
}

std::int32_t COptionParser::FindOption(const WCHAR* element, std::uint32_t findFlags) const {
  std::int32_t best = 0;
  std::int32_t secondBest = 0;
  std::int32_t bestIndex = -1;
  for (std::int32_t index = 0; table[index].id >= 0; ++index) {
    const std::int32_t length = MatchLength(table[index].text, element, findFlags);
    if (length == -1) return index;
    if (length > 0 && length >= best) {
      secondBest = best;
      best = length;
      bestIndex = index;
    }
  }
  if ((findFlags & ParseExactOnly) != 0 || bestIndex < 0) return OptionUnknown;
  return best > secondBest ? bestIndex : OptionAmbiguous;
}

bool COptionParser::TakesSlashForHyphen(const WCHAR* element) const {
  return (flags & ParseNoSlash) == 0 && element[0] == kSlash && element[1] != 0 && element[1] != kHyphen;
}

void COptionParser::MoveToEnd(std::int32_t start, std::int32_t count) {
  // A rotation moves any number of elements without a copy area.
  std::rotate(arguments + start, arguments + start + count, arguments + argumentCount);
  endIndex -= count;
}

bool COptionParser::NextClusteredOption() {
  shortOption[1] = *clusterPosition++;
  optionId = -1;
  optionText = shortOption;
  optionArgument = nullptr;
  lastError = OptionNoError;

  const std::int32_t index = FindOption(shortOption, ParseExactOnly);
  if (index < 0) {
    lastError = index;
    return false;
  }
  const OptionEntry& entry = table[index];
  if (entry.argumentKind == ArgNone) {
    optionId = entry.id;
    return true;
  }
  if (entry.argumentKind == ArgAttached && *clusterPosition != 0) {
    optionId = entry.id;
    optionArgument = clusterPosition;
    clusterPosition = EndOf(clusterPosition);
    return true;
  }
  lastError = ArgumentMissing;
  return true;
}

std::int32_t COptionParser::TakeSeparateArgument() {
  if (nextIndex + 1 > endIndex) {
    lastError = ArgumentMissing;
    return -1;
  }
  const WCHAR* candidate = arguments[nextIndex];
  if ((flags & ParseNoErrors) == 0 && (candidate[0] == kHyphen || TakesSlashForHyphen(candidate))) {
    lastError = ArgumentLooksLikeOption;
    return -1;
  }
  return nextIndex++;
}

bool COptionParser::Next() {
  for (;;) {
    if (clusterPosition != nullptr && *clusterPosition != 0) {
      bool found = NextClusteredOption();
      while (*clusterPosition != 0 && !found && (flags & ParseNoErrors) != 0) found = NextClusteredOption();
      if (found || (flags & ParseNoErrors) == 0) return true;
    }

    clusterPosition = nullptr;
    optionStart = nextIndex;
    optionId = -1;
    optionText = nullptr;
    optionArgument = nullptr;
    lastError = OptionNoError;
    std::int32_t i = nextIndex;
    std::int32_t index = -1;
    bool restart = false;

    while (index < 0 && i < endIndex) {
      WCHAR* element = arguments[i];
      optionText = element;
      optionArgument = nullptr;
      const WCHAR firstCharacter = element[0];
      if (TakesSlashForHyphen(element)) element[0] = kHyphen;
      WCHAR* equals = element[0] == kHyphen ? FindEquals(element) : nullptr;
      if (equals != nullptr) {
        *equals = 0;
        optionArgument = equals + 1;
      }

      index = FindOption(element, flags);
      if (index < 0 && equals == nullptr && element[0] == kHyphen && element[1] != 0 &&
          element[1] != kHyphen && element[2] != 0) {
        if ((flags & ParseShortArgument) != 0) {
          shortOption[1] = element[1];
          const std::int32_t shortIndex = FindOption(shortOption, flags);
          if (shortIndex >= 0 && (table[shortIndex].argumentKind == ArgAttached ||
                                  table[shortIndex].argumentKind == ArgOptional)) {
            index = shortIndex;
            optionArgument = element + 2;
            optionText = shortOption;
          }
        }
        if (index < 0 && (flags & ParseClusters) != 0) {
          clusterPosition = element + 1;
          ++nextIndex;
          if (i > optionStart) MoveToEnd(optionStart, i - optionStart);
          restart = true;
          break;
        }
      }

      if (index < 0) {
        if ((flags & ParseNoErrors) == 0 && element[0] == kHyphen) break;  // an unknown option
        element[0] = firstCharacter;
        if (equals != nullptr) *equals = kEquals;
        optionArgument = nullptr;
        ++i;
      }
    }
    if (restart) continue;

    if (i >= endIndex) {
      if (i > optionStart) MoveToEnd(optionStart, i - optionStart);
      optionText = nullptr;
      optionArgument = nullptr;
      return false;
    }

    ++nextIndex;
    const OptionEntry* entry = nullptr;
    if (index < 0) {
      lastError = index;
    } else {
      entry = &table[index];
      optionId = entry->id;
      if (optionText != shortOption) optionText = entry->text;
      if (entry->argumentKind == ArgNone && optionArgument != nullptr) {
        lastError = ArgumentNotAllowed;
      } else if (entry->argumentKind == ArgSeparate && optionArgument != nullptr &&
                 (flags & ParseStrictSeparate) != 0) {
        lastError = ArgumentFormInvalid;
      } else if (entry->argumentKind == ArgAttached && optionArgument == nullptr) {
        lastError = ArgumentMissing;
      }
    }

    if (i > optionStart) MoveToEnd(optionStart, i - optionStart);

    if (entry != nullptr && entry->argumentKind == ArgSeparate && optionArgument == nullptr &&
        lastError == OptionNoError) {
      const std::int32_t argumentIndex = TakeSeparateArgument();
      if (argumentIndex >= 0) optionArgument = arguments[argumentIndex];
    }
    return true;
  }
}

}  // namespace luma::service
