#include "plugins/common/virtual_smart_card_client.h"

#include <windows.h>

#include <cstring>

#include "plugins/common/file_product_version.h"

using namespace VirtualSmartCardProtocol;
using luma::plugin::AssignSessionId;
using luma::plugin::GetFileProductVersion;

namespace {

constexpr DWORD kResetCard = 0x80100068;  // SCARD_W_RESET_CARD: the transport asks to be reset
constexpr DWORD kPathChars = 2048;
constexpr DWORD kComputerNameChars = 16;

std::wstring ModulePath(HMODULE module) {
  wchar_t path[kPathChars] = {};
  const DWORD length = GetModuleFileNameW(module, path, kPathChars);
  return std::wstring(path, length < kPathChars ? length : 0);
}

// The module this library is linked into: the plug-in DLL, or the program in tests.
HMODULE OwnModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&OwnModule), &module);
  return module;
}

std::wstring ComputerName() {
  wchar_t name[kComputerNameChars] = {};
  DWORD length = kComputerNameChars;
  if (!GetComputerNameW(name, &length)) return std::wstring();
  return std::wstring(name, length);
}

CSecureBuffer SessionIdBuffer(const BYTE* sessionId) {
  CSecureBuffer buffer;
  AssignSessionId(buffer, sessionId);
  return buffer;
}

bool ToBytes(const CSerializableMessage& message, CSecureBuffer& bytes) {
  CMessageSerialization serialization;
  return message.Serialize(serialization) && serialization.Serialize(bytes);
}

bool FromBytes(const CSecureBuffer& bytes, CSerializableMessage& message) {
  CMessageSerialization serialization;
  DWORD consumed = 0;
  return serialization.Deserialize(bytes, consumed) && message.Deserialize(serialization);
}

// Copies a result block out of a response; false when the copy cannot be allocated, so that a
// missing result is never handed on as a successful one.
bool CopyOut(const CSecureBuffer& from, CSecureBuffer& to) {
  to = from;
  return to.size == from.size;
}

}  // namespace

namespace luma::plugin {
void AssignSessionId(CSecureBuffer& target, const BYTE* sessionId) {
  target = CSecureBuffer(kSessionIdSize, sessionId);
}
}  // namespace luma::plugin

CVirtualSmartCardClient::CVirtualSmartCardClient(CRemotingClient* transport,
                                                 const wchar_t* readerName) noexcept
    : transport(transport) {
  try {
    CollectIdentity(readerName);
    usable = true;
  } catch (const std::bad_alloc&) {
    usable = false;
  }
}

void CVirtualSmartCardClient::CollectIdentity(const wchar_t* reader) {
  readerName = reader != nullptr ? reader : L"";
  processPath = ModulePath(nullptr);
  processVersion = GetFileProductVersion(processPath.c_str());
  const std::wstring clientPath = ModulePath(OwnModule());
  clientVersion = GetFileProductVersion(clientPath.c_str());
  computerName = ComputerName();
}

bool CVirtualSmartCardClient::Transact(const CSecureBuffer& request, CSecureBuffer& reply) noexcept {
  if (transport == nullptr) return false;
  const DWORD result = transport->Transact(request, reply);
  if (result != kResetCard) return result == 0;
  if (transport->Reset() != 0) return false;
  return transport->Transact(request, reply) == 0;
}

bool CVirtualSmartCardClient::SendRequest(const CRequestMessage& request,
                                          CResponseMessage& response) noexcept {
  if (!usable) return false;
  try {
    return SendRequestOrThrow(request, response);
  } catch (...) {
    return false;
  }
}

bool CVirtualSmartCardClient::SendRequestOrThrow(const CRequestMessage& request, CResponseMessage& response) {
  response.SetStatus(ERROR_INVALID_DATA);
  CSecureBuffer requestBytes;
  if (!ToBytes(request, requestBytes)) return false;
  CSecureBuffer replyBytes;
  if (!Transact(requestBytes, replyBytes) || !FromBytes(replyBytes, response)) return false;
  if (!response.IsPending()) return true;

  // The request runs on in lumaPassV: ask for its answer until it is no longer pending.
  CCheckTransactionRequest check;
  check.SetRequestType(request.GetType());
  check.SetTransactionId(response.GetTransactionId());
  if (!ToBytes(check, requestBytes)) return false;
  for (;;) {
    Sleep(kPollIntervalMilliseconds);
    if (!Transact(requestBytes, replyBytes) || !FromBytes(replyBytes, response)) return false;
    if (response.GetType() != request.GetType()) return false;
    if (!response.IsPending()) return true;
  }
}

