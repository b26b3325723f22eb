// A URL split into its parts by the system's URL parser; every part empty (scheme -1, port 0) when
// it cannot be split.
#ifndef LUMA_UI_CONTROLS_CRACKED_URL_H_
#define LUMA_UI_CONTROLS_CRACKED_URL_H_

#include <string>

namespace luma {
namespace ui {

class CCrackedUrl {
 public:
  explicit CCrackedUrl(const std::wstring& url);

  int scheme = -1;
  unsigned short port = 0;
  std::wstring schemeName;
  std::wstring hostName;
  std::wstring urlPath;
  std::wstring extraInfo;
};

}  // namespace ui
}  // namespace luma

#endif  // LUMA_UI_CONTROLS_CRACKED_URL_H_
