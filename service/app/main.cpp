// lumaPassV: the resident program of the virtual smart card, one per user.
#include <windows.h>

#include "service/app/lumapassv_app.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    luma::app::CLumaPassVApp app;
    return app.Run();
  } catch (...) {
    return 1;
  }
}
