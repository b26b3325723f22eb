#include "policy/core/pin_rule_checker.h"

#include <cwctype>

namespace {

// Characters before the terminating zero; the whole buffer when it holds none.
DWORD TextLength(const CSecureBuffer& text) {
  const DWORD capacity = text.size / 2;
  for (DWORD i = 0; i < capacity; ++i) {
    if (text.data[2 * i] == 0 && text.data[2 * i + 1] == 0) return i;
  }
  return capacity;
}

WCHAR CharacterAt(const CSecureBuffer& text, DWORD index) {
  // UTF-16 in the machine's (little-endian) order.
  return static_cast<WCHAR>(text.data[2 * index] | (text.data[2 * index + 1] << 8));
}

}  // namespace

bool CPinRuleChecker::Evaluate(const CSecureBuffer& currentPin, const CSecureBuffer& newPin,
                               const CSecureBuffer& confirmation) {
  const bool previous[] = {minLengthMet, maxLengthMet, numericMet,          symbolMet,
                           upperCaseMet, lowerCaseMet, confirmationMatches, differsFromCurrent};
  const DWORD length = TextLength(newPin);
  minLengthMet = length >= constraints.minLength;
  maxLengthMet = length <= constraints.maxLength;

  DWORD digits = 0, symbols = 0, upper = 0, lower = 0;
  for (DWORD i = 0; i < length; ++i) {
    const wint_t c = static_cast<wint_t>(CharacterAt(newPin, i));
    if (std::iswdigit(c)) ++digits;
    if (!std::iswalnum(c)) ++symbols;
    if (std::iswupper(c)) ++upper;
    if (std::iswlower(c)) ++lower;
  }
  numericMet = digits >= constraints.minNumericCharacters;
  symbolMet = symbols >= constraints.minSymbolCharacters;
  upperCaseMet = upper >= constraints.minUpperCaseCharacters;
  lowerCaseMet = lower >= constraints.minLowerCaseCharacters;

  bool keepsEmptyPin = false;
  bool computedDiffers = false;
  if (constraints.minLength != 0) {
    confirmationMatches = newPin == confirmation && length > 0;
    differsFromCurrent = newPin != currentPin && length > 0;
  } else {
    confirmationMatches = newPin == confirmation;
    differsFromCurrent = newPin != currentPin;
    computedDiffers = differsFromCurrent;
    if (constraints.maxLength == 0 && confirmationMatches && length == 0) {
      differsFromCurrent = true;  // a certificate without PIN may keep an empty PIN
      keepsEmptyPin = true;
    }
  }

  const bool current[] = {minLengthMet, maxLengthMet, numericMet,          symbolMet,
                          upperCaseMet, lowerCaseMet, confirmationMatches, differsFromCurrent};
  bool changed = false;
  for (size_t i = 0; i < sizeof(current) / sizeof(current[0]); ++i)
    changed = changed || current[i] != previous[i];
  if (keepsEmptyPin) return changed || !computedDiffers;
  return changed;
}
