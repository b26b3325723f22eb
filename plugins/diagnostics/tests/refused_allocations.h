// The test programs' own operator new, which refuses allocations while a test asks it to, so that
// the paths a host process takes when its memory runs out can be driven.
#ifndef LUMA_PLUGINS_DIAGNOSTICS_TESTS_REFUSED_ALLOCATIONS_H_
#define LUMA_PLUGINS_DIAGNOSTICS_TESTS_REFUSED_ALLOCATIONS_H_

namespace luma::testing {

// While one lives, operator new on the creating thread lets `allowed` more allocations through and
// then throws std::bad_alloc for every further one. Other threads allocate as usual.
class CRefusedAllocations {
 public:
  explicit CRefusedAllocations(int allowed = 0) noexcept;
  ~CRefusedAllocations();
  CRefusedAllocations(const CRefusedAllocations&) = delete;
  CRefusedAllocations& operator=(const CRefusedAllocations&) = delete;

  // True once an allocation has been refused.
  bool refusedAny() const noexcept;
};

}  // namespace luma::testing

#endif  // LUMA_PLUGINS_DIAGNOSTICS_TESTS_REFUSED_ALLOCATIONS_H_
