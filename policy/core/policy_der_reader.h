// How the elements of a signed policy are read: INTEGERs that fit 32 signed bits, UTC and
// generalized times, every ASN.1 character string type, OCTET and BIT STRINGs, SEQUENCEs and
// explicitly tagged elements. Each reader answers false for an element of another kind.
#ifndef LUMA_POLICY_CORE_POLICY_DER_READER_H_
#define LUMA_POLICY_CORE_POLICY_DER_READER_H_

#include <cstdint>
#include <vector>

#include "foundation/core/calendar_time.h"
#include "foundation/core/der_codec.h"

namespace luma {
namespace policy {

// 100-nanosecond intervals since 1601-01-01 00:00 UTC, the FILETIME scale.
using FileTimeTicks = std::uint64_t;

bool ReadInteger(const der::Element& element, std::int32_t& value);
bool ReadTime(const der::Element& element, FileTimeTicks& time);
bool ReadString(const der::Element& element, WString& text);
bool ReadOctetString(const der::Element& element, CSecureBuffer& bytes);
// The content after the unused-bits count, which is ignored.
bool ReadBitString(const der::Element& element, CSecureBuffer& bytes);
bool ReadSequence(const der::Element& element, std::vector<der::Element>& children);
// A context-specific constructed element: its tag number and the one element inside.
bool ReadTagged(const der::Element& element, DWORD& tagNumber, der::Element& inner);

// A range holding exactly one element.
bool ReadWhole(const BYTE* data, DWORD size, der::Element& element);

// Calendar fields <-> FILETIME ticks; false for a field out of range or a year before 1601.
using CalendarTime = luma::CalendarTime;
bool CalendarToTicks(const CalendarTime& calendar, FileTimeTicks& ticks);
CalendarTime TicksToCalendar(FileTimeTicks ticks);

}  // namespace policy
}  // namespace luma

#endif  // LUMA_POLICY_CORE_POLICY_DER_READER_H_
