#include "service/core/soap_secret_text.h"

#include <algorithm>

#include "foundation/core/platform.h"

namespace luma::service {

void AppendWiping(std::string& target, std::string_view text) {
  const std::size_t needed = target.size() + text.size();
  if (needed > target.capacity()) {
    std::string grown;
    grown.reserve(std::max<std::size_t>({needed, target.capacity() * 2, 256}));
    grown.assign(target);
    WipeText(target);
    target.swap(grown);
  }
  target.append(text);
}

void WipeText(std::string& text) {
  luma::SecureWipe(text.data(), text.size());
  text.clear();
}

}  // namespace luma::service
