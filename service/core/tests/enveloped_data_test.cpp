#include "service/core/enveloped_data.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>

#include "foundation/core/der_codec.h"
#include "service/core/tests/envelope_sample.h"

namespace {
using luma::service::Envelope;
using luma::service::EnvelopeFault;
using luma::service::IssuerAndSerial;

const CSecureBuffer kSampleEnvelope(sizeof(envelope_sample::kEnvelope), envelope_sample::kEnvelope);
const CSecureBuffer kSampleCertificate(sizeof(envelope_sample::kCertificate), envelope_sample::kCertificate);

CSecureBuffer Element(BYTE tag, std::initializer_list<CSecureBuffer> children) {
  CSecureBuffer content, out;
  for (const CSecureBuffer& child : children) content.Append(child.size, child.data);
  luma::der::AppendElement(tag, content.data, content.size, out);
  return out;
}

CSecureBuffer Primitive(BYTE tag, DWORD size, BYTE fill = 0x5A) {
  CSecureBuffer content(size), out;
  for (DWORD i = 0; i < size; ++i) content.data[i] = fill;
  luma::der::AppendElement(tag, content.data, content.size, out);
  return out;
}

CSecureBuffer Oid(const std::string& dotted) {
  CSecureBuffer content, out;
  luma::der::EncodeOid(dotted, content);
  luma::der::AppendElement(luma::der::kTagOid, content.data, content.size, out);
  return out;
}

CSecureBuffer Integer(BYTE value) { return Primitive(luma::der::kTagInteger, 1, value); }

CSecureBuffer Name(const char* commonName) {
  const std::string text(commonName);
  CSecureBuffer value;
  luma::der::AppendElement(luma::der::kTagUtf8String, reinterpret_cast<const BYTE*>(text.data()),
                           static_cast<DWORD>(text.size()), value);
  return Element(luma::der::kTagSequence,
                 {Element(luma::der::kTagSet, {Element(luma::der::kTagSequence, {Oid("2.5.4.3"), value})})});
}

// The pieces of an envelope, each of which a case may change; the defaults make a valid one.
struct Pieces {
  std::string contentType = luma::service::kOidEnvelopedData;
  BYTE version = 0;
  bool originatorInfo = false;
  int recipients = 1;
  CSecureBuffer otherRecipient;  // appended as one more recipient when set
  BYTE recipientVersion = 0;
  CSecureBuffer serialNumber = Integer(0x42);
  std::string keyTransport = luma::service::kOidRsaEncryption;
  bool keyTransportNull = true;
  CSecureBuffer encryptedKey = Primitive(luma::der::kTagOctetString, 64);
  std::string innerType = luma::service::kOidData;
  std::string cipher = luma::service::kOidAes256Cbc;
  CSecureBuffer iv = Primitive(luma::der::kTagOctetString, 16);
  bool hasContent = true;
  CSecureBuffer content = Primitive(0x80, 32);
  bool unprotectedAttrs = false;
};

CSecureBuffer Recipient(const Pieces& p, BYTE serialByte) {
  const CSecureBuffer serial = serialByte == 0 ? p.serialNumber : Integer(serialByte);
  CSecureBuffer algorithm =
      p.keyTransportNull
          ? Element(luma::der::kTagSequence, {Oid(p.keyTransport), Element(luma::der::kTagNull, {})})
          : Element(luma::der::kTagSequence, {Oid(p.keyTransport)});
  return Element(luma::der::kTagSequence, {Integer(p.recipientVersion),
                                           Element(luma::der::kTagSequence, {Name("Recipient CA"), serial}),
                                           algorithm, p.encryptedKey});
}

CSecureBuffer Build(const Pieces& p) {
  CSecureBuffer recipients;
  for (int i = 0; i < p.recipients; ++i) {
    const CSecureBuffer r = Recipient(p, i == 0 ? 0 : static_cast<BYTE>(0x60 + i));
    recipients.Append(r.size, r.data);
  }
  recipients.Append(p.otherRecipient.size, p.otherRecipient.data);
  CSecureBuffer recipientSet;
  luma::der::AppendElement(luma::der::kTagSet, recipients.data, recipients.size, recipientSet);

  CSecureBuffer contentInfo = Element(
      luma::der::kTagSequence, {Oid(p.innerType), Element(luma::der::kTagSequence, {Oid(p.cipher), p.iv})});
  if (p.hasContent) {
    contentInfo =
        Element(luma::der::kTagSequence,
                {Oid(p.innerType), Element(luma::der::kTagSequence, {Oid(p.cipher), p.iv}), p.content});
  }
  CSecureBuffer fields = Integer(p.version);
  if (p.originatorInfo) {
    const CSecureBuffer originator = Element(0xA0, {});
    fields.Append(originator.size, originator.data);
  }
  fields.Append(recipientSet.size, recipientSet.data);
  fields.Append(contentInfo.size, contentInfo.data);
  if (p.unprotectedAttrs) {
    const CSecureBuffer attributes = Element(0xA1, {Element(luma::der::kTagSequence, {Oid("1.2.3.4")})});
    fields.Append(attributes.size, attributes.data);
  }
  CSecureBuffer envelopedData;
  luma::der::AppendElement(luma::der::kTagSequence, fields.data, fields.size, envelopedData);
  return Element(luma::der::kTagSequence, {Oid(p.contentType), Element(0xA0, {envelopedData})});
}

EnvelopeFault Read(const CSecureBuffer& bytes, Envelope& envelope) {
  return luma::service::ReadEnvelope(bytes.data, bytes.size, envelope);
}

TEST(EnvelopedDataTest, ReadsOpenSslEnvelopeAndWritesTheSameBytes) {
  Envelope envelope;
  ASSERT_EQ(Read(kSampleEnvelope, envelope), EnvelopeFault::kNone);
  IssuerAndSerial certificateId;
  ASSERT_EQ(luma::service::ReadCertificateIssuerAndSerial(kSampleCertificate.data, kSampleCertificate.size,
                                                          certificateId),
            EnvelopeFault::kNone);
  const BYTE serial[] = {0x01, 0x02, 0xA3};
  EXPECT_EQ(certificateId.serialNumber, CSecureBuffer(sizeof(serial), serial));

  ASSERT_EQ(envelope.recipients.size(), 1u);
  EXPECT_TRUE(envelope.recipients[0].id == certificateId);
  EXPECT_EQ(luma::service::FindRecipient(envelope, certificateId), &envelope.recipients[0]);
  EXPECT_EQ(envelope.recipients[0].encryptedKey.size, 64u);  // the 512-bit modulus
  EXPECT_EQ(envelope.iv.size, 16u);
  EXPECT_EQ(envelope.encryptedContent.size, 32u);  // 16 bytes and a whole block of padding

  CSecureBuffer written;
  ASSERT_TRUE(luma::service::WriteEnvelope(envelope, written));
  EXPECT_EQ(written, kSampleEnvelope);
}

TEST(EnvelopedDataTest, FindsOnlyTheNamedRecipient) {
  Pieces pieces;
  pieces.recipients = 3;
  Envelope envelope;
  ASSERT_EQ(Read(Build(pieces), envelope), EnvelopeFault::kNone);
  ASSERT_EQ(envelope.recipients.size(), 3u);
  IssuerAndSerial id = envelope.recipients[1].id;
  EXPECT_EQ(luma::service::FindRecipient(envelope, id), &envelope.recipients[1]);
  id.serialNumber.data[0] ^= 1;
  EXPECT_EQ(luma::service::FindRecipient(envelope, id), nullptr);
  id = envelope.recipients[1].id;
  id.issuer.data[id.issuer.size - 1] ^= 1;  // same serial from another issuer
  EXPECT_EQ(luma::service::FindRecipient(envelope, id), nullptr);
}

TEST(EnvelopedDataTest, RefusesEachFaultWithItsReason) {
  struct Case {
    const char* name;
    std::function<void(Pieces&)> change;
    EnvelopeFault fault;
  } cases[] = {
      {"valid", [](Pieces&) {}, EnvelopeFault::kNone},
      {"absent key transport parameters", [](Pieces& p) { p.keyTransportNull = false; },
       EnvelopeFault::kNone},
      {"sixteen recipients", [](Pieces& p) { p.recipients = 16; }, EnvelopeFault::kNone},
      {"signed data", [](Pieces& p) { p.contentType = "1.2.840.113549.1.7.2"; },
       EnvelopeFault::kNotEnvelopedData},
      {"version 2", [](Pieces& p) { p.version = 2; }, EnvelopeFault::kUnsupportedForm},
      {"originator info", [](Pieces& p) { p.originatorInfo = true; }, EnvelopeFault::kUnsupportedForm},
      {"unprotected attributes", [](Pieces& p) { p.unprotectedAttrs = true; },
       EnvelopeFault::kUnsupportedForm},
      {"seventeen recipients", [](Pieces& p) { p.recipients = 17; }, EnvelopeFault::kUnsupportedForm},
      {"no recipient", [](Pieces& p) { p.recipients = 0; }, EnvelopeFault::kMalformed},
      {"key agreement recipient", [](Pieces& p) { p.otherRecipient = Element(0xA1, {Integer(3)}); },
       EnvelopeFault::kUnsupportedForm},
      {"subject key identifier recipient", [](Pieces& p) { p.recipientVersion = 2; },
       EnvelopeFault::kUnsupportedForm},
      {"inner content type", [](Pieces& p) { p.innerType = "1.2.840.113549.1.7.2"; },
       EnvelopeFault::kUnsupportedForm},
      {"detached content", [](Pieces& p) { p.hasContent = false; }, EnvelopeFault::kUnsupportedForm},
      {"segmented content",
       [](Pieces& p) { p.content = Element(0xA0, {Primitive(luma::der::kTagOctetString, 32)}); },
       EnvelopeFault::kUnsupportedForm},
      {"RSA-OAEP", [](Pieces& p) { p.keyTransport = "1.2.840.113549.1.1.7"; },
       EnvelopeFault::kUnsupportedAlgorithm},
      {"AES-128-CBC", [](Pieces& p) { p.cipher = "2.16.840.1.101.3.4.1.2"; },
       EnvelopeFault::kUnsupportedAlgorithm},
      {"IV of 8 bytes", [](Pieces& p) { p.iv = Primitive(luma::der::kTagOctetString, 8); },
       EnvelopeFault::kMalformed},
      {"IV as INTEGER", [](Pieces& p) { p.iv = Integer(1); }, EnvelopeFault::kMalformed},
      {"content of 15 bytes", [](Pieces& p) { p.content = Primitive(0x80, 15); }, EnvelopeFault::kMalformed},
      {"empty content", [](Pieces& p) { p.content = Primitive(0x80, 0); }, EnvelopeFault::kMalformed},
      {"empty encrypted key", [](Pieces& p) { p.encryptedKey = Primitive(luma::der::kTagOctetString, 0); },
       EnvelopeFault::kMalformed},
      {"encrypted key over 2048 bytes",
       [](Pieces& p) { p.encryptedKey = Primitive(luma::der::kTagOctetString, 2049); },
       EnvelopeFault::kMalformed},
      {"serial number as OCTET STRING",
       [](Pieces& p) { p.serialNumber = Primitive(luma::der::kTagOctetString, 2); },
       EnvelopeFault::kMalformed},
      {"serial number of 65 bytes",
       [](Pieces& p) { p.serialNumber = Primitive(luma::der::kTagInteger, 65, 0x11); },
       EnvelopeFault::kMalformed},
  };
  for (const Case& c : cases) {
    Pieces pieces;
    c.change(pieces);
    Envelope envelope;
    EXPECT_EQ(Read(Build(pieces), envelope), c.fault) << c.name;
  }
}

TEST(EnvelopedDataTest, RefusesDamagedEncodings) {
  Envelope envelope;
  for (DWORD size = 0; size < kSampleEnvelope.size; ++size) {
    EXPECT_EQ(luma::service::ReadEnvelope(kSampleEnvelope.data, size, envelope), EnvelopeFault::kMalformed)
        << "cut to " << size;
  }
  CSecureBuffer trailing = kSampleEnvelope;
  trailing.Append(1, "\0");
  EXPECT_EQ(Read(trailing, envelope), EnvelopeFault::kMalformed);

  CSecureBuffer indefinite = kSampleEnvelope;
  indefinite.data[1] = 0x80;  // BER indefinite length of the outer SEQUENCE
  EXPECT_EQ(Read(indefinite, envelope), EnvelopeFault::kMalformed);
  EXPECT_TRUE(envelope.recipients.empty()) << "a refused envelope leaves the output alone";
}

TEST(EnvelopedDataTest, WritesOnlyTheOneRecipientForm) {
  Envelope valid;
  ASSERT_EQ(Read(kSampleEnvelope, valid), EnvelopeFault::kNone);
  struct Case {
    const char* name;
    std::function<void(Envelope&)> change;
  } cases[] = {
      {"no recipient", [](Envelope& e) { e.recipients.clear(); }},
      {"two recipients", [](Envelope& e) { e.recipients.push_back(e.recipients[0]); }},
      {"short IV", [](Envelope& e) { e.iv = CSecureBuffer(15); }},
      {"no content", [](Envelope& e) { e.encryptedContent = CSecureBuffer(); }},
      {"content not in blocks", [](Envelope& e) { e.encryptedContent = CSecureBuffer(17); }},
      {"issuer not a Name", [](Envelope& e) { e.recipients[0].id.issuer = Integer(1); }},
      {"empty serial number", [](Envelope& e) { e.recipients[0].id.serialNumber = CSecureBuffer(); }},
      {"empty encrypted key", [](Envelope& e) { e.recipients[0].encryptedKey = CSecureBuffer(); }},
  };
  for (const Case& c : cases) {
    Envelope envelope = valid;
    c.change(envelope);
    CSecureBuffer out(3);
    EXPECT_FALSE(luma::service::WriteEnvelope(envelope, out)) << c.name;
    EXPECT_EQ(out.size, 3u) << c.name;
  }
}

TEST(EnvelopedDataTest, ReadsTheIssuerAndSerialOfCertificates) {
  IssuerAndSerial id;
  ASSERT_EQ(
      luma::service::ReadCertificateIssuerAndSerial(kSampleCertificate.data, kSampleCertificate.size, id),
      EnvelopeFault::kNone);
  EXPECT_EQ(id.issuer, Name("Envelope Test"));

  // A version 1 certificate has no [0] version element.
  const CSecureBuffer algorithm = Element(luma::der::kTagSequence, {Oid("1.2.840.113549.1.1.11")});
  const CSecureBuffer v1Tbs = Element(
      luma::der::kTagSequence, {Integer(7), algorithm, Name("Issuer"), Element(luma::der::kTagSequence, {}),
                                Name("Subject"), Element(luma::der::kTagSequence, {})});
  const CSecureBuffer v1 =
      Element(luma::der::kTagSequence, {v1Tbs, algorithm, Primitive(luma::der::kTagBitString, 3)});
  ASSERT_EQ(luma::service::ReadCertificateIssuerAndSerial(v1.data, v1.size, id), EnvelopeFault::kNone);
  EXPECT_EQ(id.issuer, Name("Issuer"));
  EXPECT_EQ(id.serialNumber.size, 1u);
  EXPECT_EQ(id.serialNumber.data[0], 7);

  for (DWORD size = 0; size < kSampleCertificate.size; ++size) {
    EXPECT_EQ(luma::service::ReadCertificateIssuerAndSerial(kSampleCertificate.data, size, id),
              EnvelopeFault::kMalformed);
  }
  EXPECT_EQ(luma::service::ReadCertificateIssuerAndSerial(kSampleEnvelope.data, kSampleEnvelope.size, id),
            EnvelopeFault::kMalformed);
}

}  // namespace
