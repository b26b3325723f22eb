// A URL split into its parts by the system's URL parser; every part empty (scheme -1, port 0) when
// it cannot be split. The whole text is kept either way.
#ifndef LUMA_UI_CONTROLS_CRACKED_URL_H_
#define LUMA_UI_CONTROLS_CRACKED_URL_H_

#include <string>

namespace luma {
namespace ui {

class CCrackedUrl {
 public:
  CCrackedUrl() = default;
  explicit CCrackedUrl(const std::wstring& url);

  // Host names compared exactly, letter case included (scheme and port are the caller's).
  bool HostEquals(const CCrackedUrl& other) const { return hostName == other.hostName; }
  // Same scheme, exact host and port: the origin a navigation may go to.
  bool SameOrigin(const CCrackedUrl& other) const {
    return scheme == other.scheme && port == other.port && HostEquals(other);
  }

  int scheme = -1;
  unsigned short port = 0;
  std::wstring url;
  std::wstring schemeName;
  std::wstring hostName;
  std::wstring urlPath;
  std::wstring extraInfo;
};

}  // namespace ui
}  // namespace luma

#endif  // LUMA_UI_CONTROLS_CRACKED_URL_H_
