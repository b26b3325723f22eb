#include "tools/dumpstore/core/option_parser.h"

#include <algorithm>
#include <cstring>

namespace luma::dumpstore {

COptionParser::COptionParser(int argc, char** argv, const OptionSpec* options)
    : m_options(options), m_argc(argc < 1 ? 1 : argc), m_argv(argv), m_argEnd(argc < 1 ? 1 : argc) {}

char COptionParser::convertSlash(char* word) {
  const char first = word[0];
  if (first == '/' && word[1] != '\0' && word[1] != '-') word[0] = '-';
  return first;
}

int COptionParser::matchLength(const char* tableText, const char* word) {
  while (*tableText == '-') {
    if (*word != '-') return 0;
    ++tableText;
    ++word;
  }
  if (*word == '-') return 0;  // more leading dashes than the table text
  int compared = 0;
  for (;; ++compared) {
    if (tableText[compared] == '\0') return word[compared] == '\0' ? -1 : 0;
    if (tableText[compared] != word[compared]) return word[compared] == '\0' ? compared : 0;
  }
}

int COptionParser::findOption(const char* word) const {
  int best = -1;
  int bestLength = 0;
  bool tied = false;
  for (int row = 0; m_options[row].id >= 0; ++row) {
    const int length = matchLength(m_options[row].text, word);
    if (length < 0) return row;
    if (length == 0) continue;
    if (length > bestLength) {
      best = row;
      bestLength = length;
      tied = false;
    } else if (length == bestLength) {
      tied = true;
    }
  }
  if (tied) return kAmbiguousOption;
  return best;
}

void COptionParser::moveToEnd(int start, int count) {
  if (count <= 0) return;
  std::rotate(m_argv + start, m_argv + start + count, m_argv + m_argc);
  m_argEnd -= count;
}

bool COptionParser::takeArguments(int count) {
  if (m_argEnd - m_nextArg < count) {
    m_lastError = kMissingArgument;
    return false;
  }
  for (int i = 0; i < count; ++i) {
    char* word = m_argv[m_nextArg + i];
    const char first = convertSlash(word);
    const bool looksLikeOption = word[0] == '-';
    word[0] = first;
    if (looksLikeOption) {
      m_lastError = kArgumentLooksLikeOption;
      return false;
    }
  }
  m_nextArg += count;
  return true;
}

bool COptionParser::next() {
  m_optionId = -1;
  m_optionText = nullptr;
  m_optionArg = nullptr;
  m_lastError = 0;
  m_scanStart = m_nextArg;

  int index = m_scanStart;
  int row = -1;
  for (; index < m_argEnd; ++index) {
    char* word = m_argv[index];
    const char first = convertSlash(word);
    char* equals = nullptr;
    if (word[0] == '-') {
      equals = std::strchr(word, '=');
      if (equals != nullptr) {
        *equals = '\0';
        m_optionArg = equals + 1;
      }
    }
    row = findOption(word);
    if (row >= 0 || word[0] == '-') break;
    word[0] = first;  // not an option: the word stays as it was typed
    if (equals != nullptr) *equals = '=';
    m_optionArg = nullptr;
  }
  if (index >= m_argEnd) {
    moveToEnd(m_scanStart, index - m_scanStart);
    return false;
  }

  ++m_nextArg;
  if (row < 0) {
    m_lastError = row;
    m_optionText = m_argv[index];
  } else {
    m_optionId = m_options[row].id;
    m_optionText = m_options[row].text;
    if (m_options[row].argType == 0 && m_optionArg != nullptr) m_lastError = kUnexpectedArgument;
  }
  moveToEnd(m_scanStart, index - m_scanStart);
  if (row >= 0 && m_options[row].argType == 1 && m_optionArg == nullptr && m_lastError == 0) {
    if (takeArguments(1)) m_optionArg = m_argv[m_nextArg - 1];
  }
  return true;
}

}  // namespace luma::dumpstore
