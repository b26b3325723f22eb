// The function list every PKCS#11 application asks for first: version 2.20 and the 68 entry points
// in the order of the standard.
#include "pkcs11/module/entry_frame.h"

namespace {

#define LUMA_CRYPTOKI_LIST_ENTRY(name, params) name,
CK_FUNCTION_LIST functionList = {{2, 20}, LUMA_CRYPTOKI_FUNCTIONS(LUMA_CRYPTOKI_LIST_ENTRY)};
#undef LUMA_CRYPTOKI_LIST_ENTRY

}  // namespace

extern "C" {

CK_RV LUMA_CK_CALL C_GetFunctionList(CK_FUNCTION_LIST_PTR_PTR ppFunctionList) {
  CFunctionTracer tracer(luma::pkcs11::moduleLog(), "C_GetFunctionList");
  return luma::pkcs11::RunAtBoundary<luma::pkcs11::CkStatus>(tracer, [&] {
    // Needs no initialisation: applications ask for the list before anything else.
    luma::pkcs11::CArgumentTrace().pointer("ppFunctionList", ppFunctionList).write();
    if (ppFunctionList == nullptr) return CKR_ARGUMENTS_BAD;
    *ppFunctionList = &functionList;
    return CKR_OK;
  });
}

}  // extern "C"
