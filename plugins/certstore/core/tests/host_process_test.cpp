#include "plugins/certstore/core/host_process.h"

#include <gtest/gtest.h>

namespace luma::certstore {
namespace {

struct HostCase {
  const char* label;
  WString path;
  bool adminTool;
  bool serverProcess;
};

void PrintTo(const HostCase& host, std::ostream* out) { *out << host.label; }

class HostProcessTest : public ::testing::TestWithParam<HostCase> {};

TEST_P(HostProcessTest, ClassifiesTheHostByTheEndOfItsPathInAnyCase) {
  const HostFlags flags = ClassifyHost(GetParam().path);
  EXPECT_EQ(GetParam().adminTool, flags.isAdminTool);
  EXPECT_EQ(GetParam().serverProcess, flags.isServerProcess);
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, HostProcessTest,
    ::testing::Values(HostCase{"certutil", WSTR("C:\\Windows\\System32\\certutil.exe"), true, false},
                      HostCase{"mmcUpperCase", WSTR("C:\\WINDOWS\\SYSTEM32\\MMC.EXE"), true, false},
                      // a plain suffix test: no separator is needed in front of the name
                      HostCase{"mmcSuffixOfAnotherName", WSTR("D:\\tools\\xmmc.exe"), true, false},
                      HostCase{"mmcNotAtTheEnd", WSTR("C:\\mmc.exe\\notepad.exe"), false, false},
                      HostCase{"server", WSTR("C:\\Program Files\\nuvak\\LUMAPASSV.EXE"), false, true},
                      HostCase{"service", WSTR("lumapassvservice.exe"), false, true},
                      HostCase{"ordinary", WSTR("C:\\Windows\\notepad.exe"), false, false},
                      HostCase{"shorterThanTheNames", WSTR("a.exe"), false, false},
                      HostCase{"empty", WSTR(""), false, false}),
    [](const ::testing::TestParamInfo<HostCase>& info) { return std::string(info.param.label); });

TEST(HostProcessNameTest, ThePathMustBeAtLeastAsLongAsTheName) {
  EXPECT_TRUE(IsHostProcess(WSTR("MMC.exe"), WSTR("mmc.EXE")));
  EXPECT_FALSE(IsHostProcess(WSTR("mc.exe"), WSTR("mmc.exe")));
}

}  // namespace
}  // namespace luma::certstore
