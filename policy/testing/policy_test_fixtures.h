// Signed policies of the context fixtures, a provider configuration over a test folder and a
// recorder of policy notifications.
#ifndef LUMA_POLICY_TESTING_POLICY_TEST_FIXTURES_H_
#define LUMA_POLICY_TESTING_POLICY_TEST_FIXTURES_H_

#include <windows.h>

#include <list>
#include <memory>
#include <string>
#include <vector>

#include "foundation/core/mutex_obj.h"
#include "foundation/core/string_utils.h"
#include "foundation/win/system_utils.h"
#include "policy/account/policy_observer.h"
#include "policy/config/provider_config.h"
#include "policy/signed/policy.h"
#include "policy/signed/policy_store.h"

namespace policy_test {

// The fixture folder as a Windows path (Wine maps the Unix root to drive Z:).
inline std::wstring FixturePath(const std::wstring& relative) {
  std::wstring folder = luma::NarrowToWide(std::string(LUMA_TESTDATA_DIR));
  if (!folder.empty() && folder[0] == L'/') folder = L"Z:" + folder;
  for (wchar_t& c : folder) {
    if (c == L'/') c = L'\\';
  }
  return folder + L"\\policy\\" + relative;
}

inline CSecureBuffer ReadFixture(const std::wstring& relative) {
  CSecureBuffer bytes;
  luma::ReadFileData(FixturePath(relative), bytes);
  return bytes;
}

// The signed policy of an account: "alice", "alice_later", "alice_changed", "bob", "elsewhere".
inline CSecureBuffer SignedPolicy(const std::wstring& name) {
  return ReadFixture(L"context\\" + name + L".p7");
}

inline std::list<CSecureBuffer> TrustedSigners() { return {ReadFixture(L"policy_ca.der")}; }

inline CProviderConfig MakeConfig(const std::wstring& folder, const std::wstring& name = L"ACME") {
  CProviderConfig config;
  config.name = name;
  config.PolicyStore = folder;
  return config;
}

inline CPolicyPtr Decode(const CProviderConfig& config, const std::wstring& name) {
  return std::make_shared<CPolicy>(luma::policy::MakePolicyProviderSettings(config), TrustedSigners(),
                                   SignedPolicy(name));
}

inline bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

inline CSecureBuffer FileBytes(const std::wstring& path) {
  CSecureBuffer bytes;
  luma::ReadFileData(path, bytes);
  return bytes;
}

// Notifications as "added alice", "removed alice", "updated bob", in the order they came.
class CRecordingObserver : public CPolicyObserver {
 public:
  void PolicyAdded(const CPolicyPtr& policy) override { Record(L"added ", policy); }
  void PolicyRemoved(const CPolicyPtr& policy) override { Record(L"removed ", policy); }
  void PolicyUpdated(const CPolicyPtr& policy) override { Record(L"updated ", policy); }

  std::vector<std::wstring> Take() {
    CMutexObjLock lock(mutex);
    std::vector<std::wstring> taken;
    taken.swap(events);
    return taken;
  }
  std::vector<CPolicyPtr> policies;

 private:
  void Record(const wchar_t* what, const CPolicyPtr& policy) {
    CMutexObjLock lock(mutex);
    events.push_back(what + policy->userId);
    policies.push_back(policy);
  }
  CMutexObj mutex;
  std::vector<std::wstring> events;
};

}  // namespace policy_test

#endif  // LUMA_POLICY_TESTING_POLICY_TEST_FIXTURES_H_
