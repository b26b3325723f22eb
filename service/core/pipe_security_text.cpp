#include "service/core/pipe_security_text.h"

namespace luma::service {

namespace {
WString Ace(const WCHAR* type, const WCHAR* rights, const WString& trustee) {
  return WString(WSTR("(")) + type + WSTR(";;") + rights + WSTR(";;;") + trustee + WSTR(")");
}
}  // namespace

WString BuildPipeSecurityText(const WString& ownerSid, const WString& groupSid, PipeMode mode) {
  if (ownerSid.empty() || groupSid.empty()) return WString();
  const bool reader = mode == PipeMode::Reader;
  WString text = WSTR("O:") + ownerSid + WSTR("G:") + groupSid + WSTR("D:");
  text += Ace(WSTR("A"), WSTR("GA"), ownerSid);
  if (reader) {
    text += Ace(WSTR("A"), WSTR("GRGW"), WSTR("S-1-5-19"));  // LocalService
    text += Ace(WSTR("A"), WSTR("GRGW"), WSTR("S-1-2-0"));   // local logons
  }
  text += Ace(WSTR("D"), WSTR("GA"), WSTR("NU"));
  if (reader) text += Ace(WSTR("D"), WSTR("GA"), WSTR("NS"));
  text += WSTR("S:(ML;;NW;;;LW)");
  return text;
}

}  // namespace luma::service
