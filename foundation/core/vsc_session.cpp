#include "foundation/core/vsc_session.h"

namespace VirtualSmartCardProtocol {

CVirtualSmartCardSession::CVirtualSmartCardSession(const COpenSessionRequest& request)
    : readerName(request.GetReaderName()),
      processPath(request.GetProcessPath()),
      processVersion(request.GetProcessVersion()),
      clientVersion(request.GetClientVersion()),
      computerName(request.GetClientComputerName()) {
  // Case-sensitive on the first 23 characters; a shorter name never matches.
  const WString prefix(kPaddedReaderPrefix);
  vmwareCCID = readerName.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace VirtualSmartCardProtocol
