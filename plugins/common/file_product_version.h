// The product version string of a file's version resource.
#ifndef LUMA_PLUGINS_COMMON_FILE_PRODUCT_VERSION_H_
#define LUMA_PLUGINS_COMMON_FILE_PRODUCT_VERSION_H_

#include <string>

namespace luma::plugin {

// The ProductVersion of the first translation that has one; "0.0.0.0" when the file, its version
// resource or every ProductVersion is missing (also for a null path). Throws std::bad_alloc only.
std::wstring GetFileProductVersion(const wchar_t* path);

}  // namespace luma::plugin

#endif  // LUMA_PLUGINS_COMMON_FILE_PRODUCT_VERSION_H_
