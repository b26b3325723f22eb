// The plug-ins' session client of the pipe protocol: opens and closes a session at lumaPassV, reads
// the key containers and forwards signature and decryption blocks, polling while a request runs.
#ifndef LUMA_PLUGINS_COMMON_VIRTUAL_SMART_CARD_CLIENT_H_
#define LUMA_PLUGINS_COMMON_VIRTUAL_SMART_CARD_CLIENT_H_

#include <string>

#include "foundation/core/vsc_session_messages.h"
#include "plugins/common/remoting_client.h"

// The pause between two CheckTransaction requests while lumaPassV answers "not ready".
constexpr DWORD kPollIntervalMilliseconds = 250;

namespace luma::plugin {
// Makes the target a 16-byte copy of the identifier; an allocation failure leaves it empty.
void AssignSessionId(CSecureBuffer& target, const BYTE* sessionId);
}  // namespace luma::plugin

// Throws nothing: it runs under the plug-ins' exported entry points. A client whose identity strings
// could not be stored for want of memory is not usable, and its every operation fails with
// ERROR_NOT_ENOUGH_MEMORY.
class CVirtualSmartCardClient {
 public:
  // The transport is not owned: the owner creates it first and destroys it after this client.
  CVirtualSmartCardClient(CRemotingClient* transport, const wchar_t* readerName) noexcept;
  ~CVirtualSmartCardClient() = default;
  CVirtualSmartCardClient(const CVirtualSmartCardClient&) = delete;
  CVirtualSmartCardClient& operator=(const CVirtualSmartCardClient&) = delete;

  // Every operation returns the status of lumaPassV unchanged, or ERROR_READ_FAULT when the exchange
  // failed, and leaves that value as the thread's last error. Outputs are written for status 0 only.
  DWORD OpenSession(BYTE sessionId[16], DWORD& containerCount) noexcept;
  DWORD CloseSession(const BYTE sessionId[16]) noexcept;
  DWORD GetContainerInfo(const BYTE sessionId[16], DWORD index, CSecureBuffer& containerInfo,
                         CSecureBuffer& keyInfo, CSecureBuffer& certificate) noexcept;
  DWORD SignData(const BYTE sessionId[16], const std::wstring& containerName, DWORD hashAlgorithm,
                 const CSecureBuffer& paddedBlock, CSecureBuffer& result) noexcept;
  DWORD DecryptData(const BYTE sessionId[16], const std::wstring& containerName,
                    const CSecureBuffer& cipherBlock, CSecureBuffer& result) noexcept;

  bool isUsable() const noexcept { return usable; }

  // One transport call, repeated once after a reset answer.
  bool Transact(const CSecureBuffer& request, CSecureBuffer& reply) noexcept;
  // One complete exchange: false when the request cannot be sent or the reply cannot be decoded as
  // the response's type. A pending answer is polled until it changes, without a time limit: the
  // user may sit in lumaPassV's authentication dialog for as long as it takes.
  bool SendRequest(const VirtualSmartCardProtocol::CRequestMessage& request,
                   VirtualSmartCardProtocol::CResponseMessage& response) noexcept;

  // These copy, so they may throw std::bad_alloc.
  std::wstring GetProcessPath() const { return processPath; }
  std::wstring GetProcessVersion() const { return processVersion; }
  std::wstring GetClientVersion() const { return clientVersion; }

 private:
  // Turns the outcome of an exchange into the operation's status and last error.
  DWORD Finish(bool exchanged, DWORD status) const noexcept;
  void CollectIdentity(const wchar_t* reader);
  bool SendRequestOrThrow(const VirtualSmartCardProtocol::CRequestMessage& request,
                          VirtualSmartCardProtocol::CResponseMessage& response);

  CRemotingClient* transport;
  bool usable = false;
  std::wstring readerName;
  std::wstring processPath;
  std::wstring processVersion;
  std::wstring clientVersion;
  std::wstring computerName;
};

#endif  // LUMA_PLUGINS_COMMON_VIRTUAL_SMART_CARD_CLIENT_H_
