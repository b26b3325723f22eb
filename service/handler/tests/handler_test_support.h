// Providers, accounts and certificates of the protocol handler tests, made in memory: the
// certificates are self-signed with one key of the platform's provider, with the validity and key
// usage a test asks for; the accounts go through real provider contexts, so that the handler sees
// them as it does in the program.
#ifndef LUMA_SERVICE_HANDLER_TESTS_HANDLER_TEST_SUPPORT_H_
#define LUMA_SERVICE_HANDLER_TESTS_HANDLER_TEST_SUPPORT_H_

// windows.h first.
// clang-format off
#include <windows.h>
#include <wincrypt.h>
// clang-format on

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "foundation/core/mutex_obj.h"
#include "foundation/win/certificate_descriptor.h"
#include "foundation/win/system_utils.h"
#include "foundation/win/unique_handle.h"
#include "policy/config/auth_config.h"
#include "policy/core/auth_type.h"
#include "policy/core/certificate_type.h"
#include "policy/core/name_constraint.h"
#include "service/handler/vsc_protocol_handler.h"

namespace luma::service::testing {

constexpr LONGLONG kFileTimeDay = 864000000000LL;

inline FILETIME FileTimeInDays(int days) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER value;
  value.LowPart = now.dwLowDateTime;
  value.HighPart = now.dwHighDateTime;
  value.QuadPart += static_cast<ULONGLONG>(static_cast<LONGLONG>(days) * kFileTimeDay);
  FILETIME result;
  result.dwLowDateTime = value.LowPart;
  result.dwHighDateTime = value.HighPart;
  return result;
}

inline std::wstring UniqueName(const std::wstring& base) {
  static LONG counter = 0;
  return base + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(InterlockedIncrement(&counter));
}

// Self-signed certificates over one RSA key, in a key container deleted again at the end.
class CTestCertificateMaker {
 public:
  CTestCertificateMaker() : container(UniqueName(L"lumaPassHandlerTest")) {
    if (CryptAcquireContextW(provider.put(), container.c_str(), MS_ENHANCED_PROV_W, PROV_RSA_FULL,
                             CRYPT_NEWKEYSET | CRYPT_SILENT)) {
      luma::CCryptKeyHandle key;
      CryptGenKey(provider.get(), AT_SIGNATURE, (1024u << 16) | CRYPT_EXPORTABLE, key.put());
    }
  }
  ~CTestCertificateMaker() {
    provider.reset();
    HCRYPTPROV ignored = 0;
    CryptAcquireContextW(&ignored, container.c_str(), MS_ENHANCED_PROV_W, PROV_RSA_FULL,
                         CRYPT_DELETEKEYSET | CRYPT_SILENT);
  }
  CTestCertificateMaker(const CTestCertificateMaker&) = delete;
  CTestCertificateMaker& operator=(const CTestCertificateMaker&) = delete;

