// The module-wide state of lumaPassKSP: the plug-in frame (its debug log, the pool of provider
// handles, the pipe that its provider contexts open, the unload) and the registry of EnumKeys cursors.
#ifndef LUMA_PLUGINS_KSP_KSP_MODULE_H_
#define LUMA_PLUGINS_KSP_KSP_MODULE_H_

#include <windows.h>

#include <memory>
#include <string>

#include "plugins/common/plugin_module.h"
#include "plugins/ksp/ksp_context.h"

namespace luma::ksp {

inline constexpr char kModuleName[] = "lumaPassKSP";
constexpr wchar_t kReaderName[] = L"lumaPassKSP";

// The plug-in frame; its pool holds the provider handles.
using KspModule = luma::plugin::CPluginModule<ULONG_PTR, CKSPContext, kModuleName>;
inline CModuleDebugLog& moduleLog() { return KspModule::Log(); }
inline KspModule::Pool& providerPool() { return KspModule::Handles(); }

// Cursors handed out by EnumKeys and not yet released by FreeBuffer, owned here. Nothing throws.
bool RegisterEnumState(std::unique_ptr<CKSPKeyEnumState> state);
// Takes the next container of a registered cursor; false when the pointer is not registered.
// The container stays empty when the cursor has none left.
bool NextFromEnumState(const void* state, std::shared_ptr<CKeyContainer>& container);
// Destroys a registered cursor; false when the pointer is not one.
bool ReleaseEnumState(const void* state);

}  // namespace luma::ksp

#endif  // LUMA_PLUGINS_KSP_KSP_MODULE_H_
