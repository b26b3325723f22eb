// The option parser against the store lister's table: matching, abbreviations, arguments, errors
// and the order argv is left in.
#include "tools/dumpstore/core/option_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/dumpstore/core/dumpstore_options.h"

namespace {

using luma::dumpstore::COptionParser;
using luma::dumpstore::kDumpStoreOptions;

// A writable argv with the program path first, as main receives it.
class CArgv {
 public:
  explicit CArgv(std::vector<std::string> words) : m_storage(std::move(words)) {
    m_storage.insert(m_storage.begin(), "DumpStore.exe");
    for (std::string& word : m_storage) m_pointers.push_back(word.data());
    m_pointers.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(m_storage.size()); }
  char** argv() { return m_pointers.data(); }
  std::vector<std::string> Words() const {
    std::vector<std::string> words;
    for (int i = 0; i < argc(); ++i) words.emplace_back(m_pointers[i]);
    return words;
  }

 private:
  std::vector<std::string> m_storage;
  std::vector<char*> m_pointers;
};

struct ParsedOption {
  int id;
  std::string text;
  std::string arg;  // "<none>" when the option has no argument
  int error;
  bool operator==(const ParsedOption& o) const {
    return id == o.id && text == o.text && arg == o.arg && error == o.error;
  }
};

std::ostream& operator<<(std::ostream& out, const ParsedOption& o) {
  return out << "{" << o.id << ", " << o.text << ", " << o.arg << ", " << o.error << "}";
}

// Every option up to and including the first error.
std::vector<ParsedOption> ParseAll(CArgv& args) {
  COptionParser parser(args.argc(), args.argv(), kDumpStoreOptions);
  std::vector<ParsedOption> options;
  while (parser.next()) {
    options.push_back({parser.optionId(), parser.optionText() ? parser.optionText() : "<null>",
                       parser.optionArg() ? parser.optionArg() : "<none>", parser.lastError()});
    if (parser.lastError() != 0) break;
  }
  return options;
}

struct ParserCase {
  std::vector<std::string> words;
  std::vector<ParsedOption> expected;
};

// A short test name suffix: the words, cut short.
void PrintTo(const ParserCase& c, std::ostream* out) {
  std::string words;
  for (const std::string& word : c.words) words += word + " ";
  *out << words.substr(0, 24);
}

class OptionParserTable : public ::testing::TestWithParam<ParserCase> {};

TEST_P(OptionParserTable, DeliversTheExpectedOptions) {
  CArgv args(GetParam().words);
  EXPECT_EQ(ParseAll(args), GetParam().expected);
}

const std::string kNone = "<none>";

INSTANTIATE_TEST_SUITE_P(
    Table, OptionParserTable,
    ::testing::Values(
        ParserCase{{"--help"}, {{0, "--help", kNone, 0}}}, ParserCase{{"-?"}, {{0, "-?", kNone, 0}}},
        // Unique abbreviations of long options; -h is an exact short option of its own.
        ParserCase{{"--he"}, {{0, "--help", kNone, 0}}}, ParserCase{{"--h"}, {{0, "--help", kNone, 0}}},
        ParserCase{{"-h"}, {{6, "-h", kNone, 0}}}, ParserCase{{"--st", "Root"}, {{1, "--store", "Root", 0}}},
        ParserCase{{"--s"}, {{-1, "--s", kNone, -2}}}, ParserCase{{"--dump"}, {{-1, "--dump", kNone, -2}}},
        ParserCase{{"--dump-c"}, {{2, "--dump-certificate", kNone, 0}}},
        // One dash never matches a long option, a short one never a longer word.
        ParserCase{{"-store"}, {{-1, "-store", kNone, -1}}}, ParserCase{{"-"}, {{-1, "-", kNone, -1}}},
        ParserCase{{"--"}, {{-1, "--", kNone, -1}}}, ParserCase{{"---help"}, {{-1, "---help", kNone, -1}}},
        ParserCase{{"-x"}, {{-1, "-x", kNone, -1}}}, ParserCase{{"-S"}, {{-1, "-S", kNone, -1}}},
        // Slash for dash; a lone slash is not an option.
        ParserCase{{"/s", "Root"}, {{1, "-s", "Root", 0}}}, ParserCase{{"/"}, {}},
        ParserCase{{"/x=1"}, {{-1, "-x", "1", -1}}},
        // Arguments after "=" or in the next word.
        ParserCase{{"--store=MY"}, {{1, "--store", "MY", 0}}}, ParserCase{{"-s=MY"}, {{1, "-s", "MY", 0}}},
        ParserCase{{"--store=a=b"}, {{1, "--store", "a=b", 0}}}, ParserCase{{"-s="}, {{1, "-s", "", 0}}},
        ParserCase{{"--store=-d"}, {{1, "--store", "-d", 0}}}, ParserCase{{"-s", "/"}, {{1, "-s", "/", 0}}},
        ParserCase{{"--help=1"}, {{0, "--help", "1", -3}}}, ParserCase{{"-s"}, {{1, "-s", kNone, -5}}},
        ParserCase{{"-s", "-d"}, {{1, "-s", kNone, -6}}}, ParserCase{{"-s", "/d"}, {{1, "-s", kNone, -6}}},
        ParserCase{{"a", "-s", "b", "c"}, {{1, "-s", "b", 0}}},
        // Options given twice are reported twice; later words still count.
        ParserCase{{"-d", "x", "--dump-certificate", "-m"},
                   {{2, "-d", kNone, 0}, {2, "--dump-certificate", kNone, 0}, {4, "-m", kNone, 0}}}));

TEST(OptionParserTest, WordsThatAreNotOptionsEndUpBehindTheOptionsInTheirOrder) {
  CArgv args({"a", "-d", "b", "-m", "c=d", "/"});
  const std::vector<ParsedOption> expected = {{2, "-d", kNone, 0}, {4, "-m", kNone, 0}};
  EXPECT_EQ(ParseAll(args), expected);
  EXPECT_EQ(args.Words(), (std::vector<std::string>{"DumpStore.exe", "-d", "-m", "a", "b", "c=d", "/"}));
}

TEST(OptionParserTest, OptionArgumentsStayBesideTheirOption) {
  CArgv args({"x", "-s", "Root", "y", "/d", "z"});
  const std::vector<ParsedOption> expected = {{1, "-s", "Root", 0}, {2, "-d", kNone, 0}};
  EXPECT_EQ(ParseAll(args), expected);
  EXPECT_EQ(args.Words(), (std::vector<std::string>{"DumpStore.exe", "-s", "Root", "-d", "x", "y", "z"}));
}

TEST(OptionParserTest, ManyWordsThatAreNotOptionsNeedNoScratchArea) {
  std::vector<std::string> words(5000, "word");
  words.push_back("-n");
  CArgv args(words);
  const std::vector<ParsedOption> expected = {{5, "-n", kNone, 0}};
  EXPECT_EQ(ParseAll(args), expected);
  const std::vector<std::string> after = args.Words();
  EXPECT_EQ(after[1], "-n");
  EXPECT_EQ(after.back(), "word");
}

TEST(OptionParserTest, MatchLengthTellsExactPrefixAndNoMatch) {
  EXPECT_EQ(COptionParser::matchLength("--help", "--help"), -1);
  EXPECT_EQ(COptionParser::matchLength("--help", "--he"), 2);
  EXPECT_EQ(COptionParser::matchLength("--help", "--"), 0);
  EXPECT_EQ(COptionParser::matchLength("--help", "--helpme"), 0);
  EXPECT_EQ(COptionParser::matchLength("--help", "-help"), 0);
  EXPECT_EQ(COptionParser::matchLength("-h", "--h"), 0);
  EXPECT_EQ(COptionParser::matchLength("--help", "--HELP"), 0);
}

}  // namespace