  // "CN=<label>", valid from 40 days ago until daysUntilExpiry from now, with the key usage byte
  // (digitalSignature 0x80, nonRepudiation 0x40, keyEncipherment 0x20). Empty on failure.
  CSecureBuffer Make(const std::wstring& label, int daysUntilExpiry, BYTE keyUsage = 0x80) {
    const std::wstring x500 = L"CN=" + label;
    BYTE subjectBytes[512];
    DWORD subjectSize = sizeof subjectBytes;
    if (!CertStrToNameW(X509_ASN_ENCODING, x500.c_str(), CERT_X500_NAME_STR, nullptr, subjectBytes,
                        &subjectSize, nullptr)) {
      return CSecureBuffer();
    }
    CERT_NAME_BLOB subject = {subjectSize, subjectBytes};
    CRYPT_BIT_BLOB usage = {1, &keyUsage, 0};
    BYTE usageBytes[16];
    DWORD usageSize = sizeof usageBytes;
    if (!CryptEncodeObject(X509_ASN_ENCODING, X509_KEY_USAGE, &usage, usageBytes, &usageSize))
      return CSecureBuffer();
    CERT_EXTENSION extension = {const_cast<LPSTR>(szOID_KEY_USAGE), TRUE, {usageSize, usageBytes}};
    CERT_EXTENSIONS extensions = {1, &extension};
    CRYPT_KEY_PROV_INFO keyProvider = {};
    keyProvider.pwszContainerName = const_cast<LPWSTR>(container.c_str());
    keyProvider.pwszProvName = const_cast<LPWSTR>(MS_ENHANCED_PROV_W);
    keyProvider.dwProvType = PROV_RSA_FULL;
    keyProvider.dwKeySpec = AT_SIGNATURE;
    SYSTEMTIME start;
    SYSTEMTIME end;
    const FILETIME startTime = FileTimeInDays(-40);
    const FILETIME endTime = FileTimeInDays(daysUntilExpiry);
    FileTimeToSystemTime(&startTime, &start);
    FileTimeToSystemTime(&endTime, &end);
    const luma::CCertContextHandle made(CertCreateSelfSignCertificate(
        provider.get(), &subject, 0, &keyProvider, nullptr, &start, &end, &extensions));
    if (!made) return CSecureBuffer();
    return CSecureBuffer(made.get()->cbCertEncoded, made.get()->pbCertEncoded);
  }

 private:
  std::wstring container;
  luma::CCryptProviderHandle provider;
};

struct CertificateOptions {
  int daysUntilExpiry = 365;
  bool encryption = false;
  bool enabled = true;
  bool pinChangeDue = false;
  BYTE keyUsage = 0x80;
};

inline CCertificatePolicyPtr MakeCertificatePolicy(CTestCertificateMaker& maker,
                                                   const std::wstring& accountKey,
                                                   const std::wstring& friendlyName,
                                                   const CertificateOptions& options = CertificateOptions()) {
  auto certificate = std::make_shared<CCertificatePolicy>();
  const CSecureBuffer encoded =
      maker.Make(UniqueName(friendlyName), options.daysUntilExpiry, options.keyUsage);
  EXPECT_NE(encoded.size, 0u);
  certificate->accountKey = accountKey;
  certificate->alias = UniqueName(L"alias-");
  certificate->friendlyName = friendlyName;
  certificate->containerName = Sha1GuidString(encoded);
  certificate->descriptor = CCertificateDescriptor(certificate->containerName, encoded);
  certificate->certificateType.flags[CCertificateType::kEncryption] = options.encryption;
  certificate->enabled = options.enabled;
  if (options.pinChangeDue) {
    certificate->pinPolicy.pinConstraints.minLength = 4;
    certificate->pinPolicy.pinConstraints.maxLength = 8;
    certificate->pinPolicy.nextPinChange = FileTimeInDays(-1);
  }
  return certificate;
}

// An account of the provider, current for another 30 days.
inline CPolicyPtr MakeAccount(const std::wstring& providerName, const std::wstring& userId) {
  auto policy = std::make_shared<CPolicy>();
  policy->providerName = providerName;
  policy->userId = userId;
  policy->accountKey = luma::policy::MakeAccountKey(providerName, userId);
  policy->version = 1;
  policy->thisUpdate = FileTimeInDays(-1);
  policy->nextUpdate = FileTimeInDays(30);
  policy->persistent = false;
  return policy;
}

// A provider whose certificates go to the store name (the user's location unless flags say other).
inline std::shared_ptr<CProviderContext> MakeProvider(
    const std::wstring& name, const std::wstring& storeName, int authType = AUTH_TYPE_PASSWORD,
    bool interactive = true, const std::function<void(CProviderConfig&)>& adjust = {}) {
  CProviderConfig config;
  config.name = name;
  config.Name = name;
  config.PolicyStore = UniqueName(L"Z:\\nonexistent\\lumaPassHandlerTest");
  config.TargetCertStoreName = storeName;
  config.TargetCertStoreType = 0x10000;
  config.TargetProviderName = L"Microsoft Base Smart Card Crypto Provider";
  config.TargetProviderType = 1;
  config.authConfig = std::make_shared<CAuthConfig>(authType, interactive);
  if (adjust) adjust(config);
  return std::make_shared<CProviderContext>(config);
}

