// Shared shapes of the provider, account, certificate and PIN messages: the scoped request, the
// authentication request with its values, and the list, authentication-field and error-message
// responses, plus the two records carried inside them.
#ifndef LUMA_FOUNDATION_CORE_VSC_MESSAGE_BASES_H_
#define LUMA_FOUNDATION_CORE_VSC_MESSAGE_BASES_H_

#include <vector>

#include "foundation/core/vsc_message.h"

namespace VirtualSmartCardProtocol {

// Kinds of value an authentication field holds.
enum AuthenticationFieldKind : DWORD {
  AuthenticationFieldBytes = 2,
  AuthenticationFieldText = 3,
  AuthenticationFieldInput = 4,
  AuthenticationFieldSecretInput = 5,
  AuthenticationFieldNumber = 6,
};

// One field of an authentication method, six elements without a header of their own.
class CAuthenticationField : public CSerializableMessage {
 public:
  CAuthenticationField() = default;
  CAuthenticationField(DWORD id, DWORD kind, DWORD flags, const WString& label, const WString& toolTip,
                       const CSecureBuffer& value)
      : id(id), kind(kind), flags(flags), label(label), toolTip(toolTip), value(value) {}

  DWORD GetId() const { return id; }
  DWORD GetKind() const { return kind; }
  DWORD GetFlags() const { return flags; }
  WString GetLabel() const { return label; }
  WString GetToolTip() const { return toolTip; }
  const CSecureBuffer& GetValue() const { return value; }
  void SetId(DWORD v) { id = v; }
  void SetKind(DWORD v) { kind = v; }
  void SetFlags(DWORD v) { flags = v; }
  void SetLabel(const WString& v) { label = v; }
  void SetToolTip(const WString& v) { toolTip = v; }
  void SetValue(const CSecureBuffer& v) { value = v; }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  DWORD id = 0;
  DWORD kind = 0;
  DWORD flags = 0;
  WString label;
  WString toolTip;
  CSecureBuffer value;
};

// The answer to one authentication field: its id and the value bytes (wiped with the object).
class CAuthenticationValue : public CSerializableMessage {
 public:
  CAuthenticationValue() = default;
  CAuthenticationValue(DWORD id, const CSecureBuffer& value) : id(id), value(value) {}

  DWORD GetId() const { return id; }
  const CSecureBuffer& GetValue() const { return value; }
  void SetId(DWORD v) { id = v; }
  void SetValue(const CSecureBuffer& v) { value = v; }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  DWORD id = 0;
  CSecureBuffer value;
};

// A count followed by that many items. Reading clears the list first, reserves nothing from the
// untrusted count, and fails at the first missing or unreadable item.
bool ReadStringList(CMessageSerialization& in, std::vector<WString>& items);
bool WriteStringList(CMessageSerialization& out, const std::vector<WString>& items);
bool ReadValueList(CMessageSerialization& in, std::vector<CAuthenticationValue>& items);
bool WriteValueList(CMessageSerialization& out, const std::vector<CAuthenticationValue>& items);

// A session request about one provider, account or certificate, named by scope.
class CBaseScopedRequest : public CSessionRequest {
 public:
  using CSessionRequest::CSessionRequest;

  WString GetScope() const { return scope; }
  void SetScope(const WString& value) { scope = value; }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  WString scope;
};

// A scoped request carrying credentials.
class CBaseAuthenticationRequest : public CBaseScopedRequest {
 public:
  using CBaseScopedRequest::CBaseScopedRequest;

  const std::vector<CAuthenticationValue>& GetValues() const { return values; }
  void SetValues(const std::vector<CAuthenticationValue>& v) { values = v; }
  void AddValue(const CAuthenticationValue& v) { values.push_back(v); }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  std::vector<CAuthenticationValue> values;
};

class CListResponse : public CPaddedResponseMessage {
 public:
  using CPaddedResponseMessage::CPaddedResponseMessage;

  const std::vector<WString>& GetItems() const { return items; }
  void SetItems(const std::vector<WString>& v) { items = v; }
  void AddItem(const WString& v) { items.push_back(v); }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  std::vector<WString> items;
};

// Describes a provider's authentication method and its fields.
class CAuthenticationFieldResponse : public CPaddedResponseMessage {
 public:
  using CPaddedResponseMessage::CPaddedResponseMessage;

  DWORD GetInteraction() const { return interaction; }
  DWORD GetMethod() const { return method; }
  const std::vector<CAuthenticationField>& GetFields() const { return fields; }
  void SetInteraction(DWORD v) { interaction = v; }
  void SetMethod(DWORD v) { method = v; }
  // Replaces the field with the same id in place, else appends a copy.
  void SetField(const CAuthenticationField& field);

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  DWORD interaction = 0;
  DWORD method = 0;
  std::vector<CAuthenticationField> fields;
};

class CBaseErrorMessageResponse : public CPaddedResponseMessage {
 public:
  using CPaddedResponseMessage::CPaddedResponseMessage;

  WString GetErrorMessage() const { return errorMessage; }
  void SetErrorMessage(const WString& v) { errorMessage = v; }

  bool Deserialize(CMessageSerialization& in) override;
  bool Serialize(CMessageSerialization& out) const override;

 private:
  WString errorMessage;
};

}  // namespace VirtualSmartCardProtocol

#endif  // LUMA_FOUNDATION_CORE_VSC_MESSAGE_BASES_H_
