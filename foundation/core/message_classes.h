// One instance of every request and response class of the pipe protocol, for the round-trip tests,
// the fuzz target and the benchmarks.
#ifndef LUMA_FOUNDATION_CORE_MESSAGE_CLASSES_H_
#define LUMA_FOUNDATION_CORE_MESSAGE_CLASSES_H_

#include <memory>
#include <vector>

#include "foundation/core/vsc_account_messages.h"
#include "foundation/core/vsc_pin_messages.h"
#include "foundation/core/vsc_session_messages.h"

namespace VirtualSmartCardProtocol {
std::vector<std::unique_ptr<CSerializableMessage>> CreateEveryMessageClass();
}

#endif  // LUMA_FOUNDATION_CORE_MESSAGE_CLASSES_H_
