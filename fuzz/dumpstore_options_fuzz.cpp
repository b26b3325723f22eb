// Feeds arbitrary command lines to the store lister's option reading: words split at NUL bytes,
// the program path first. Beyond not crashing: the parser only rearranges argv (the same words
// remain), an accepted store name is within its bound, and a refused line always ends in the usage.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/dumpstore/core/dumpstore_options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 16) return 0;
  std::vector<std::string> words = {"DumpStore.exe"};
  std::string word;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      words.push_back(word);
      word.clear();
    } else {
      word.push_back(static_cast<char>(data[i]));
    }
  }
  words.push_back(word);

  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  std::vector<char*> before = argv;
  argv.push_back(nullptr);
  const luma::dumpstore::CommandLine line =
      luma::dumpstore::ReadCommandLine(static_cast<int>(words.size()), argv.data());

  std::vector<char*> after(argv.begin(), argv.end() - 1);
  if (after.front() != before.front()) std::abort();  // the program path stays first
  std::sort(before.begin(), before.end());
  std::sort(after.begin(), after.end());
  if (before != after) std::abort();
  if (line.run && line.settings.storeName.size() > luma::dumpstore::kMaxStoreNameLength) std::abort();
  if (!line.run && line.output.find("Usage:\n") == std::string::npos) std::abort();
  return 0;
}
