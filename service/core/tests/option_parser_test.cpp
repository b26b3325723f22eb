#include "service/core/option_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace luma::service {
namespace {

// The elements as the parser sees them: writable copies and an array of pointers into them.
class Arguments {
 public:
  Arguments(std::initializer_list<const WCHAR*> texts) {
    for (const WCHAR* text : texts) storage.emplace_back(text);
    for (WString& text : storage) pointers.push_back(text.data());
  }
  std::int32_t Count() const { return static_cast<std::int32_t>(pointers.size()); }
  WCHAR** Array() { return pointers.data(); }
  std::vector<WString> From(std::int32_t index) const {
    std::vector<WString> out;
    for (std::size_t i = static_cast<std::size_t>(index); i < pointers.size(); ++i)
      out.emplace_back(pointers[i]);
    return out;
  }

 private:
  std::vector<WString> storage;
  std::vector<WCHAR*> pointers;
};

struct Found {
  std::int32_t id;
  std::int32_t error;
  WString text;
  WString argument;
  bool operator==(const Found& o) const {
    return id == o.id && error == o.error && text == o.text && argument == o.argument;
  }
};

std::ostream& operator<<(std::ostream& out, const Found& f) {
  return out << "{id " << f.id << ", error " << f.error << ", text "
             << std::string(f.text.begin(), f.text.end()) << ", argument "
             << std::string(f.argument.begin(), f.argument.end()) << "}";
}

std::vector<Found> ParseAll(COptionParser& parser) {
  std::vector<Found> out;
  while (parser.Next() && out.size() < 50) {
    out.push_back({parser.OptionId(), parser.LastError(),
                   parser.OptionText() ? WString(parser.OptionText()) : WString(),
                   parser.OptionArgument() ? WString(parser.OptionArgument()) : WString()});
  }
  return out;
}

const OptionEntry kProgramTable[] = {{2, WSTR("--stop"), ArgNone},
                                     {1, WSTR("--restart"), ArgNone},
                                     {0, WSTR("--protocol"), ArgNone},
                                     {-1, nullptr, 0}};

// One element against the program's table.
struct SingleCase {
  const WCHAR* element;
  std::uint32_t flags;
  Found expected;
};

class ProgramTableTest : public ::testing::TestWithParam<SingleCase> {};

TEST_P(ProgramTableTest, OneElement) {
  const SingleCase& c = GetParam();
  Arguments args{WSTR("lumaPassV.exe"), c.element};
  COptionParser parser(args.Count(), args.Array(), kProgramTable, c.flags);
  const std::vector<Found> found = ParseAll(parser);
  ASSERT_EQ(1u, found.size());
  EXPECT_EQ(c.expected, found[0]);
}

INSTANTIATE_TEST_SUITE_P(
    Elements, ProgramTableTest,
    ::testing::Values(
        SingleCase{WSTR("--stop"), ParseUseAll, {2, 0, WSTR("--stop"), WSTR("")}},
        SingleCase{WSTR("--sto"), ParseUseAll, {2, 0, WSTR("--stop"), WSTR("")}},  // unique abbreviation
        SingleCase{WSTR("--r"), ParseUseAll, {1, 0, WSTR("--restart"), WSTR("")}},
        SingleCase{WSTR("--STOP"), ParseUseAll, {-1, OptionUnknown, WSTR("--STOP"), WSTR("")}},
        SingleCase{WSTR("--STOP"), ParseUseAll | ParseIgnoreCaseLong, {2, 0, WSTR("--stop"), WSTR("")}},
        SingleCase{WSTR("--sto"), ParseUseAll | ParseExactOnly, {-1, OptionUnknown, WSTR("--sto"), WSTR("")}},
        SingleCase{WSTR("-stop"), ParseUseAll, {-1, OptionUnknown, WSTR("-stop"), WSTR("")}},  // one hyphen
        SingleCase{WSTR("--"), ParseUseAll, {-1, OptionUnknown, WSTR("--"), WSTR("")}},
        SingleCase{WSTR("--help"), ParseUseAll, {-1, OptionUnknown, WSTR("--help"), WSTR("")}},
        SingleCase{WSTR("--stop=1"), ParseUseAll, {2, ArgumentNotAllowed, WSTR("--stop"), WSTR("1")}},
        SingleCase{WSTR("--unknown=1"), ParseUseAll, {-1, OptionUnknown, WSTR("--unknown"), WSTR("1")}},
        SingleCase{WSTR("/restart"), ParseUseAll, {-1, OptionUnknown, WSTR("-restart"), WSTR("")}},  // slash
        SingleCase{WSTR("//stop"), ParseUseAll, {-1, OptionUnknown, WSTR("-/stop"), WSTR("")}}));

TEST(OptionParserTest, NonOptionArgumentsMoveBehindTheOptionsInTheirOrder) {
  Arguments args{WSTR("path"), WSTR("url"), WSTR("--protocol")};
  COptionParser parser(args.Count(), args.Array(), kProgramTable, ParseUseAll);
  ASSERT_TRUE(parser.Next());
  EXPECT_EQ(0, parser.OptionId());
  EXPECT_EQ(1, parser.EndIndex());
  EXPECT_FALSE(parser.Next());
  EXPECT_EQ((std::vector<WString>{WSTR("path"), WSTR("url")}), args.From(parser.EndIndex()));
  EXPECT_EQ(WString(WSTR("--protocol")), args.From(0)[0]);
}

TEST(OptionParserTest, OrderOfArgumentsIsKeptWhateverOptionsStandBetween) {
  Arguments args{WSTR("a"), WSTR("--stop"), WSTR("b"), WSTR("c"), WSTR("--restart"), WSTR("d")};
  COptionParser parser(args.Count(), args.Array(), kProgramTable, ParseUseAll);
  const std::vector<Found> found = ParseAll(parser);
  ASSERT_EQ(2u, found.size());
  EXPECT_EQ(2, found[0].id);
  EXPECT_EQ(1, found[1].id);
  EXPECT_EQ((std::vector<WString>{WSTR("a"), WSTR("b"), WSTR("c"), WSTR("d")}), args.From(parser.EndIndex()));
}

TEST(OptionParserTest, SlashOfAnOrdinaryArgumentIsPutBack) {
  Arguments args{WSTR("/x"), WSTR("a=b")};
  COptionParser parser(args.Count(), args.Array(), kProgramTable, ParseUseAll | ParseNoErrors);
  EXPECT_FALSE(parser.Next());
  EXPECT_EQ((std::vector<WString>{WSTR("/x"), WSTR("a=b")}), args.From(parser.EndIndex()));
}

TEST(OptionParserTest, UnknownOptionsAreOrdinaryArgumentsWithNoErrors) {
  Arguments args{WSTR("--what=1"), WSTR("--stop")};
  COptionParser parser(args.Count(), args.Array(), kProgramTable, ParseUseAll | ParseNoErrors);
  const std::vector<Found> found = ParseAll(parser);
  ASSERT_EQ(1u, found.size());
  EXPECT_EQ(2, found[0].id);
  EXPECT_EQ((std::vector<WString>{WSTR("--what=1")}), args.From(parser.EndIndex()));
}

TEST(OptionParserTest, WithoutUseAllTheProgramPathIsPassedOver) {
  Arguments args{WSTR("--stop")};
  COptionParser parser(args.Count(), args.Array(), kProgramTable, 0);
  EXPECT_FALSE(parser.Next());
}

const OptionEntry kRichTable[] = {{10, WSTR("--stop"), ArgNone},     {11, WSTR("--start"), ArgNone},
                                  {12, WSTR("--file"), ArgSeparate}, {13, WSTR("-a"), ArgNone},
                                  {14, WSTR("-b"), ArgNone},         {15, WSTR("-o"), ArgAttached},
                                  {16, WSTR("-v"), ArgOptional},     {17, WSTR("restart"), ArgNone},
                                  {18, WSTR("-f"), ArgSeparate},     {-1, nullptr, 0}};

struct SequenceCase {
  const char* name;
  std::vector<const WCHAR*> elements;
  std::uint32_t flags;
  std::vector<Found> expected;
};

class RichTableTest : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(RichTableTest, Sequence) {
  const SequenceCase& c = GetParam();
  std::vector<WString> storage(c.elements.begin(), c.elements.end());
  std::vector<WCHAR*> pointers;
  for (WString& s : storage) pointers.push_back(s.data());
  COptionParser parser(static_cast<std::int32_t>(pointers.size()), pointers.data(), kRichTable,
                       c.flags | ParseUseAll);
  EXPECT_EQ(c.expected, ParseAll(parser));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RichTableTest,
    ::testing::Values(
        SequenceCase{
            "AmbiguousAbbreviation", {WSTR("--st")}, 0, {{-1, OptionAmbiguous, WSTR("--st"), WSTR("")}}},
        SequenceCase{"LongerAbbreviation", {WSTR("--sto")}, 0, {{10, 0, WSTR("--stop"), WSTR("")}}},
        SequenceCase{"SeparateArgumentNextElement",
                     {WSTR("--file"), WSTR("x.txt")},
                     0,
                     {{12, 0, WSTR("--file"), WSTR("x.txt")}}},
        SequenceCase{"SeparateArgumentAttached", {WSTR("--file=y")}, 0, {{12, 0, WSTR("--file"), WSTR("y")}}},
        SequenceCase{"StrictSeparate",
                     {WSTR("--file=y")},
                     ParseStrictSeparate,
                     {{12, ArgumentFormInvalid, WSTR("--file"), WSTR("y")}}},
        SequenceCase{"SeparateArgumentMissing",
                     {WSTR("--file")},
                     0,
                     {{12, ArgumentMissing, WSTR("--file"), WSTR("")}}},
        SequenceCase{
            "SeparateArgumentLooksLikeOption",
            {WSTR("--file"), WSTR("-a")},
            0,
            {{12, ArgumentLooksLikeOption, WSTR("--file"), WSTR("")}, {13, 0, WSTR("-a"), WSTR("")}}},
        SequenceCase{
            "SeparateArgumentSlashLooksLikeOption",
            {WSTR("--file"), WSTR("/a")},
            0,
            {{12, ArgumentLooksLikeOption, WSTR("--file"), WSTR("")}, {13, 0, WSTR("-a"), WSTR("")}}},
        SequenceCase{"AttachedMissing", {WSTR("-o")}, 0, {{15, ArgumentMissing, WSTR("-o"), WSTR("")}}},
        SequenceCase{"Cluster",
                     {WSTR("-ab")},
                     ParseClusters,
                     {{13, 0, WSTR("-a"), WSTR("")}, {14, 0, WSTR("-b"), WSTR("")}}},
        SequenceCase{"ClusterUnknownLetter",
                     {WSTR("-axb")},
                     ParseClusters,
                     {{13, 0, WSTR("-a"), WSTR("")},
                      {-1, OptionUnknown, WSTR("-x"), WSTR("")},
                      {14, 0, WSTR("-b"), WSTR("")}}},
        SequenceCase{"ClusterUnknownLetterSkippedWithNoErrors",
                     {WSTR("-axb")},
                     ParseClusters | ParseNoErrors,
                     {{13, 0, WSTR("-a"), WSTR("")}, {14, 0, WSTR("-b"), WSTR("")}}},
        SequenceCase{"ClusterAttachedArgument",
                     {WSTR("-aofile")},
                     ParseClusters,
                     {{13, 0, WSTR("-a"), WSTR("")}, {15, 0, WSTR("-o"), WSTR("file")}}},
        SequenceCase{"ClusterSeparateKindIsMissing",
                     {WSTR("-af")},
                     ParseClusters,
                     {{13, 0, WSTR("-a"), WSTR("")}, {-1, ArgumentMissing, WSTR("-f"), WSTR("")}}},
        SequenceCase{
            "ShortArgument", {WSTR("-ofile")}, ParseShortArgument, {{15, 0, WSTR("-o"), WSTR("file")}}},
        SequenceCase{
            "ShortOptionalArgument", {WSTR("-v3")}, ParseShortArgument, {{16, 0, WSTR("-v"), WSTR("3")}}},
        SequenceCase{"WordOption", {WSTR("restart")}, 0, {{17, 0, WSTR("restart"), WSTR("")}}},
        SequenceCase{
            "WordOptionCase", {WSTR("ReStart")}, ParseIgnoreCaseWord, {{17, 0, WSTR("restart"), WSTR("")}}},
        SequenceCase{
            "WordOptionNotBySlash", {WSTR("/restart")}, 0, {{-1, OptionUnknown, WSTR("-restart"), WSTR("")}}},
        SequenceCase{"ShortCase", {WSTR("-A")}, ParseIgnoreCaseShort, {{13, 0, WSTR("-a"), WSTR("")}}},
        SequenceCase{"ShortCaseNotForLong",
                     {WSTR("--STOP")},
                     ParseIgnoreCaseShort,
                     {{-1, OptionUnknown, WSTR("--STOP"), WSTR("")}}}),
    [](const ::testing::TestParamInfo<SequenceCase>& info) { return std::string(info.param.name); });

TEST(OptionParserTest, MatchLength) {
  EXPECT_EQ(-1, COptionParser::MatchLength(WSTR("--stop"), WSTR("--stop"), 0));
  EXPECT_EQ(2, COptionParser::MatchLength(WSTR("--stop"), WSTR("--st"), 0));
  EXPECT_EQ(0, COptionParser::MatchLength(WSTR("--stop"), WSTR("--stops"), 0));
  EXPECT_EQ(0, COptionParser::MatchLength(WSTR("--stop"), WSTR("-stop"), 0));
  EXPECT_EQ(0, COptionParser::MatchLength(WSTR("-s"), WSTR("--s"), 0));
  EXPECT_EQ(0, COptionParser::MatchLength(nullptr, WSTR("--s"), 0));
  EXPECT_EQ(0, COptionParser::MatchLength(WSTR("--stop"), nullptr, 0));
}

TEST(OptionParserTest, ManyArgumentsBeforeAnOptionAreAllKept) {
  std::vector<WString> storage;
  for (int i = 0; i < 500; ++i)
    storage.push_back(WSTR("w") + WString(1, static_cast<WCHAR>(WSTR('0') + i % 10)));
  storage.push_back(WSTR("--stop"));
  std::vector<WCHAR*> pointers;
  for (WString& s : storage) pointers.push_back(s.data());
  COptionParser parser(static_cast<std::int32_t>(pointers.size()), pointers.data(), kProgramTable,
                       ParseUseAll);
  ASSERT_TRUE(parser.Next());
  EXPECT_EQ(2, parser.OptionId());
  EXPECT_FALSE(parser.Next());
  ASSERT_EQ(1, parser.EndIndex());
  for (int i = 0; i < 500; ++i)
    EXPECT_EQ(storage[static_cast<std::size_t>(i)], WString(pointers[1 + static_cast<std::size_t>(i)]));
}

}  // namespace
}  // namespace luma::service
