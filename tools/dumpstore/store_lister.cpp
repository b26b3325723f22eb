#include "tools/dumpstore/store_lister.h"

#include <windows.h>
// after windows.h, which it needs
#include <wincrypt.h>

#include <cstdio>
#include <memory>

#include "foundation/win/unique_handle.h"
#include "tools/dumpstore/core/property_text.h"
#include "tools/dumpstore/property_printers.h"

namespace luma::dumpstore {

namespace {

constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
constexpr DWORD kDisplayNameChars = 256;
constexpr DWORD kDistinguishedNameChars = 1024;

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};
using CFileHandle = std::unique_ptr<FILE, FileCloser>;

std::string DistinguishedName(const char* label, const CERT_NAME_BLOB& name) {
  char text[kDistinguishedNameChars] = {};
  CERT_NAME_BLOB blob = name;
  if (CertNameToStrA(kEncoding, &blob, CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG, text,
                     kDistinguishedNameChars) == 0) {
    return std::string();
  }
  text[kDistinguishedNameChars - 1] = '\0';
  return std::string(label) + ":\n\n  " + text + "\n\n";
}

// Writes the certificate's encoding to <store>_<index>_<name>.cer; false when the name is too long.
bool SaveCertificate(PCCERT_CONTEXT certificate, const std::string& storeName, int index,
                     const std::string& displayName, const OutputWriter& write) {
  const std::optional<std::string> fileName = CertificateFileName(storeName, index, displayName);
  if (!fileName) {
    write("\n ERROR: The file name of certificate " + Decimal(index) + " would be longer than " +
          Decimal(static_cast<int>(kMaxFileNameLength)) + " characters!\n");
    return false;
  }
  CFileHandle file(std::fopen(fileName->c_str(), "wb"));
  bool saved = false;
  if (file) {
    saved = std::fwrite(certificate->pbCertEncoded, 1, certificate->cbCertEncoded, file.get()) ==
            certificate->cbCertEncoded;
    saved = std::fclose(file.release()) == 0 && saved;
  }
  write(saved ? "Exported certificate to file:\n\n  " + *fileName + "\n\n"
              : "Unable to export certificate to file '" + *fileName + "'!\n\n");
  return true;
}

}  // namespace

int ListStore(const DumpStoreSettings& settings, const OutputWriter& write) {
  const DWORD location =
      settings.machineStore ? CERT_SYSTEM_STORE_LOCAL_MACHINE : CERT_SYSTEM_STORE_CURRENT_USER;
  luma::CCertStoreHandle store(CertOpenStore(
      CERT_STORE_PROV_SYSTEM_A, kEncoding, 0,
      location | CERT_STORE_READONLY_FLAG | CERT_STORE_OPEN_EXISTING_FLAG | CERT_STORE_ENUM_ARCHIVED_FLAG,
      settings.storeName.c_str()));
  if (!store) {
    write("\n ERROR: Unable to open the certificate store '" + settings.storeName + "'!\n");
    return 1;
  }

  luma::CCertContextHandle certificate;
  int index = 0;
  for (;;) {
    // The enumeration frees the context it is handed, so it takes it out of its owner.
    certificate.reset(CertEnumCertificatesInStore(store.get(), certificate.release()));
    if (!certificate) break;
    ++index;
    PCCERT_CONTEXT context = certificate.get();

    char displayName[kDisplayNameChars] = "unknown";
    if (CertGetNameStringA(context, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, displayName,
                           kDisplayNameChars)) {
      displayName[kDisplayNameChars - 1] = '\0';
      write(CertificateBanner(displayName));
    } else {
      write("The CertGetNameString method failed.\n");
    }
    if (settings.saveCertificates &&
        !SaveCertificate(context, settings.storeName, index, displayName, write)) {
      return 1;
    }
    write(DistinguishedName("Subject DN", context->pCertInfo->Subject));
    write(DistinguishedName("Issuer DN", context->pCertInfo->Issuer));
    if (settings.dumpCertificates)
      write("Certificate:\n" + hexDump(context->pbCertEncoded, context->cbCertEncoded));

    CCertificatePropertyReader reader(context);
    for (DWORD propId = CertEnumCertificateContextProperties(context, 0); propId != 0;
         propId = CertEnumCertificateContextProperties(context, propId)) {
      write(PrintProperty(reader, propId, settings));
    }
  }
  return 0;
}

}  // namespace luma::dumpstore
