#include "service/app/gdiplus_session.h"

namespace {

// The start-up input of the flat API, as the library documents it.
struct GdiplusStartupInputV1 {
  UINT32 GdiplusVersion;
  void* DebugEventCallback;
  BOOL SuppressBackgroundThread;
  BOOL SuppressExternalCodecs;
};

}  // namespace

extern "C" {
int WINAPI GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInputV1* input, void* output);
void WINAPI GdiplusShutdown(ULONG_PTR token);
}

namespace luma::app {

ULONG_PTR StartGdiplus() {
  const GdiplusStartupInputV1 input = {1, nullptr, FALSE, FALSE};
  ULONG_PTR token = 0;
  return GdiplusStartup(&token, &input, nullptr) == 0 ? token : 0;
}

void StopGdiplus(ULONG_PTR token) {
  if (token != 0) GdiplusShutdown(token);
}

}  // namespace luma::app
