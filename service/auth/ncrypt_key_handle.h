// The owner of a CNG key handle, beside the other handle kinds of luma::CUniqueHandle.
#ifndef LUMA_SERVICE_AUTH_NCRYPT_KEY_HANDLE_H_
#define LUMA_SERVICE_AUTH_NCRYPT_KEY_HANDLE_H_

#include <windows.h>
// after windows.h
#include <ncrypt.h>

#include "foundation/win/unique_handle.h"

namespace luma {
namespace handle_traits {
inline void FreeNCryptObject(NCRYPT_KEY_HANDLE key) { NCryptFreeObject(key); }
}  // namespace handle_traits

using CNCryptKeyHandle =
    CUniqueHandle<handle_traits::NullEmpty<NCRYPT_KEY_HANDLE, handle_traits::FreeNCryptObject>>;

}  // namespace luma

#endif  // LUMA_SERVICE_AUTH_NCRYPT_KEY_HANDLE_H_
