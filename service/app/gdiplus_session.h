// Starting and stopping GDI+ for the program's images, over the library's flat entry points.
#ifndef LUMA_SERVICE_APP_GDIPLUS_SESSION_H_
#define LUMA_SERVICE_APP_GDIPLUS_SESSION_H_

#include <windows.h>

namespace luma::app {

// GDI+ version 1 with its background thread and external codecs; the token, or 0 on failure.
ULONG_PTR StartGdiplus();
void StopGdiplus(ULONG_PTR token);

}  // namespace luma::app

#endif  // LUMA_SERVICE_APP_GDIPLUS_SESSION_H_
