#include "plugins/ksp/core/key_operation_rules.h"

#include "plugins/common/core/pkcs1_blocks.h"

namespace luma::ksp {

using luma::plugin::kAlgMd5;
using luma::plugin::kAlgSha1;
using luma::plugin::kAlgSha256;
using luma::plugin::kAlgSha384;
using luma::plugin::kAlgSha512;
using luma::plugin::kAlgSsl3ShaMd5;

namespace {

// Exact comparison that reads no further into the caller's string than the first difference.
bool SameName(const WCHAR* name, const WCHAR* expected) {
  for (; *expected != 0; ++name, ++expected) {
    if (*name != *expected) return false;
  }
  return *name == 0;
}

}  // namespace

DWORD HashNameToAlgId(const WCHAR* name) {
  struct Entry {
    const WCHAR* name;
    DWORD algId;
  };
  static const Entry kHashNames[] = {
      {WSTR("MD2"), kAlgMd2},       {WSTR("MD4"), kAlgMd4},       {WSTR("MD5"), kAlgMd5},
      {WSTR("SHA1"), kAlgSha1},     {WSTR("SHA256"), kAlgSha256}, {WSTR("SHA384"), kAlgSha384},
      {WSTR("SHA512"), kAlgSha512},
  };
  if (name == nullptr || *name == 0) return kAlgSsl3ShaMd5;
  for (const Entry& entry : kHashNames) {
    if (SameName(name, entry.name)) return entry.algId;
  }
  return 0;
}

DecryptPadding DecryptPaddingOf(DWORD flags) {
  if ((flags & ~(kNoPaddingFlag | kPkcs1PaddingFlag | kOaepPaddingFlag | kSilentFlag)) != 0) {
    return DecryptPadding::kRefused;
  }
  switch (flags & (kNoPaddingFlag | kPkcs1PaddingFlag | kOaepPaddingFlag)) {
    case kNoPaddingFlag:
      return DecryptPadding::kNone;
    case kPkcs1PaddingFlag:
      return DecryptPadding::kPkcs1;
    case kOaepPaddingFlag:
      return DecryptPadding::kOaep;
    default:
      return DecryptPadding::kRefused;
  }
}

}  // namespace luma::ksp
