#include "foundation/win/event_tracing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr ULONGLONG kLifecycle = 0x4000000000000000ull;

std::vector<USHORT> g_written;
REGHANDLE g_writtenHandle = 0;

ULONG WINAPI RecordEvent(REGHANDLE handle, PCEVENT_DESCRIPTOR descriptor, ULONG count,
                         PEVENT_DATA_DESCRIPTOR) {
  g_written.push_back(descriptor->Id);
  g_writtenHandle = handle;
  EXPECT_EQ(count, 0u);
  return ERROR_SUCCESS;
}

class EventTracingTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override {
    Reset();
    luma::SetEtwEventWriterForTesting(nullptr);
  }
  static void Reset() {
    luma::EtwUnregisterProvider();
    luma::EtwEnableCallback(nullptr, 0, 0, 0, 0, nullptr, &luma::EtwProviderState());
    g_written.clear();
    luma::SetEtwEventWriterForTesting(RecordEvent);
  }
  // The platform may never call the enable callback itself; a listening session is simulated.
  static void SessionListens(UCHAR level, ULONGLONG matchAny, ULONGLONG matchAll) {
    luma::EtwEnableCallback(&luma::LumaPassVProviderGuid, 1, level, matchAny, matchAll, nullptr,
                            &luma::EtwProviderState());
  }
};

TEST(EtwEnableCallbackTest, EnableBitFollowsLevelAndKeywords) {
  struct Case {
    UCHAR level;
    ULONGLONG matchAny, matchAll;
    bool enabled;
  } cases[] = {
      {4, kLifecycle, 0, true},  {0, kLifecycle, 0, true},
      {5, ~0ull, 0, true},       {4, kLifecycle | 1, kLifecycle, true},
      {3, kLifecycle, 0, false}, {4, 1, 0, false},
      {4, 0, 0, false},          {4, kLifecycle, kLifecycle | 1, false},
  };
  for (const auto& c : cases) {
    CEtwProviderState state;
    luma::EtwEnableCallback(nullptr, 1, c.level, c.matchAny, c.matchAll, nullptr, &state);
    EXPECT_TRUE(state.enabled);
    EXPECT_EQ(state.level, c.level);
    EXPECT_EQ(state.matchAnyKeyword, c.matchAny);
    EXPECT_EQ(state.matchAllKeyword, c.matchAll);
    EXPECT_EQ(state.classEnabled[0], c.enabled) << int(c.level) << " " << c.matchAny << " " << c.matchAll;
  }
}

TEST(EtwEnableCallbackTest, DisableClearsAndOtherCodesChangeNothing) {
  CEtwProviderState state;
  luma::EtwEnableCallback(nullptr, 1, 4, kLifecycle, 0, nullptr, &state);
  luma::EtwEnableCallback(nullptr, 2, 1, 0, 0, nullptr, &state);  // capture state
  EXPECT_TRUE(state.classEnabled[0]);
  EXPECT_EQ(state.level, 4);
  luma::EtwEnableCallback(nullptr, 1, 4, kLifecycle, 0, nullptr, nullptr);  // no context: nothing to do
  luma::EtwEnableCallback(nullptr, 0, 4, kLifecycle, 0, nullptr, &state);
  EXPECT_FALSE(state.enabled);
  EXPECT_FALSE(state.classEnabled[0]);
  EXPECT_EQ(state.level, 0);
  EXPECT_EQ(state.matchAnyKeyword, 0u);
  EXPECT_EQ(state.matchAllKeyword, 0u);
}

TEST_F(EventTracingTest, StartAndStopEventsAreWrittenOnlyWhileASessionListens) {
  luma::EtwTraceStart();
  luma::EtwTraceStop();
  EXPECT_TRUE(g_written.empty());  // nobody listens

  ASSERT_EQ(luma::EtwRegisterProvider(), 0u);
  const REGHANDLE handle = luma::EtwProviderState().registrationHandle;
  ASSERT_NE(handle, 0u);
  SessionListens(4, kLifecycle, 0);
  luma::EtwTraceStart();  // already registered: not registered twice
  EXPECT_EQ(luma::EtwProviderState().registrationHandle, handle);
  luma::EtwTraceStop();
  EXPECT_EQ(g_written, (std::vector<USHORT>{1, 2}));
  EXPECT_EQ(g_writtenHandle, handle);
  EXPECT_EQ(luma::EtwProviderState().registrationHandle, 0u);

  g_written.clear();
  luma::EtwRegisterProvider();
  SessionListens(3, kLifecycle, 0);
  luma::EtwTraceStart();
  luma::EtwTraceStop();
  EXPECT_TRUE(g_written.empty());
}

TEST_F(EventTracingTest, EventsCarryTheirDescriptorsAndWriteThroughThePlatform) {
  EXPECT_EQ(luma::LumaPassVStartedEvent.Id, 1);
  EXPECT_EQ(luma::LumaPassVStoppedEvent.Id, 2);
  for (const EVENT_DESCRIPTOR* e : {&luma::LumaPassVStartedEvent, &luma::LumaPassVStoppedEvent}) {
    EXPECT_EQ(e->Version, 0);
    EXPECT_EQ(e->Channel, 16);
    EXPECT_EQ(e->Level, 4);
    EXPECT_EQ(e->Task, 1);
    EXPECT_EQ(e->Keyword, kLifecycle);
  }
  EXPECT_EQ(luma::LumaPassVStartedEvent.Opcode, 1);
  EXPECT_EQ(luma::LumaPassVStoppedEvent.Opcode, 2);

  luma::SetEtwEventWriterForTesting(nullptr);
  ASSERT_EQ(luma::EtwRegisterProvider(), 0u);
  EXPECT_EQ(luma::EtwWriteEvent(luma::LumaPassVStartedEvent),
            0u);  // the real call, with or without a consumer
  luma::EtwUnregisterProvider();
  EXPECT_EQ(luma::EtwProviderState().registrationHandle, 0u);
  luma::EtwUnregisterProvider();  // a second time does nothing
}

TEST(EventTracingResourcesTest, MessageTableHoldsTheProviderTexts) {
  struct Case {
    DWORD id;
    const wchar_t* text;
  } cases[] = {
      {0x30000001, L"Start"},
      {0x30000002, L"Stop"},
      {0x50000004, L"Information"},
      {0x70000001, L"Lifecycle"},
      {0x70000002, L"Auto-Provisioning"},
      {0x90000001, L"Application"},
      {0x90000002, L"Operational"},
      {0xB0000001, L"luma-Pass V started"},
      {0xB0000002, L"luma-Pass V stopped"},
  };
  for (const auto& c : cases) {
    wchar_t text[128] = {};
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        GetModuleHandleW(nullptr), c.id, 1033, text, 128, nullptr);
    EXPECT_EQ(std::wstring(text, length), std::wstring(c.text) + L"\r\n") << std::hex << c.id;
  }
  wchar_t text[16] = {};
  EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                           GetModuleHandleW(nullptr), 0x30000003, 1033, text, 16, nullptr),
            0u);

  HRSRC templateResource = FindResourceExW(nullptr, L"WEVT_TEMPLATE", MAKEINTRESOURCEW(1),
                                           MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  ASSERT_NE(templateResource, nullptr);
  const DWORD size = SizeofResource(nullptr, templateResource);
  const BYTE* bytes = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, templateResource)));
  ASSERT_NE(bytes, nullptr);
  ASSERT_GT(size, 0u);
  for (DWORD i = 0; i < size; ++i) EXPECT_EQ(bytes[i], 0) << i;
}

}  // namespace
