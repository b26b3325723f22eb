// CPGetProvParam and CPSetProvParam: what the provider and its context announce.
#include <cstring>
#include <string>

#include "foundation/core/string_utils.h"
#include "plugins/csp/csp_entry.h"
#include "plugins/csp/csp_module.h"

using namespace luma::csp;

namespace {

constexpr DWORD kImplementationType = 11;  // CRYPT_IMPL_REMOVABLE | CRYPT_IMPL_MIXED
constexpr DWORD kProviderVersion = 0x103;
constexpr DWORD kKeySizeIncrement = 8;
constexpr DWORD kBothKeySpecs = AT_KEYEXCHANGE | AT_SIGNATURE;

// 8-bit text with its terminating zero.
DWORD WriteText(const std::string& text, LPBYTE output, LPDWORD size) {
  return WriteOutput(text.c_str(), static_cast<DWORD>(text.size() + 1), output, size);
}

DWORD WriteContainerName(const CCSPContext& context, LPBYTE output, LPDWORD size) {
  if (!context.SelectedContainer()) return ERROR_NO_MORE_ITEMS;
  return WriteText(luma::WideToNarrow(context.SelectedContainer()->name), output, size);
}

// Copies the text into a field of `capacity` bytes, cut to fit, always with its terminating zero.
void CopyName(char* field, size_t capacity, const char* text) {
  std::strncpy(field, text, capacity - 1);
  field[capacity - 1] = '\0';
}

PROV_ENUMALGS AlgorithmItem(const AlgorithmInfo& algorithm) {
  PROV_ENUMALGS item = {};
  item.aiAlgid = algorithm.algId;
  item.dwBitLen = algorithm.defaultBits;
  item.dwNameLen = static_cast<DWORD>(std::strlen(algorithm.name) + 1);
  CopyName(item.szName, sizeof(item.szName), algorithm.name);
  return item;
}

PROV_ENUMALGS_EX AlgorithmExItem(const AlgorithmInfo& algorithm) {
  PROV_ENUMALGS_EX item = {};
  item.aiAlgid = algorithm.algId;
  item.dwDefaultLen = algorithm.defaultBits;
  item.dwMinLen = algorithm.minBits;
  item.dwMaxLen = algorithm.maxBits;
  item.dwProtocols = 0;
  item.dwNameLen = static_cast<DWORD>(std::strlen(algorithm.name) + 1);
  CopyName(item.szName, sizeof(item.szName), algorithm.name);
  item.dwLongNameLen = static_cast<DWORD>(std::strlen(algorithm.longName) + 1);
  CopyName(item.szLongName, sizeof(item.szLongName), algorithm.longName);
  return item;
}

// One step of an enumeration: the cursor moves on only when the caller received the item, so a
// size query or a buffer that was too small leaves the item for the next call.
template <typename MakeItem>
DWORD Enumerate(CEnumCursor& cursor, DWORD flags, size_t count, LPBYTE output, LPDWORD size,
                MakeItem makeItem) {
  size_t index = 0;
  if (const DWORD error = cursor.Current(flags, count, index)) return error;
  const DWORD result = makeItem(index, output, size);
  if (result == kOk && output != nullptr) cursor.Delivered(index);
  return result;
}

DWORD GetProvParam(CCSPContext& context, DWORD param, LPBYTE output, LPDWORD size, DWORD flags) {
  switch (param) {
    case PP_ENUMALGS:
      moduleLog().print(kLogTrace, "     PP_ENUMALGS");
      return Enumerate(context.AlgorithmCursor(), flags, kAlgorithmCount, output, size,
                       [](size_t index, LPBYTE buffer, LPDWORD length) {
                         const PROV_ENUMALGS item = AlgorithmItem(kAlgorithmTable[index]);
                         return WriteOutput(&item, sizeof(item), buffer, length);
                       });
    case PP_ENUMALGS_EX:
      moduleLog().print(kLogTrace, "     PP_ENUMALGS_EX");
      return Enumerate(context.AlgorithmExCursor(), flags, kAlgorithmCount, output, size,
                       [](size_t index, LPBYTE buffer, LPDWORD length) {
                         const PROV_ENUMALGS_EX item = AlgorithmExItem(kAlgorithmTable[index]);
                         return WriteOutput(&item, sizeof(item), buffer, length);
                       });
    case PP_ENUMCONTAINERS:
      moduleLog().print(kLogTrace, "     PP_ENUMCONTAINERS");
      return Enumerate(context.ContainerCursor(), flags, context.Containers().size(), output, size,
                       [&context](size_t index, LPBYTE buffer, LPDWORD length) {
                         return WriteText(luma::WideToNarrow(context.Containers()[index]->name), buffer,
                                          length);
                       });
    case PP_IMPTYPE:
      moduleLog().print(kLogTrace, "     PP_IMPTYPE");
      return WriteDword(kImplementationType, output, size);
    case PP_NAME:
      moduleLog().print(kLogTrace, "     PP_NAME");
      return WriteText(CurrentIdentity().name, output, size);
    case PP_VERSION:
      moduleLog().print(kLogTrace, "     PP_VERSION");
      return WriteDword(kProviderVersion, output, size);
    case PP_CONTAINER:
      moduleLog().print(kLogTrace, "     PP_CONTAINER");
      return WriteContainerName(context, output, size);
    case PP_UNIQUE_CONTAINER:
      moduleLog().print(kLogTrace, "     PP_UNIQUE_CONTAINER");
      return WriteContainerName(context, output, size);
    case PP_KEYSET_SEC_DESCR:
      moduleLog().print(kLogTrace, "     PP_KEYSET_SEC_DESCR");
      return kBadType;
    case PP_PROVTYPE:
      moduleLog().print(kLogTrace, "     PP_PROVTYPE");
      return WriteDword(CurrentIdentity().type, output, size);
    case PP_KEYSET_TYPE:
      moduleLog().print(kLogTrace, "     PP_KEYSET_TYPE");
      return WriteDword(0, output, size);
    case PP_SIG_KEYSIZE_INC:
    case PP_KEYX_KEYSIZE_INC:
      moduleLog().print(kLogTrace, "     PP_SIG_KEYSIZE_INC or PP_KEYX_KEYSIZE_INC");
      return WriteDword(kKeySizeIncrement, output, size);
    case PP_KEYSPEC:
      moduleLog().print(kLogTrace, "     PP_KEYSPEC");
      return WriteDword(kBothKeySpecs, output, size);
    default:
      return kBadFlags;
  }
}

}  // namespace

