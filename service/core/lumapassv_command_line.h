// lumaPassV's command line: its three options, what they ask of the program, the protocol URL and the
// message shown for a command-line error. Every element is untrusted; the message text is bounded.
#ifndef LUMA_SERVICE_CORE_LUMAPASSV_COMMAND_LINE_H_
#define LUMA_SERVICE_CORE_LUMAPASSV_COMMAND_LINE_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/core/platform.h"
#include "service/core/option_parser.h"

namespace luma::service {

enum LumaPassVOptionId : std::int32_t {
  kOptionProtocol = 0,
  kOptionRestart = 1,
  kOptionStop = 2,
};

// {2, "--stop"}, {1, "--restart"}, {0, "--protocol"}, none takes an argument; ended by id -1.
extern const OptionEntry kLumaPassVOptions[];

// The longest error message (the message buffer holds 1024 characters), and the longest option
// text put into one, which leaves room for the message's own words in every language.
constexpr std::size_t kMaxCommandLineMessageLength = 1023;
constexpr std::size_t kMaxOptionTextInMessage = 960;

struct LumaPassVCommandLine {
  bool closeRunning = false;           // ask the running instance to end
  bool startAlone = true;              // go on as the running instance when there is none
  bool restart = false;                // go on as the running instance after closing the other one
  bool protocol = false;               // hand the URL to the running instance
  WString protocolUrl;                 // the second non-option argument (the first is the program path)
  std::int32_t error = OptionNoError;  // the first parser error; parsing stops there
  WString errorOptionText;             // the option text the parser reported for it
};

// Parses the whole argument array, the program path first (flags: ParseUseAll only).
LumaPassVCommandLine ParseLumaPassVCommandLine(const std::vector<WString>& arguments);

// The string table entry of a parser error ("Invalid option %s", "Ambiguous option %s", ..., to be
// filled with the option text cut to kMaxOptionTextInMessage); unknown codes read as an invalid
// option.
std::uint32_t CommandLineErrorTextId(std::int32_t error);

}  // namespace luma::service

#endif  // LUMA_SERVICE_CORE_LUMAPASSV_COMMAND_LINE_H_
