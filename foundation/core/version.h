// Dotted file versions and version conditions such as ">=6.1" or "=10.0.*".
#ifndef LUMA_FOUNDATION_CORE_VERSION_H_
#define LUMA_FOUNDATION_CORE_VERSION_H_

#include "foundation/core/platform.h"

// A file version of four numbers, each 0 or greater.
class CVersion {
 public:
  CVersion() = default;
  // Up to four numbers separated by dots (runs of dots count as one); missing numbers are 0.
  explicit CVersion(const WString& text);

  int major = 0;
  int minor = 0;
  int build = 0;
  int revision = 0;
};

// A condition on versions: an operator and up to four parts, where -1 stands for "any".
class CVersionMatch {
 public:
  enum Operator : int {
    kNever = 0,
    kLess = 1,
    kLessOrEqual = 2,
    kEqual = 3,
    kGreaterOrEqual = 4,
    kGreater = 5,
    kNotEqual = 6,
  };

  CVersionMatch() = default;
  explicit CVersionMatch(const WString& text);

  bool Matches(const CVersion& version) const;
  // Sorting order only: a number sorts before "any", lower numbers first; the operator is ignored.
  bool operator<(const CVersionMatch& other) const;

  int parts[4] = {-1, -1, -1, -1};
  int op = kEqual;
};

namespace luma {

// Trimmed decimal number; empty, missing or negative gives 0.
int ParseVersionPart(const WString& text);
// Trimmed; "*" or empty gives -1 (any), else the decimal number, a negative one giving -1.
int ParseVersionMatchPart(const WString& text);
// Compares one version part with a condition part. False (comparison 0) when the condition part is
// "any", which ends the comparison as equal; otherwise comparison is +1 when the version part is lower
// than the condition's, -1 when it is higher (or "any"), 0 when equal.
bool CompareVersionPart(int conditionPart, int versionPart, int& comparison);

}  // namespace luma

#endif  // LUMA_FOUNDATION_CORE_VERSION_H_
