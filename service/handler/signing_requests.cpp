// The workers of SignData and DecryptData: find the card certificate, check the block,
// authenticate, call the remote key operation and turn its outcome into the answer, telling the
// user what went wrong.
#include "foundation/win/debug_log.h"
#include "foundation/win/system_utils.h"
#include "service/core/key_operation_block.h"
#include "service/core/key_operation_outcome.h"
#include "service/handler/vsc_protocol_handler.h"
#include "service/requests/key_operation_call.h"

using namespace VirtualSmartCardProtocol;

namespace {

constexpr DWORD kStatusInvalidSession = ERROR_INVALID_HANDLE;  // 6
constexpr DWORD kStatusNoKeyContainer = 0x80100030;            // SCARD_E_NO_KEY_CONTAINER
constexpr DWORD kStatusInvalidParameter = 0x80100004;          // SCARD_E_INVALID_PARAMETER

struct KeyOperationTexts {
  UINT message;  // the user's message around the reason
  const wchar_t* success;
  const wchar_t* failure;  // %s: the reason
};

constexpr KeyOperationTexts kSignatureTexts = {luma::service::kStrSignatureFailed,
                                               L"Successfully created signature",
                                               L"Unable to create signature. Showing error message: %s"};
constexpr KeyOperationTexts kDecryptionTexts = {luma::service::kStrDecryptionFailed,
                                                L"Successfully decrypted data",
                                                L"Unable to decrypt data: Showing error message: %s"};

// The card certificate of the request's container, after the session check; false, with the
// status set, for an unknown session or container.
bool FindRequestedContainer(CVSCProtocolHandler& handler, const CCryptoRequest& request,
                            CCryptoResponse& response, CCertContext& context) {
  if (!handler.IsValidSession(request)) {
    response.SetStatus(kStatusInvalidSession);
    return false;
  }
  response.SetStatus(0);
  if (!handler.LookupCertContextByContainerName(request.GetContainerName(), context) ||
      !context.certificatePolicy) {
    response.SetStatus(kStatusNoKeyContainer);
    return false;
  }
  return true;
}

// The part both workers share once the session, the certificate and the block are checked.
void RunKeyOperation(CVSCProtocolHandler& handler, const CCertContext& context, const CCryptoRequest& request,
                     const luma::requests::KeyOperationCall& call, const KeyOperationTexts& texts,
                     CCryptoResponse& response) {
  CAuthResult auth;
  const DWORD code = handler.Authenticate(context, request, auth);
  if (code != 0) {
    response.SetStatus(code);
    return;
  }
  std::wstring errorText;
  const CSecureBuffer result = luma::requests::CallKeyOperation(context, auth, call, errorText);
  auth.Clear();
  // A result counts as success whatever the service's status was.
  if (!result.empty()) {
    CDebugLog::Log(LOG_INFO, L"%s", texts.success);
    response.SetStatus(0);
    response.SetResult(result);
    return;
  }
  CDebugLog::Log(LOG_INFO, texts.failure, errorText.c_str());
  response.SetStatus(luma::service::kKeyOperationFailed);  // set first: the dialog may fail
  handler.ShowError(CAuthContext(context.providerContext, context.policy, context.certificatePolicy),
                    luma::FormatResourceString(texts.message, errorText.c_str()));
}

}  // namespace

void CVSCProtocolHandler::handleTransactedCall(const CSignDataRequest& request, CSignDataResponse& response) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::handleTransactedCall SignData");
  CCertContext context(nullptr, nullptr, nullptr);
  if (!FindRequestedContainer(*this, request, response, context)) return;
  const CSecureBuffer& data = request.GetData();
  if (CDebugLog::IsLevelEnabled(LOG_DEBUG)) CDebugLog::LogHexDump(L"Data to sign", data.data, data.size);
  luma::service::SignBlock block =
      luma::service::ClassifySignBlock(data, context.certificatePolicy->descriptor.keyLengthBits);
  if (block.kind == luma::service::SignBlockKind::kWrongLength) {
    response.SetStatus(kStatusInvalidParameter);
    return;
  }
  luma::requests::KeyOperationCall call;
  call.operation = block.kind == luma::service::SignBlockKind::kDigestInfo
                       ? luma::requests::KeyOperation::kPkcs1Sign
                       : luma::requests::KeyOperation::kRawDecrypt;
  call.data = std::move(block.payload);
  call.exchangeKey = GetDataExchangeKey();
  call.rememberCertificate = true;
  RunKeyOperation(*this, context, request, call, kSignatureTexts, response);
}

void CVSCProtocolHandler::handleTransactedCall(const CDecryptDataRequest& request,
                                               CDecryptDataResponse& response) {
  CDebugLog::Log(LOG_TRACE, L"CVSCProtocolHandler::handleTransactedCall DecryptData");
  CCertContext context(nullptr, nullptr, nullptr);
  if (!FindRequestedContainer(*this, request, response, context)) return;
  luma::requests::KeyOperationCall call;
  call.operation = luma::requests::KeyOperation::kRawDecrypt;
  call.data = request.GetData();
  call.data.Reverse();  // the caller's block is little-endian, the service's big-endian
  call.exchangeKey = GetDataExchangeKey();
  call.rememberCertificate = false;
  RunKeyOperation(*this, context, request, call, kDecryptionTexts, response);
}
