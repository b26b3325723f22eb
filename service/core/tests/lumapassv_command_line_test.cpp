#include "service/core/lumapassv_command_line.h"

#include <gtest/gtest.h>

#include <utility>

#include "service/core/service_text_ids.h"

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

  const LumaPassVCommandLine unknown = ParseLumaPassVCommandLine({kPath, WSTR("/help")});
  EXPECT_EQ(OptionUnknown, unknown.error);
  EXPECT_EQ(WString(WSTR("-help")), unknown.errorOptionText);
}

TEST(LumaPassVCommandLineTest, EachErrorHasItsText) {
  const std::pair<std::int32_t, std::uint32_t> cases[] = {
      {OptionUnknown, kStrInvalidOption},
      {OptionAmbiguous, kStrAmbiguousOption},
      {ArgumentNotAllowed, kStrArgumentNotAllowed},
      {ArgumentFormInvalid, kStrArgumentFormInvalid},
      {ArgumentMissing, kStrArgumentMissing},
      {ArgumentLooksLikeOption, kStrArgumentLooksLikeOption},
      {-42, kStrInvalidOption},  // an unknown code reads as an invalid option
  };
  for (const auto& c : cases) EXPECT_EQ(c.second, CommandLineErrorTextId(c.first)) << c.first;
}

}  // namespace
}  // namespace luma::service
