// The enumerations of the CSP's provider parameters: the algorithms it announces and the cursor that
// walks a list one delivered item at a time.
#ifndef LUMA_PLUGINS_CSP_CORE_ENUMERATION_H_
#define LUMA_PLUGINS_CSP_CORE_ENUMERATION_H_

#include <atomic>
#include <cstddef>

#include "foundation/core/platform.h"

namespace luma::csp {

constexpr DWORD kEnumFirstFlag = 1;            // CRYPT_FIRST
constexpr DWORD kEnumNotStarted = 0x80090009;  // NTE_BAD_FLAGS
constexpr DWORD kEnumNoMoreItems = 259;        // ERROR_NO_MORE_ITEMS

struct AlgorithmInfo {
  DWORD algId;
  DWORD defaultBits;
  DWORD minBits;
  DWORD maxBits;
  const char* name;
  const char* longName;
};

// The algorithms PP_ENUMALGS and PP_ENUMALGS_EX announce, in their order.
extern const AlgorithmInfo kAlgorithmTable[];
extern const size_t kAlgorithmCount;

// One enumeration's position, shared by the threads of a context. Looking at the current item does
// not move it: only an item the caller received does, so a size query followed by the real call
// gets the same item.
class CEnumCursor {
 public:
  // The index of the item to give: the flags' CRYPT_FIRST starts over at 0. kEnumNotStarted when
  // the enumeration was never started, kEnumNoMoreItems past the last of count items, else 0.
  DWORD Current(DWORD flags, size_t count, size_t& index) noexcept;
  // The item at index was delivered: the next call gives the one after it.
  void Delivered(size_t index) noexcept;

 private:
  std::atomic<long> position{-1};
};

}  // namespace luma::csp

#endif  // LUMA_PLUGINS_CSP_CORE_ENUMERATION_H_