extern "C" {

BOOL WINAPI CPGetProvParam(HCRYPTPROV hProv, DWORD dwParam, LPBYTE pbData, LPDWORD pcbDataLen,
                           DWORD dwFlags) {
  CFunctionTracer tracer(moduleLog(), "CPGetProvParam", TraceExitForm::Bool);
  return RunAtBoundary<CspStatus>(tracer, [&]() -> DWORD {
    LogArgument("     hProv      %p", reinterpret_cast<void*>(hProv));
    LogValue("     dwParam    0x%08lx", dwParam);
    LogOutputArguments(pbData, pcbDataLen);
    LogValue("     dwFlags    0x%08lx", dwFlags);
    LogEnd();
    if (pcbDataLen == nullptr) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<CCSPContext> context;
    if (const DWORD error = ResolveContext(hProv, context)) return error;
    return GetProvParam(*context, dwParam, pbData, pcbDataLen, dwFlags);
  });
}

BOOL WINAPI CPSetProvParam(HCRYPTPROV hProv, DWORD dwParam, const BYTE* pbData, DWORD dwFlags) {
  CFunctionTracer tracer(moduleLog(), "CPSetProvParam", TraceExitForm::Bool);
  return RunAtBoundary<CspStatus>(tracer, [&]() -> DWORD {
    LogArgument("     hProv      %p", reinterpret_cast<void*>(hProv));
    LogValue("     dwParam    0x%08lx", dwParam);
    LogArgument("     pbData     %p", pbData);
    LogValue("     dwFlags    0x%08lx", dwFlags);
    LogEnd();
    // Window handles, PINs and the like are accepted and not kept: lumaPassV asks the user itself.
    return kOk;
  });
}

}  // extern "C"
