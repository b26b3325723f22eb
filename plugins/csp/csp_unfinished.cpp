// Entries this provider does not offer yet.
#include "plugins/csp/csp_entry.h"
#include "plugins/csp/csp_module.h"

using namespace luma::csp;

namespace {
BOOL NotOffered(const char* name) noexcept {
  CFunctionTracer tracer(moduleLog(), name, TraceExitForm::Bool);
  return static_cast<BOOL>(tracer.setResult(FALSE, ERROR_CALL_NOT_IMPLEMENTED));
}
}  // namespace

extern "C" {

BOOL WINAPI CPGenKey(HCRYPTPROV, ALG_ID, DWORD, HCRYPTKEY*) { return NotOffered("CPGenKey"); }
BOOL WINAPI CPDeriveKey(HCRYPTPROV, ALG_ID, HCRYPTHASH, DWORD, HCRYPTKEY*) {
  return NotOffered("CPDeriveKey");
}
BOOL WINAPI CPSetKeyParam(HCRYPTPROV, HCRYPTKEY, DWORD, const BYTE*, DWORD) {
  return NotOffered("CPSetKeyParam");
}
BOOL WINAPI CPGetKeyParam(HCRYPTPROV, HCRYPTKEY, DWORD, LPBYTE, LPDWORD, DWORD) {
  return NotOffered("CPGetKeyParam");
}
BOOL WINAPI CPSetHashParam(HCRYPTPROV, HCRYPTHASH, DWORD, const BYTE*, DWORD) {
  return NotOffered("CPSetHashParam");
}
BOOL WINAPI CPGetHashParam(HCRYPTPROV, HCRYPTHASH, DWORD, LPBYTE, LPDWORD, DWORD) {
  return NotOffered("CPGetHashParam");
}
BOOL WINAPI CPExportKey(HCRYPTPROV, HCRYPTKEY, HCRYPTKEY, DWORD, DWORD, LPBYTE, LPDWORD) {
  return NotOffered("CPExportKey");
}
BOOL WINAPI CPImportKey(HCRYPTPROV, const BYTE*, DWORD, HCRYPTKEY, DWORD, HCRYPTKEY*) {
  return NotOffered("CPImportKey");
}
BOOL WINAPI CPEncrypt(HCRYPTPROV, HCRYPTKEY, HCRYPTHASH, BOOL, DWORD, LPBYTE, LPDWORD, DWORD) {
  return NotOffered("CPEncrypt");
}
BOOL WINAPI CPDecrypt(HCRYPTPROV, HCRYPTKEY, HCRYPTHASH, BOOL, DWORD, LPBYTE, LPDWORD) {
  return NotOffered("CPDecrypt");
}
BOOL WINAPI CPCreateHash(HCRYPTPROV, ALG_ID, HCRYPTKEY, DWORD, HCRYPTHASH*) {
  return NotOffered("CPCreateHash");
}
BOOL WINAPI CPHashData(HCRYPTPROV, HCRYPTHASH, const BYTE*, DWORD, DWORD) { return NotOffered("CPHashData"); }
BOOL WINAPI CPHashSessionKey(HCRYPTPROV, HCRYPTHASH, HCRYPTKEY, DWORD) {
  return NotOffered("CPHashSessionKey");
}
BOOL WINAPI CPSignHash(HCRYPTPROV, HCRYPTHASH, DWORD, LPCWSTR, DWORD, LPBYTE, LPDWORD) {
  return NotOffered("CPSignHash");
}
BOOL WINAPI CPDestroyHash(HCRYPTPROV, HCRYPTHASH) { return NotOffered("CPDestroyHash"); }
BOOL WINAPI CPVerifySignature(HCRYPTPROV, HCRYPTHASH, const BYTE*, DWORD, HCRYPTKEY, LPCWSTR, DWORD) {
  return NotOffered("CPVerifySignature");
}
BOOL WINAPI CPGenRandom(HCRYPTPROV, DWORD, LPBYTE) { return NotOffered("CPGenRandom"); }
BOOL WINAPI CPDuplicateHash(HCRYPTPROV, HCRYPTHASH, LPDWORD, DWORD, HCRYPTHASH*) {
  return NotOffered("CPDuplicateHash");
}
BOOL WINAPI CPDuplicateKey(HCRYPTPROV, HCRYPTKEY, LPDWORD, DWORD, HCRYPTKEY*) {
  return NotOffered("CPDuplicateKey");
}

}  // extern "C"
