// The document host's interface and command-group ids, which MinGW's uuid library lacks: defined
// here once from the platform header (selectany, so a library that has them does not clash).
// clang-format off
#include <windows.h>
#include <initguid.h>
#include <mshtmhst.h>
// clang-format on