// One data exchange key for the whole test program: making a key pair takes time.
inline std::shared_ptr<CMessageEncryption> SharedExchangeKey() {
  static const std::shared_ptr<CMessageEncryption> key =
      std::make_shared<CMessageEncryption>(L"lumaPassHandlerTest Data Exchange Key");
  return key;
}

// Records every property write with its bytes and passes it on to the platform.
class CPropertyRecorder {
 public:
  struct Write {
    PCCERT_CONTEXT certificate;
    DWORD id;
    DWORD flags;
    std::vector<BYTE> bytes;  // a blob's bytes; for key provider information, nothing
    CRYPT_KEY_PROV_INFO keyProvider;
    std::wstring keyContainer;
    std::wstring keyProviderName;
  };

  CertPropertyWriter Writer() {
    return [this](PCCERT_CONTEXT certificate, DWORD id, DWORD flags, const void* data) {
      Write write{certificate, id, flags, {}, {}, {}, {}};
      if (id == CERT_KEY_PROV_INFO_PROP_ID) {
        write.keyProvider = *static_cast<const CRYPT_KEY_PROV_INFO*>(data);
        write.keyContainer = write.keyProvider.pwszContainerName;
        write.keyProviderName = write.keyProvider.pwszProvName;
      } else {
        const auto* blob = static_cast<const CRYPT_DATA_BLOB*>(data);
        write.bytes.assign(blob->pbData, blob->pbData + blob->cbData);
      }
      {
        CMutexObjLock guard(lock);
        writes.push_back(write);
      }
      return CertSetCertificateContextProperty(certificate, id, flags, data);
    };
  }

  std::vector<Write> Take() {
    CMutexObjLock guard(lock);
    std::vector<Write> taken;
    taken.swap(writes);
    return taken;
  }

 private:
  CMutexObj lock;
  std::vector<Write> writes;
};

// The handler as the tests use it: short update pauses, a signal mutex of its own, no profiles,
// and the user's error messages recorded.
class CTestHandler : public CVSCProtocolHandler {
 public:
  explicit CTestHandler(std::unique_ptr<CCertStoreConfig> profiles = nullptr,
                        const std::wstring& mutexName = UniqueName(L"lumaPassHandlerTestMutex"))
      : CVSCProtocolHandler(std::make_shared<CVSCDriverMutex>(mutexName),
                            profiles ? std::move(profiles) : std::make_unique<CCertStoreConfig>(),
                            SharedExchangeKey()),
        mutexName(mutexName) {
    SetUpdateTimingForTesting(20, 20);
    SetComputerNameForTesting(L"DESK01");
  }

  void ShowError(const CAuthContext&, const std::wstring& message) override {
    CMutexObjLock guard(lock);
    errors.push_back(message);
  }

  // Registered as observer after the handler knows the provider, as the start-up does it.
  void Attach(const std::shared_ptr<CProviderContext>& provider) {
    AddProviderContext(provider);
    provider->AddObserver(this);
  }

  // Whether the virtual reader currently sees a card.
  bool IsCardInserted() const {
    const std::wstring name = L"Global\\" + mutexName;
    luma::CKernelHandle opened(OpenMutexW(SYNCHRONIZE, FALSE, name.c_str()));
    return static_cast<bool>(opened);
  }

  std::vector<std::wstring> errors;
  const std::wstring mutexName;

 private:
  CMutexObj lock;
};

}  // namespace luma::service::testing

#endif  // LUMA_SERVICE_HANDLER_TESTS_HANDLER_TEST_SUPPORT_H_
