#include "service/core/lumapassv_command_line.h"

#include <gtest/gtest.h>

namespace luma::service {
namespace {

const WString kPath = WSTR("C:\\Program Files\\lumaPass\\lumaPassV.exe");

TEST(LumaPassVCommandLineTest, NoOptionsStartsAlone) {
  const LumaPassVCommandLine line = ParseLumaPassVCommandLine({kPath});
  EXPECT_FALSE(line.closeRunning);
  EXPECT_TRUE(line.startAlone);
  EXPECT_FALSE(line.restart);
  EXPECT_FALSE(line.protocol);
  EXPECT_TRUE(line.protocolUrl.empty());
  EXPECT_EQ(OptionNoError, line.error);
}

TEST(LumaPassVCommandLineTest, StopClosesTheRunningInstanceAndDoesNotStart) {
  const LumaPassVCommandLine line = ParseLumaPassVCommandLine({kPath, WSTR("--sto")});
  EXPECT_TRUE(line.closeRunning);
  EXPECT_FALSE(line.startAlone);
  EXPECT_FALSE(line.restart);
}

TEST(LumaPassVCommandLineTest, RestartClosesTheRunningInstanceAndStarts) {
  const LumaPassVCommandLine line = ParseLumaPassVCommandLine({kPath, WSTR("--restart")});
  EXPECT_TRUE(line.closeRunning);
  EXPECT_TRUE(line.startAlone);
  EXPECT_TRUE(line.restart);
}

TEST(LumaPassVCommandLineTest, ProtocolTakesTheSecondNonOptionArgument) {
  for (const auto& args : {std::vector<WString>{kPath, WSTR("--protocol"), WSTR("lumapass:add?x=1")},
                           std::vector<WString>{kPath, WSTR("lumapass:add?x=1"), WSTR("--protocol")}}) {
    const LumaPassVCommandLine line = ParseLumaPassVCommandLine(args);
    EXPECT_FALSE(line.closeRunning);
    EXPECT_TRUE(line.startAlone);
    EXPECT_TRUE(line.protocol);
    EXPECT_EQ(WString(WSTR("lumapass:add?x=1")), line.protocolUrl);
  }
}

TEST(LumaPassVCommandLineTest, ProtocolAfterStopWins) {
  const LumaPassVCommandLine line =
      ParseLumaPassVCommandLine({kPath, WSTR("--stop"), WSTR("--protocol"), WSTR("u")});
  EXPECT_FALSE(line.closeRunning);
  EXPECT_TRUE(line.startAlone);
  EXPECT_TRUE(line.protocol);
}

TEST(LumaPassVCommandLineTest, TheFirstErrorEndsParsing) {
  const LumaPassVCommandLine line = ParseLumaPassVCommandLine({kPath, WSTR("--stop=now"), WSTR("--help")});
  EXPECT_EQ(ArgumentNotAllowed, line.error);
  EXPECT_EQ(WString(WSTR("--stop")), line.errorOptionText);
  EXPECT_EQ(WString(WSTR("Option --stop does not take an argument")),
            CommandLineErrorMessage(line.error, line.errorOptionText));

  const LumaPassVCommandLine unknown = ParseLumaPassVCommandLine({kPath, WSTR("/help")});
  EXPECT_EQ(OptionUnknown, unknown.error);
  EXPECT_EQ(WString(WSTR("Invalid option -help")),
            CommandLineErrorMessage(unknown.error, unknown.errorOptionText));
}

TEST(LumaPassVCommandLineTest, ErrorMessages) {
  const WString option = WSTR("--x");
  EXPECT_EQ(WString(WSTR("Invalid option --x")), CommandLineErrorMessage(OptionUnknown, option));
  EXPECT_EQ(WString(WSTR("Ambiguous option --x")), CommandLineErrorMessage(OptionAmbiguous, option));
  EXPECT_EQ(WString(WSTR("Option type invalid for --x")),
            CommandLineErrorMessage(ArgumentFormInvalid, option));
  EXPECT_EQ(WString(WSTR("Argument missing for option --x")),
            CommandLineErrorMessage(ArgumentMissing, option));
  EXPECT_EQ(WString(WSTR("Argument for option --x looks like another option")),
            CommandLineErrorMessage(ArgumentLooksLikeOption, option));
  EXPECT_EQ(WString(WSTR("Invalid option --x")), CommandLineErrorMessage(-42, option));
}

TEST(LumaPassVCommandLineTest, MessageIsBoundedAndKeepsItsEnd) {
  const WString longOption(5000, WSTR('a'));
  const WString message = CommandLineErrorMessage(ArgumentNotAllowed, longOption);
  EXPECT_EQ(kMaxCommandLineMessageLength, message.size());
  EXPECT_EQ(WString(WSTR(" does not take an argument")), message.substr(message.size() - 26));
}

}  // namespace
}  // namespace luma::service