DWORD CVirtualSmartCardClient::Finish(bool exchanged, DWORD status) const noexcept {
  const DWORD result = !usable ? ERROR_NOT_ENOUGH_MEMORY : exchanged ? status : ERROR_READ_FAULT;
  SetLastError(result);
  return result;
}

DWORD CVirtualSmartCardClient::OpenSession(BYTE sessionId[16], DWORD& containerCount) noexcept {
  std::memset(sessionId, 0, kSessionIdSize);
  containerCount = 0;
  COpenSessionRequest request;
  COpenSessionResponse response;
  bool exchanged = false;
  try {
    request.SetReaderName(readerName);
    request.SetProcessPath(processPath);
    request.SetProcessVersion(processVersion);
    request.SetClientVersion(clientVersion);
    request.SetClientComputerName(computerName);
    // A session identifier of another length is as undecodable as a missing one.
    exchanged = SendRequest(request, response) && response.GetSessionId().size == kSessionIdSize;
  } catch (...) {
    exchanged = false;
  }
  if (exchanged && response.GetStatus() == 0) {
    std::memcpy(sessionId, response.GetSessionId().data, kSessionIdSize);
    containerCount = response.GetContainerCount();
  }
  return Finish(exchanged, response.GetStatus());
}

DWORD CVirtualSmartCardClient::CloseSession(const BYTE sessionId[16]) noexcept {
  CCloseSessionRequest request;
  CCloseSessionResponse response;
  request.SetSessionId(SessionIdBuffer(sessionId));  // copies with CSecureBuffer: nothing throws
  const bool exchanged = SendRequest(request, response);
  return Finish(exchanged, response.GetStatus());
}

DWORD CVirtualSmartCardClient::GetContainerInfo(const BYTE sessionId[16], DWORD index,
                                                CSecureBuffer& containerInfo, CSecureBuffer& keyInfo,
                                                CSecureBuffer& certificate) noexcept {
  containerInfo.Clear();
  keyInfo.Clear();
  certificate.Clear();
  CGetContainerInfoRequest request;
  CGetContainerInfoResponse response;
  request.SetSessionId(SessionIdBuffer(sessionId));  // copies with CSecureBuffer: nothing throws
  request.SetIndex(index);
  bool exchanged = SendRequest(request, response);
  if (exchanged && response.GetStatus() == 0) {
    exchanged = CopyOut(response.GetContainerInfo(), containerInfo) &&
                CopyOut(response.GetKeyInfo(), keyInfo) && CopyOut(response.GetCertificate(), certificate);
    if (!exchanged) {
      containerInfo.Clear();
      keyInfo.Clear();
      certificate.Clear();
    }
  }
  return Finish(exchanged, response.GetStatus());
}

DWORD CVirtualSmartCardClient::SignData(const BYTE sessionId[16], const std::wstring& containerName,
                                        DWORD hashAlgorithm, const CSecureBuffer& paddedBlock,
                                        CSecureBuffer& result) noexcept {
  result.Clear();
  CSignDataRequest request;
  CSignDataResponse response;
  bool exchanged = false;
  try {
    request.SetSessionId(SessionIdBuffer(sessionId));
    request.SetContainerName(containerName);
    request.SetReserved(0);
    request.SetAlgorithmId(hashAlgorithm);
    request.SetData(paddedBlock);
    exchanged = SendRequest(request, response);
  } catch (...) {
    exchanged = false;
  }
  if (exchanged && response.GetStatus() == 0) exchanged = CopyOut(response.GetResult(), result);
  return Finish(exchanged, response.GetStatus());
}

DWORD CVirtualSmartCardClient::DecryptData(const BYTE sessionId[16], const std::wstring& containerName,
                                           const CSecureBuffer& cipherBlock, CSecureBuffer& result) noexcept {
  result.Clear();
  CDecryptDataRequest request;
  CDecryptDataResponse response;
  bool exchanged = false;
  try {
    request.SetSessionId(SessionIdBuffer(sessionId));
    request.SetContainerName(containerName);
    request.SetData(cipherBlock);
    exchanged = SendRequest(request, response);
  } catch (...) {
    exchanged = false;
  }
  if (exchanged && response.GetStatus() == 0) exchanged = CopyOut(response.GetResult(), result);
  return Finish(exchanged, response.GetStatus());
}
