// Address space each of lumaPassV's threads reserves for its stack. The deliverable is a 32-bit
// process with 2 GiB of address space and the executable's default reservation is 2 MiB, so every
// thread names its own: threads that may show a dialog (whose window procedures and common
// controls run on it) get a full megabyte, the others what their deepest call needs with room.
#ifndef LUMA_SERVICE_CORE_THREAD_STACKS_H_
#define LUMA_SERVICE_CORE_THREAD_STACKS_H_

#include <cstddef>

namespace luma {
namespace service {

// Pipe instance threads and the pipe server's manager: decode, answer and log small requests.
constexpr std::size_t kPipeThreadStackBytes = 256 * 1024;
// Request workers, the provisioning thread and the silent login check: dialogs, COM, WinINet.
constexpr std::size_t kWorkerThreadStackBytes = 1024 * 1024;
// The policy update thread, the exchange key thread and the store registration's check.
constexpr std::size_t kBackgroundThreadStackBytes = 256 * 1024;

}  // namespace service
}  // namespace luma

#endif  // LUMA_SERVICE_CORE_THREAD_STACKS_H_
