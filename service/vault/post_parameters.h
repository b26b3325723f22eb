// The fields of a web-form login, filled from the configured template lines (name=value with the
// placeholders {user}, {password} and {otp}). The filled lines hold secrets and are wiped.
#ifndef LUMA_SERVICE_VAULT_POST_PARAMETERS_H_
#define LUMA_SERVICE_VAULT_POST_PARAMETERS_H_

#include <string>
#include <vector>

class CSoapSecureWininetClient;

class CPostParameters {
 public:
  explicit CPostParameters(std::vector<std::wstring> lines) : lines(std::move(lines)) {}
  CPostParameters(const CPostParameters&) = delete;
  CPostParameters& operator=(const CPostParameters&) = delete;
  virtual ~CPostParameters();

  // Replaces every "{name}" in every line; true when at least one was replaced.
  bool Replace(const std::wstring& name, const std::wstring& value);
  // True when any line still holds "{" or "}".
  bool HasUnresolvedPlaceholders() const;
  // One form field per line: the text before the first "=" is the name, the rest the value.
  void WriteTo(CSoapSecureWininetClient& transport) const;

 private:
  std::vector<std::wstring> lines;
};

#endif  // LUMA_SERVICE_VAULT_POST_PARAMETERS_H_
