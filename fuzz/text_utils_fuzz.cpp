// Feeds arbitrary UTF-16 text to the version and condition parsers, the splitter, the hexadecimal
// reader and the reader-list walker. Beyond not crashing: parts stay in range, hexadecimal text
// round-trips, and split pieces carry no outer blanks.
#include <cstdlib>
#include <vector>

#include "foundation/core/string_utils.h"
#include "foundation/core/system_utils_core.h"
#include "foundation/core/version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 16) return 0;
  WString text;
  for (size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<WCHAR>(data[i] | data[i + 1] << 8));

  const CVersion version(text);
  if (version.major < 0 || version.minor < 0 || version.build < 0 || version.revision < 0) std::abort();
  const CVersionMatch match(text);
  if (match.op < 0 || match.op > 6) std::abort();
  for (int part : match.parts) {
    if (part < -1) std::abort();
  }
  match.Matches(version);
  if (match < match) std::abort();  // irreflexive

  for (const WString& piece : luma::SplitString(text, WSTR(";,"))) {
    if (!piece.empty() && (luma::IsTrimSpace(piece.front()) || luma::IsTrimSpace(piece.back()))) std::abort();
  }

  std::vector<BYTE> bytes;
  if (luma::HexToBytes(text, bytes)) {
    if (!luma::EqualsIgnoreCase(luma::BytesToHex(bytes.data(), bytes.size()), text)) std::abort();
  }

  luma::ContainsVirtualReader(text.data(), text.size());
  WString upn, user, domain;
  luma::SplitPrincipalName(text, upn, user, domain);
  luma::SplitDomainUserName(text, user, domain);
  luma::WideToNarrow(text);
  return 0;
}
