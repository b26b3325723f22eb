#include "service/core/lumapassv_command_line.h"

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

WString CommandLineErrorMessage(std::int32_t error, const WString& optionText) {
  const WCHAR* before = WSTR("Invalid option ");
  const WCHAR* after = WSTR("");
  switch (error) {
    case OptionAmbiguous:
      before = WSTR("Ambiguous option ");
      break;
    case ArgumentNotAllowed:
      before = WSTR("Option ");
      after = WSTR(" does not take an argument");
      break;
    case ArgumentFormInvalid:
      before = WSTR("Option type invalid for ");
      break;
    case ArgumentMissing:
      before = WSTR("Argument missing for option ");
      break;
    case ArgumentLooksLikeOption:
      before = WSTR("Argument for option ");
      after = WSTR(" looks like another option");
      break;
    default:
      break;
  }
  WString message(before);
  const WString tail(after);
  const std::size_t room = kMaxCommandLineMessageLength - message.size() - tail.size();
  message.append(optionText, 0, room);
  message.append(tail);
  return message;
}

}  // namespace luma::service
