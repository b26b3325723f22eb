#include "foundation/core/vsc_session_messages.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "foundation/core/tests/test_bytes.h"

namespace VirtualSmartCardProtocol {
namespace {

CSecureBuffer SessionId() {
  CSecureBuffer id(kSessionIdSize);
  for (DWORD i = 0; i < id.size; ++i) id.data[i] = static_cast<BYTE>(0xA0 + i);
  return id;
}

// Each case builds a filled message and an empty one of the same class; the round trip must give
// back the same wire bytes.
struct RoundTripCase {
  const char* name;
  std::function<std::unique_ptr<CSerializableMessage>()> filled;
  std::function<std::unique_ptr<CSerializableMessage>()> fresh;
};

template <typename T>
std::function<std::unique_ptr<CSerializableMessage>()> Fresh() {
  return [] { return std::make_unique<T>(); };
}

std::vector<RoundTripCase> RoundTripCases() {
  return {
      {"CheckTransaction",
       [] {
         auto m = std::make_unique<CCheckTransactionRequest>();
         m->SetRequestType(MessageTypeSignData);
         m->SetTransactionId(42);
         return m;
       },
       Fresh<CCheckTransactionRequest>()},
      {"CancelTransaction",
       [] {
         auto m = std::make_unique<CCancelTransactionRequest>();
         m->SetRequestType(MessageTypeDecryptData);
         m->SetTransactionId(7);
         return m;
       },
       Fresh<CCancelTransactionRequest>()},
      {"OpenSessionRequest",
       [] {
         auto m = std::make_unique<COpenSessionRequest>();
         m->SetReaderName(WSTR("lumaPassKSP"));
         m->SetProcessPath(WSTR("C:\\Program Files\\app.exe"));
         m->SetProcessVersion(WSTR("1.2.3.4"));
         m->SetClientVersion(WSTR("0.0.0.0"));
         m->SetClientComputerName(WSTR("DESKTOP-1"));
         return m;
       },
       Fresh<COpenSessionRequest>()},
      {"OpenSessionResponse",
       [] {
         auto m = std::make_unique<COpenSessionResponse>();
         m->SetStatus(0);
         m->SetSessionId(SessionId());
         m->SetContainerCount(3);
         return m;
       },
       Fresh<COpenSessionResponse>()},
      {"VerifySessionRequest",
       [] {
         auto m = std::make_unique<CVerifySessionRequest>();
         m->SetSessionId(SessionId());
         return m;
       },
       Fresh<CVerifySessionRequest>()},
      {"VerifySessionResponse",
       [] {
         auto m = std::make_unique<CVerifySessionResponse>();
         m->SetStatus(ERROR_INVALID_HANDLE);
         return m;
       },
       Fresh<CVerifySessionResponse>()},
      {"CloseSessionRequest",
       [] {
         auto m = std::make_unique<CCloseSessionRequest>();
         m->SetSessionId(SessionId());
         return m;
       },
       Fresh<CCloseSessionRequest>()},
      {"CloseSessionResponse",
       [] {
         auto m = std::make_unique<CCloseSessionResponse>();
         m->SetStatus(0);
         return m;
       },
       Fresh<CCloseSessionResponse>()},
      {"GetContainerInfoRequest",
       [] {
         auto m = std::make_unique<CGetContainerInfoRequest>();
         m->SetSessionId(SessionId());
         m->SetIndex(2);
         return m;
       },
       Fresh<CGetContainerInfoRequest>()},
      {"GetContainerInfoResponse",
       [] {
         auto m = std::make_unique<CGetContainerInfoResponse>();
         m->SetStatus(0);
         ContainerInfoRecord record{WSTR("{0123}"), 0, 2, 2048};
         m->SetContainerInfo(record.Encode());
         m->SetKeyInfo(ContainerKeyInfoRecord::ForCertificate(1, 0xC0).Encode());
         m->SetCertificate(CSecureBuffer(2048));
         return m;
       },
       Fresh<CGetContainerInfoResponse>()},
      {"GetCertStoreInfoRequest",
       [] {
         auto m = std::make_unique<CGetCertStoreInfoRequest>();
         m->SetSessionId(SessionId());
         m->SetIndex(1);
         return m;
       },
       Fresh<CGetCertStoreInfoRequest>()},
      {"GetCertStoreInfoResponse",
       [] {
         auto m = std::make_unique<CGetCertStoreInfoResponse>();
         m->SetStatus(0);
         m->SetAllowed(1);
         m->SetProviderName(WSTR("lumaPassKSP"));
         m->SetProviderType(0);
         m->SetContainerName(WSTR("{0123}"));
         m->SetKeySpec(2);
         m->SetExpired(1);
         m->SetFriendlyName(WSTR("Corp - Alice"));
         m->SetAccountKey(WSTR("corp/alice"));
         m->SetCardReaderImage(WSTR("reader.png"));
         return m;
       },
       Fresh<CGetCertStoreInfoResponse>()},
      {"SignDataRequest",
       [] {
         auto m = std::make_unique<CSignDataRequest>();
         m->SetSessionId(SessionId());
         m->SetContainerName(WSTR("{0123}"));
         m->SetAlgorithmId(0x800c);
         m->SetData(Bytes({0, 1, 0xFF, 0xFF, 0, 0x30}));
         return m;
       },
       Fresh<CSignDataRequest>()},
      {"DecryptDataRequest",
       [] {
         auto m = std::make_unique<CDecryptDataRequest>();
         m->SetSessionId(SessionId());
         m->SetContainerName(WSTR("{4567}"));
         m->SetData(Bytes({1, 2, 3}));
         return m;
       },
       Fresh<CDecryptDataRequest>()},
      {"SignDataResponse",
       [] {
         auto m = std::make_unique<CSignDataResponse>();
         m->SetStatus(ERROR_NOT_READY);
         m->SetTransactionId(5);
         return m;
       },
       Fresh<CSignDataResponse>()},
      {"DecryptDataResponse",
       [] {
         auto m = std::make_unique<CDecryptDataResponse>();
         m->SetStatus(0);
         m->SetResult(Bytes({'h', 'i'}));
         return m;
       },
       Fresh<CDecryptDataResponse>()},
  };
}

TEST(SessionMessagesTest, EveryClassRoundTripsToTheSameBytes) {
  for (const auto& c : RoundTripCases()) {
    const CSecureBuffer wire = ToWire(*c.filled());
    ASSERT_FALSE(wire.empty()) << c.name;
    auto read = c.fresh();
    ASSERT_TRUE(FromWire(wire, *read)) << c.name;
    EXPECT_EQ(ToWire(*read), wire) << c.name;
    EXPECT_NE(ToWire(*c.fresh()), wire) << c.name << ": the case must differ from the defaults";
  }
}

TEST(SessionMessagesTest, ReadingAnotherClassesTypeFails) {
  CCheckTransactionRequest check;
  CCancelTransactionRequest cancel;
  EXPECT_FALSE(FromWire(ToWire(CCancelTransactionRequest()), check));
  EXPECT_FALSE(FromWire(ToWire(CCheckTransactionRequest()), cancel));

  CSignDataResponse sign;
  EXPECT_FALSE(FromWire(ToWire(CDecryptDataResponse()), sign));
  CVerifySessionResponse verify;
  EXPECT_FALSE(FromWire(ToWire(CCloseSessionResponse()), verify));
}

TEST(SessionMessagesTest, OpenSessionComputerNameIsOptionalButMustBeAString) {
  CMessageSerialization six;
  six.AddDWORD(MessageTypeOpenSession);
  six.AddDWORD(77);  // any version is accepted
  for (const auto* text : {WSTR("reader"), WSTR("path"), WSTR("1.0"), WSTR("2.0")}) six.AddString(text);
  CSecureBuffer wire;
  ASSERT_TRUE(six.Serialize(wire));
  COpenSessionRequest request;
  request.SetClientComputerName(WSTR("stale"));
  ASSERT_TRUE(FromWire(wire, request));
  EXPECT_EQ(request.GetVersion(), 77u);
  EXPECT_EQ(request.GetReaderName(), WSTR("reader"));
  EXPECT_EQ(request.GetClientVersion(), WSTR("2.0"));
  EXPECT_EQ(request.GetClientComputerName(), WSTR(""));

  six.AddDWORD(5);
  ASSERT_TRUE(six.Serialize(wire));
  EXPECT_FALSE(FromWire(wire, request));
}

TEST(SessionMessagesTest, PaddedResponseCarriesMinusOneBehindTheHeader) {
  CVerifySessionResponse response;
  response.SetStatus(0);
  CMessageSerialization plain;
  ASSERT_TRUE(response.Serialize(plain));
  EXPECT_EQ(plain.ElementCount(), 4u);

  response.SetPadded(true);
  CMessageSerialization padded;
  ASSERT_TRUE(response.Serialize(padded));
  ASSERT_EQ(padded.ElementCount(), 5u);
  EXPECT_EQ(padded.Elements()[4].type, static_cast<DWORD>(ElementTypeDWORD));
  EXPECT_EQ(padded.Elements()[4].value, Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(SessionMessagesTest, ConstructorDefaults) {
  CGetContainerInfoResponse response;
  CMessageSerialization s;
  ASSERT_TRUE(response.Serialize(s));
  ASSERT_EQ(s.ElementCount(), 7u);
  EXPECT_EQ(s.Elements()[2].value, Bytes({13, 0, 0, 0}));  // status ERROR_INVALID_DATA
  EXPECT_EQ(s.Elements()[3].value, Bytes({0, 0, 0, 0}));
  EXPECT_EQ(s.Elements()[4].value, CSecureBuffer(92));
  EXPECT_EQ(s.Elements()[5].value, CSecureBuffer(24));
  EXPECT_TRUE(s.Elements()[6].value.empty());

  CSignDataRequest request;
  EXPECT_EQ(request.GetVersion(), 1u);
  EXPECT_EQ(request.GetSessionId(), CSecureBuffer(16));
  EXPECT_EQ(COpenSessionResponse().GetSessionId(), CSecureBuffer(16));
}

TEST(SessionMessagesTest, ContainerInfoRecordLayout) {
  ContainerInfoRecord record;
  record.name = WString(38, WSTR("x")[0]);
  record.keySpec = 1;
  record.keyBits = 2048;
  const CSecureBuffer blob = record.Encode();
  ASSERT_EQ(blob.size, 92u);
  EXPECT_EQ(blob.data[74], 'x');
  for (int i = 76; i < 80; ++i) EXPECT_EQ(blob.data[i], 0) << i;
  EXPECT_EQ(blob.data[84], 1);
  EXPECT_EQ(blob.data[89], 8);  // 2048 = 0x800

  record.name = WString(45, WSTR("y")[0]);
  ContainerInfoRecord back;
  ASSERT_TRUE(ContainerInfoRecord::Decode(record.Encode(), back));
  EXPECT_EQ(back.name.size(), 39u);
  EXPECT_FALSE(ContainerInfoRecord::Decode(CSecureBuffer(91), back));

  struct UsageCase {
    BYTE usage;
    DWORD cls;
  } usages[] = {{0x00, 2}, {0x20, 2}, {0x80, 1}, {0xC0, 3}, {0x40, 2}};
  for (const auto& u : usages)
    EXPECT_EQ(ContainerKeyInfoRecord::ForCertificate(1, u.usage).values[3], u.cls) << int(u.usage);
  ContainerKeyInfoRecord key;
  ASSERT_TRUE(ContainerKeyInfoRecord::Decode(ContainerKeyInfoRecord::ForCertificate(1, 0x80).Encode(), key));
  const DWORD expected[6] = {1, 0, 1, 1, 3, 0};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(key.values[i], expected[i]);
}

TEST(SessionMessagesTest, LeftoverElementsAreIgnoredAndMissingOnesFail) {
  CSignDataRequest request;
  request.SetData(Bytes({1}));
  CMessageSerialization s;
  ASSERT_TRUE(request.Serialize(s));
  s.AddString(WSTR("extra"));
  CSecureBuffer wire;
  ASSERT_TRUE(s.Serialize(wire));
  CSignDataRequest read;
  EXPECT_TRUE(FromWire(wire, read));

  CMessageSerialization truncated;
  truncated.AddDWORD(MessageTypeSignData);
  truncated.AddDWORD(1);
  truncated.AddBlob(CSecureBuffer(16));
  truncated.AddString(WSTR("c"));
  ASSERT_TRUE(truncated.Serialize(wire));
  EXPECT_FALSE(FromWire(wire, read));
}

}  // namespace
}  // namespace VirtualSmartCardProtocol
