// lumaPassV as an event-tracing provider: registration, the enable callback that follows the trace
// sessions, and the start and stop events (no payload). The resources (message table and template)
// are in event_tracing.rc, which the program links.
#ifndef LUMA_FOUNDATION_WIN_EVENT_TRACING_H_
#define LUMA_FOUNDATION_WIN_EVENT_TRACING_H_

#include <windows.h>
// after windows.h
#include <evntprov.h>

namespace luma {

// {05DEF787-F84D-432D-9F80-805C3925E021}
extern const GUID LumaPassVProviderGuid;
extern const EVENT_DESCRIPTOR LumaPassVStartedEvent;  // id 1, "luma-Pass V started"
extern const EVENT_DESCRIPTOR LumaPassVStoppedEvent;  // id 2, "luma-Pass V stopped"

}  // namespace luma

// One per process. The enable callback writes it without a lock and the writers read it without
// one: a race only decides whether one event is written.
struct CEtwProviderState {
  static constexpr int kEventClassCount = 1;  // level 4, keyword 0x4000000000000000: both events

  REGHANDLE registrationHandle = 0;
  UCHAR level = 0;
  ULONGLONG matchAnyKeyword = 0;
  ULONGLONG matchAllKeyword = 0;
  bool enabled = false;
  bool classEnabled[kEventClassCount] = {};
};
namespace luma {

CEtwProviderState& EtwProviderState();

// EventRegister once; 0 when already registered, else its result. A failure leaves the handle 0.
ULONG EtwRegisterProvider();
// Control code 1 stores the session's level and keywords and computes each class's enable bit; 0
// clears everything; other codes change nothing. The context is the provider state; null does nothing.
void NTAPI EtwEnableCallback(LPCGUID sourceId, ULONG controlCode, UCHAR level, ULONGLONG matchAnyKeyword,
                             ULONGLONG matchAllKeyword, PEVENT_FILTER_DESCRIPTOR filterData,
                             PVOID callbackContext);
// EventWrite without user data; callers check the enable bit first.
ULONG EtwWriteEvent(const EVENT_DESCRIPTOR& descriptor);
void EtwUnregisterProvider();

// Start-up and shut-down of the program: register and write the start event when a session
// listens; write the stop event when one listens and unregister.
void EtwTraceStart();
void EtwTraceStop();

// Lets tests see what would be written, since the platform may have no trace consumer; null puts
// EventWrite back.
using EtwEventWriter = ULONG(WINAPI*)(REGHANDLE, PCEVENT_DESCRIPTOR, ULONG, PEVENT_DATA_DESCRIPTOR);
void SetEtwEventWriterForTesting(EtwEventWriter writer);

}  // namespace luma

#endif  // LUMA_FOUNDATION_WIN_EVENT_TRACING_H_
