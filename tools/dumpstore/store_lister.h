// Lists one system certificate store: every certificate with its names and every property, and
// with the options its hex dump and a file of its own.
#ifndef LUMA_TOOLS_DUMPSTORE_STORE_LISTER_H_
#define LUMA_TOOLS_DUMPSTORE_STORE_LISTER_H_

#include <functional>
#include <string>

#include "tools/dumpstore/core/dumpstore_options.h"

namespace luma::dumpstore {

using OutputWriter = std::function<void(const std::string& text)>;

// Writes the listing through `write`; returns the program's exit code.
int ListStore(const DumpStoreSettings& settings, const OutputWriter& write);

}  // namespace luma::dumpstore

#endif  // LUMA_TOOLS_DUMPSTORE_STORE_LISTER_H_
