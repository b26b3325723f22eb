#include "plugins/csp/core/container_name.h"

namespace luma::csp {

ContainerName SplitContainerName(const WString& requested, const WString& defaultReader) {
  static const WString kPrefix = WSTR("\\\\.\\");
  ContainerName name;
  name.reader = defaultReader;
  name.container = requested;
  if (requested.compare(0, kPrefix.size(), kPrefix) != 0) return name;
  name.fullyQualified = true;
  const WString rest = requested.substr(kPrefix.size());
  name.reader = rest;
  const size_t separator = rest.find(WCHAR('\\'));
  if (separator == WString::npos) {
    name.container = rest;
  } else if (separator > 0) {
    name.reader = rest.substr(0, separator);
    name.container = rest.substr(separator + 1);
  }
  return name;
}

}  // namespace luma::csp
