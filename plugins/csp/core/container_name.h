// How the CSP reads the container name an application passes: a plain container name, or the fully
// qualified form "\\.\<reader>\<container>" that names the reader (the session's client name) too.
#ifndef LUMA_PLUGINS_CSP_CORE_CONTAINER_NAME_H_
#define LUMA_PLUGINS_CSP_CORE_CONTAINER_NAME_H_

#include "foundation/core/platform.h"

namespace luma::csp {

struct ContainerName {
  WString reader;
  WString container;
  bool fullyQualified = false;
};

// A plain name keeps the default reader. After the prefix, the text up to the first "\" is the
// reader and the rest the container; without a further "\" both are the whole rest; a rest that
// starts with "\" is the reader, and the container stays the full name.
ContainerName SplitContainerName(const WString& requested, const WString& defaultReader);

}  // namespace luma::csp

#endif  // LUMA_PLUGINS_CSP_CORE_CONTAINER_NAME_H_
