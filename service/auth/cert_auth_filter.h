// Chooses the TLS client certificate of a certificate login: the certificates of the configured
// store that the filter accepts (never the ones this system provisioned), then one by count, by
// the fingerprint remembered from the last completed call, or through the system's selection
// dialog. Belongs to one thread.
#ifndef LUMA_SERVICE_AUTH_CERT_AUTH_FILTER_H_
#define LUMA_SERVICE_AUTH_CERT_AUTH_FILTER_H_

#include <windows.h>
// after windows.h
#include <wincrypt.h>

#include <functional>
#include <string>

#include "foundation/win/unique_handle.h"
#include "policy/filters/certificate_filter_holder.h"

namespace luma::auth {

// The flags that open the configured store: location | open existing | read only.
constexpr DWORD kAuthStoreOpenFlags = CERT_STORE_OPEN_EXISTING_FLAG | CERT_STORE_READONLY_FLAG;
// The in-memory store the dialog lists the candidates from.
constexpr DWORD kCandidateStoreFlags = 0x12000;
// Columns the selection dialog hides: intended use, location, expiration.
constexpr DWORD kHiddenSelectionColumns = 0x34;

// Whether the certificate carries the provisioned mark with a value (size above zero).
bool HasProvisionedMark(PCCERT_CONTEXT certificate);
// The size of the test signature buffer: twice the key's bytes, or 2 x 2048 for a key length
// that cannot be read.
DWORD TestSignatureBufferSize(DWORD publicKeyBits);
// A test signature with the certificate's private key, acquired silently.
bool CanSignSilently(PCCERT_CONTEXT certificate);

}  // namespace luma::auth

class CCertAuthFilter {
 public:
  // The dialog: (store of the candidates, owner, title, prompt) -> a new reference to the chosen
  // certificate, or null. The default loads the system dialog at run time.
  using SelectionDialog =
      std::function<PCCERT_CONTEXT(HCERTSTORE, HWND, const std::wstring&, const std::wstring&)>;
  // Whether a certificate is one of this system's own; the default reads the property.
  using ProvisionedTest = std::function<bool(PCCERT_CONTEXT)>;

  CCertAuthFilter(HWND owner, std::wstring title, std::wstring prompt);
  CCertAuthFilter(const CCertAuthFilter&) = delete;
  CCertAuthFilter& operator=(const CCertAuthFilter&) = delete;
  virtual ~CCertAuthFilter();

  // True when a certificate is chosen. The store is opened on the first call and kept.
  bool SelectCertificate(DWORD location, const std::wstring& name, const CCertificateFilter& filter,
                         const std::wstring& remembered, bool silent);
  // A test signature with the chosen certificate's key succeeds; true when nothing is chosen.
  bool HasUsablePrivateKey() const;
  // The chosen certificate's fingerprint text; empty when nothing is chosen.
  std::wstring GetFingerprint() const;
  // Not handed over: valid while the filter lives and chooses nothing new.
  PCCERT_CONTEXT GetChosen() const { return chosen.get(); }

  void SetSelectionDialog(SelectionDialog dialog) { selectionDialog = std::move(dialog); }
  void SetProvisionedTest(ProvisionedTest test) { isProvisioned = std::move(test); }

 private:
  PCCERT_CONTEXT ShowSelectionDialog(std::vector<luma::CCertContextHandle>& candidates);

  HWND owner;
  std::wstring title;
  std::wstring prompt;
  luma::CCertStoreHandle store;
  luma::CCertContextHandle chosen;
  SelectionDialog selectionDialog;
  ProvisionedTest isProvisioned;
};

#endif  // LUMA_SERVICE_AUTH_CERT_AUTH_FILTER_H_
