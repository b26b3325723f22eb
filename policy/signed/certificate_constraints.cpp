#include "policy/signed/certificate_constraints.h"

#include <windows.h>
// after windows.h
#include <shlwapi.h>

#include "foundation/win/system_utils.h"

CCertificateConstraints::CCertificateConstraints(const CSecureBuffer& encoded)
    : CCertificateConstraints(luma::policy::DecodeCertificateConstraints(encoded)) {}

CCertificateConstraints::CCertificateConstraints(const luma::policy::CertificateConstraintsFields& fields)
    : version(fields.version) {
  for (const std::wstring& pattern : fields.processNames)
    processNames.push_back(luma::ExpandEnvironmentText(pattern));
}

bool CCertificateConstraints::IsProcessAllowed(const std::wstring& processPath) const {
  if (processNames.empty()) return true;
  for (const std::wstring& pattern : processNames) {
    if (PathMatchSpecW(processPath.c_str(), pattern.c_str())) return true;
  }
  return false;
}
