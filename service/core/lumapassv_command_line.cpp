#include "service/core/lumapassv_command_line.h"

#include "service/core/service_text_ids.h"

namespace luma::service {

const OptionEntry kLumaPassVOptions[] = {
    {kOptionStop, WSTR("--stop"), ArgNone},
    {kOptionRestart, WSTR("--restart"), ArgNone},
    {kOptionProtocol, WSTR("--protocol"), ArgNone},
    {-1, nullptr, ArgNone},
};

LumaPassVCommandLine ParseLumaPassVCommandLine(const std::vector<WString>& arguments) {
  LumaPassVCommandLine result;
  // The parser works in place: it gets its own copies of the elements.
  std::vector<WString> elements(arguments);
  std::vector<WCHAR*> pointers;
  pointers.reserve(elements.size());
  for (WString& element : elements) pointers.push_back(element.data());

  COptionParser parser(static_cast<std::int32_t>(pointers.size()), pointers.data(), kLumaPassVOptions,
                       ParseUseAll);
  while (parser.Next()) {
    if (parser.LastError() != OptionNoError) {
      result.error = parser.LastError();
      result.errorOptionText = parser.OptionText() != nullptr ? parser.OptionText() : WString();
      return result;
    }
    switch (parser.OptionId()) {
      case kOptionStop:
        result.closeRunning = true;
        result.startAlone = false;
        break;
      case kOptionRestart:
        result.closeRunning = true;
        result.restart = true;
        break;
      case kOptionProtocol:
        result.closeRunning = false;
        result.startAlone = true;
        result.protocol = true;
        break;
      default:
        break;
    }
  }
  const std::size_t firstFree = static_cast<std::size_t>(parser.EndIndex());
  if (pointers.size() >= firstFree + 2) result.protocolUrl = pointers[firstFree + 1];
  return result;
}

std::uint32_t CommandLineErrorTextId(std::int32_t error) {
  switch (error) {
    case OptionAmbiguous:
      return kStrAmbiguousOption;
    case ArgumentNotAllowed:
      return kStrArgumentNotAllowed;
    case ArgumentFormInvalid:
      return kStrArgumentFormInvalid;
    case ArgumentMissing:
      return kStrArgumentMissing;
    case ArgumentLooksLikeOption:
      return kStrArgumentLooksLikeOption;
    default:
      return kStrInvalidOption;
  }
}

}  // namespace luma::service
