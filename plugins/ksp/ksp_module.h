// The module-wide state of lumaPassKSP: its debug log, the pool of provider handles, the registry of
// EnumKeys cursors and the pipe that its provider contexts open.
#ifndef LUMA_PLUGINS_KSP_KSP_MODULE_H_
#define LUMA_PLUGINS_KSP_KSP_MODULE_H_

#include <windows.h>

#include <memory>
#include <string>

#include "plugins/common/object_pool.h"
#include "plugins/diagnostics/module_debug_log.h"
#include "plugins/ksp/ksp_context.h"

namespace luma::ksp {

constexpr char kModuleName[] = "lumaPassKSP";
constexpr wchar_t kReaderName[] = L"lumaPassKSP";

CModuleDebugLog& moduleLog();
CObjectPool<ULONG_PTR, CKSPContext>& providerPool();

// The pipe that new provider contexts talk to: the per-user pipe of lumaPassV unless a program that
// links the provider logic directly (its tests) names another.
using PipeNameFunction = std::wstring (*)();
void SetPipeNameFunction(PipeNameFunction function);
std::wstring CurrentPipeName();

// Cursors handed out by EnumKeys and not yet released by FreeBuffer, owned here. Nothing throws.
bool RegisterEnumState(std::unique_ptr<CKSPKeyEnumState> state);
// Takes the next container of a registered cursor; false when the pointer is not registered.
// The container stays empty when the cursor has none left.
bool NextFromEnumState(const void* state, std::shared_ptr<CKeyContainer>& container);
// Destroys a registered cursor; false when the pointer is not one.
bool ReleaseEnumState(const void* state);

}  // namespace luma::ksp

#endif  // LUMA_PLUGINS_KSP_KSP_MODULE_H_
