// One pipe session: who opened it, as the OpenSession request told.
#ifndef LUMA_FOUNDATION_CORE_VSC_SESSION_H_
#define LUMA_FOUNDATION_CORE_VSC_SESSION_H_

#include "foundation/core/vsc_session_messages.h"

namespace VirtualSmartCardProtocol {

class CVirtualSmartCardSession {
 public:
  // Reader names with this prefix ask for padded responses.
  static constexpr const WCHAR* kPaddedReaderPrefix = WSTR("VMware Virtual USB CCID");

  CVirtualSmartCardSession() = default;
  explicit CVirtualSmartCardSession(const COpenSessionRequest& request);
  CVirtualSmartCardSession(const CVirtualSmartCardSession&) = default;
  CVirtualSmartCardSession& operator=(const CVirtualSmartCardSession&) = default;
  virtual ~CVirtualSmartCardSession() = default;

  WString GetReaderName() const { return readerName; }
  WString GetProcessPath() const { return processPath; }
  WString GetProcessVersion() const { return processVersion; }
  WString GetClientVersion() const { return clientVersion; }
  WString GetComputerName() const { return computerName; }
  bool IsVmwareCCID() const { return vmwareCCID; }

 private:
  WString readerName;
  WString processPath;
  WString processVersion;
  WString clientVersion;
  WString computerName;
  bool vmwareCCID = false;
};

}  // namespace VirtualSmartCardProtocol

#endif  // LUMA_FOUNDATION_CORE_VSC_SESSION_H_
