#include "foundation/win/event_tracing.h"

namespace {
constexpr ULONG kControlDisable = 0;  // EVENT_CONTROL_CODE_DISABLE_PROVIDER
constexpr ULONG kControlEnable = 1;   // EVENT_CONTROL_CODE_ENABLE_PROVIDER
constexpr UCHAR kInformationLevel = 4;
constexpr ULONGLONG kLifecycleKeyword = 0x4000000000000000ull;
constexpr UCHAR kChannel = 16;
constexpr USHORT kLifecycleTask = 1;
constexpr UCHAR kStartOpcode = 1;
constexpr UCHAR kStopOpcode = 2;

struct EventClass {
  UCHAR level;
  ULONGLONG keyword;
};
constexpr EventClass kEventClasses[CEtwProviderState::kEventClassCount] = {
    {kInformationLevel, kLifecycleKeyword}};

luma::EtwEventWriter g_writer = nullptr;

bool IsClassEnabled(const EventClass& eventClass, UCHAR level, ULONGLONG matchAny, ULONGLONG matchAll) {
  if (level != 0 && level < eventClass.level) return false;
  if (eventClass.keyword != 0 &&
      ((eventClass.keyword & matchAny) == 0 || (eventClass.keyword & matchAll) != matchAll)) {
    return false;
  }
  return true;
}

bool IsLifecycleEnabled() { return luma::EtwProviderState().classEnabled[0]; }
}  // namespace

namespace luma {

const GUID LumaPassVProviderGuid = {
    0x05def787, 0xf84d, 0x432d, {0x9f, 0x80, 0x80, 0x5c, 0x39, 0x25, 0xe0, 0x21}};
const EVENT_DESCRIPTOR LumaPassVStartedEvent = {
    1, 0, kChannel, kInformationLevel, kStartOpcode, kLifecycleTask, kLifecycleKeyword};
const EVENT_DESCRIPTOR LumaPassVStoppedEvent = {
    2, 0, kChannel, kInformationLevel, kStopOpcode, kLifecycleTask, kLifecycleKeyword};

CEtwProviderState& EtwProviderState() {
  static CEtwProviderState state;
  return state;
}

ULONG EtwRegisterProvider() {
  CEtwProviderState& state = EtwProviderState();
  if (state.registrationHandle != 0) return 0;
  REGHANDLE handle = 0;
  const ULONG result = EventRegister(&LumaPassVProviderGuid, EtwEnableCallback, &state, &handle);
  state.registrationHandle = result == ERROR_SUCCESS ? handle : 0;
  return result;
}

void NTAPI EtwEnableCallback(LPCGUID, ULONG controlCode, UCHAR level, ULONGLONG matchAnyKeyword,
                             ULONGLONG matchAllKeyword, PEVENT_FILTER_DESCRIPTOR, PVOID callbackContext) {
  auto* state = static_cast<CEtwProviderState*>(callbackContext);
  if (state == nullptr) return;
  switch (controlCode) {
    case kControlEnable:
      state->level = level;
      state->matchAnyKeyword = matchAnyKeyword;
      state->matchAllKeyword = matchAllKeyword;
      state->enabled = true;
      for (int i = 0; i < CEtwProviderState::kEventClassCount; ++i) {
        state->classEnabled[i] = IsClassEnabled(kEventClasses[i], level, matchAnyKeyword, matchAllKeyword);
      }
      break;
    case kControlDisable:
      state->enabled = false;
      state->level = 0;
      state->matchAnyKeyword = 0;
      state->matchAllKeyword = 0;
      for (bool& bit : state->classEnabled) bit = false;
      break;
    default:  // a capture-state request and the like
      break;
  }
}

ULONG EtwWriteEvent(const EVENT_DESCRIPTOR& descriptor) {
  const REGHANDLE handle = EtwProviderState().registrationHandle;
  if (g_writer != nullptr) return g_writer(handle, &descriptor, 0, nullptr);
  return EventWrite(handle, &descriptor, 0, nullptr);
}

void EtwUnregisterProvider() {
  CEtwProviderState& state = EtwProviderState();
  if (state.registrationHandle == 0) return;
  EventUnregister(state.registrationHandle);
  state.registrationHandle = 0;
}

void EtwTraceStart() {
  EtwRegisterProvider();
  if (IsLifecycleEnabled()) EtwWriteEvent(LumaPassVStartedEvent);
}

void EtwTraceStop() {
  if (IsLifecycleEnabled()) EtwWriteEvent(LumaPassVStoppedEvent);
  EtwUnregisterProvider();
}

void SetEtwEventWriterForTesting(EtwEventWriter writer) { g_writer = writer; }

}  // namespace luma
