#include "plugins/csp/tests/csp_rsa_key.h"

#include "foundation/core/tests/test_bytes.h"
#include "foundation/core/vsc_session_messages.h"

using namespace VirtualSmartCardProtocol;

namespace luma::csp {

CTestRsaKey::CTestRsaKey() {
  if (!COpenSslTool::IsAvailable()) return;
  if (COpenSslTool::Run(folder, L"req -x509 -newkey rsa:2048 -nodes -keyout " + folder.UnixPath(L"key.pem") +
                                    L" -outform DER -out " + folder.UnixPath(L"cert.der") +
                                    L" -subj /CN=lumaPassCSPTest -days 2") != 0 ||
      COpenSslTool::Run(folder, L"rsa -in " + folder.UnixPath(L"key.pem") + L" -pubout -out " +
                                    folder.UnixPath(L"public.pem")) != 0) {
    return;
  }
  certificate = folder.Read(L"cert.der");
  ready = !certificate.empty();
}

CSecureBuffer CTestRsaKey::PrivateOperation(const CSecureBuffer& block) const {
  DeleteFileW(folder.WindowsPath(L"raw_out.bin").c_str());
  if (!folder.Write(L"raw_in.bin", block) ||
      COpenSslTool::Run(folder, L"pkeyutl -decrypt -inkey " + folder.UnixPath(L"key.pem") +
                                    L" -pkeyopt rsa_padding_mode:none -in " + folder.UnixPath(L"raw_in.bin") +
                                    L" -out " + folder.UnixPath(L"raw_out.bin")) != 0) {
    return CSecureBuffer();
  }
  return folder.Read(L"raw_out.bin");
}

bool CTestRsaKey::VerifiesSha256(const CSecureBuffer& data, const CSecureBuffer& signature) const {
  return folder.Write(L"signed.bin", data) && folder.Write(L"signature.bin", signature) &&
         COpenSslTool::Run(folder, L"dgst -sha256 -verify " + folder.UnixPath(L"public.pem") +
                                       L" -signature " + folder.UnixPath(L"signature.bin") + L" " +
                                       folder.UnixPath(L"signed.bin")) == 0;
}

CSecureBuffer CTestRsaKey::Encrypt(const CSecureBuffer& data, const std::wstring& padding) const {
  DeleteFileW(folder.WindowsPath(L"cipher.bin").c_str());
  if (!folder.Write(L"plain.bin", data) ||
      COpenSslTool::Run(folder, L"pkeyutl -encrypt -pubin -inkey " + folder.UnixPath(L"public.pem") +
                                    L" -pkeyopt rsa_padding_mode:" + padding + L" -in " +
                                    folder.UnixPath(L"plain.bin") + L" -out " +
                                    folder.UnixPath(L"cipher.bin")) != 0) {
    return CSecureBuffer();
  }
  return folder.Read(L"cipher.bin");
}

CScriptedPipeServer::Script SigningScript(std::vector<luma::plugin::TestContainer> containers,
                                          const CTestRsaKey& key) {
  CScriptedPipeServer::Script containerScript = luma::plugin::ContainerScript(std::move(containers));
  return [containerScript, &key](const CSecureBuffer& request) {
    const DWORD type = luma::plugin::MessageTypeOf(request);
    if (type == MessageTypeSignData) {
      CSignDataRequest parsed;
      CSignDataResponse response;
      const CSecureBuffer signature =
          FromWire(request, parsed) ? key.PrivateOperation(parsed.GetData()) : CSecureBuffer();
      response.SetStatus(signature.empty() ? NTE_BAD_DATA : 0);
      response.SetResult(signature);
      return ToWire(response);
    }
    if (type == MessageTypeDecryptData) {
      CDecryptDataRequest parsed;
      CDecryptDataResponse response;
      const CSecureBuffer block =
          FromWire(request, parsed) ? key.PrivateOperation(Reversed(parsed.GetData())) : CSecureBuffer();
      response.SetStatus(block.empty() ? NTE_BAD_DATA : 0);
      response.SetResult(block);
      return ToWire(response);
    }
    return containerScript(request);
  };
}

CSecureBuffer Reversed(const CSecureBuffer& bytes) {
  CSecureBuffer reversed(bytes);
  reversed.Reverse();
  return reversed;
}

}  // namespace luma::csp
