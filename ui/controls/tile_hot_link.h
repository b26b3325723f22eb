// The clickable parts of a tile: the "Show" link of a certificate, the "Manage" link of a provider,
// and the certificate-type pictograms, which only explain themselves in a tooltip.
#ifndef LUMA_UI_CONTROLS_TILE_HOT_LINK_H_
#define LUMA_UI_CONTROLS_TILE_HOT_LINK_H_

// windows.h first.
// clang-format off
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <functional>
#include <memory>
#include <string>

#include "foundation/core/secure_buffer.h"
#include "ui/core/tile_model.h"
#include "ui/framework/gdi_objects.h"

namespace luma {
namespace ui {

class CTileHotLink {
 public:
  CTileHotLink(int id, bool enabled);
  virtual ~CTileHotLink() = default;
  CTileHotLink(const CTileHotLink&) = delete;
  CTileHotLink& operator=(const CTileHotLink&) = delete;

  // What the link does when clicked or its tile gets the space bar; `control` is the tile's window.
  virtual void OnClick(HWND control) = 0;

  // A balloon tooltip over the hot area, owned by the tile control; none for an empty text.
  void CreateToolTip(HWND owner);
  void ActivateToolTip(bool active);
  HWND ToolTip() const { return toolTip.get(); }

  CHotLinkState state;
  std::wstring toolTipText;

 private:
  CWindowHandle toolTip;
};

// A text link drawn in the tile's bottom-right corner.
class CTextHotLink : public CTileHotLink {
 public:
  CTextHotLink(std::wstring text, std::wstring toolTip);
  std::wstring text;
  CRectF textRect;
};

// "Show": the certificate in the system's certificate dialog, on a thread of its own.
class CCertViewHotlink : public CTextHotLink {
 public:
  CCertViewHotlink(std::wstring text, const CSecureBuffer& encodedCertificate, std::wstring toolTip);
  void OnClick(HWND control) override;

  // Shows the certificate; the default starts the viewer thread (nothing for bytes that are no
  // certificate). Replaced by tests.
  std::function<void(const CSecureBuffer& certificate, HWND owner)> show;

 private:
  CSecureBuffer certificate;  // wiped when the link goes
};

// A certificate-type pictogram: its picture and tooltip, no action.
class CCertImageHotlink : public CTileHotLink {
 public:
  CCertImageHotlink(int resourceId, std::unique_ptr<Gdiplus::Bitmap> image, std::wstring toolTip);
  void OnClick(HWND) override {}
  Gdiplus::Bitmap* Image() const { return image.get(); }
  CRectF imageRect;

 private:
  std::unique_ptr<Gdiplus::Bitmap> image;
};

// "Manage": the provider's self-service portal in the user's browser.
class CProviderManageHotlink : public CTextHotLink {
 public:
  CProviderManageHotlink(std::wstring text, std::wstring url, std::wstring toolTip);
  void OnClick(HWND control) override;

  // Opens the address; the default is the shell's "open". Replaced by tests.
  std::function<void(const std::wstring& url)> open;
  const std::wstring& Url() const { return url; }

 private:
  std::wstring url;
};

// Whether an address from the configuration may go to the shell: only web addresses (http, https)
// with a host, so that no configured text starts a program or opens a file.
bool IsWebAddress(const std::wstring& url);

// Starts the certificate viewer thread for encoded certificate bytes; false when they are no
// certificate or the thread could not start.
bool StartCertificateViewer(const CSecureBuffer& certificate, HWND owner);

}  // namespace ui
}  // namespace luma

#endif  // LUMA_UI_CONTROLS_TILE_HOT_LINK_H_
