// The exception boundary of every exported entry point of a module that runs inside other processes:
// nothing the body throws reaches the host. Each module states only its status policy:
//
//   struct Policy {
//     using Status = ...;                          // what an entry's body answers
//     static Status OutOfMemory() noexcept;        // the answer when the body threw std::bad_alloc
//     static Status Failure() noexcept;            // the answer when it threw anything else
//     static Result Record(CFunctionTracer&, Status) noexcept;  // how the tracer records the answer
//   };                                             // (only for entries that trace)
//
// OutOfMemory and Failure may also set the thread's last error where the module's convention keeps the
// reason there.
#ifndef LUMA_PLUGINS_DIAGNOSTICS_ENTRY_BOUNDARY_H_
#define LUMA_PLUGINS_DIAGNOSTICS_ENTRY_BOUNDARY_H_

#include <new>

#include "plugins/diagnostics/function_tracer.h"

namespace luma::diagnostics {

// The part of a policy whose answers to exceptions are fixed codes.
template <typename StatusType, StatusType kOutOfMemory, StatusType kFailure>
struct FixedFailureStatus {
  using Status = StatusType;
  static Status OutOfMemory() noexcept { return kOutOfMemory; }
  static Status Failure() noexcept { return kFailure; }
};

// The body's answer, or the policy's answer for the exception it threw.
template <typename Policy, typename Body>
typename Policy::Status RunAtBoundary(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return Policy::OutOfMemory();
  } catch (...) {
    return Policy::Failure();
  }
}

// The same for a traced entry: the answer is recorded by the tracer after the body and everything it
// made are gone, so that the last error the tracer keeps is the one the caller sees.
template <typename Policy, typename Body>
auto RunAtBoundary(CFunctionTracer& tracer, Body&& body) noexcept {
  return Policy::Record(tracer, RunAtBoundary<Policy>(static_cast<Body&&>(body)));
}

}  // namespace luma::diagnostics

#endif  // LUMA_PLUGINS_DIAGNOSTICS_ENTRY_BOUNDARY_H_
