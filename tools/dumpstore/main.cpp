// DumpStore: lists a system certificate store with every property of its certificates.
// Exit code 0 after a complete listing, 1 after the usage text and on any failure.
#include <cstdio>
#include <exception>
#include <string>

#include "tools/dumpstore/core/dumpstore_options.h"
#include "tools/dumpstore/store_lister.h"

namespace {

// Standard output stays in text mode: every "\n" reaches the console as CR LF.
void WriteOut(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

int Run(int argc, char** argv) {
  const luma::dumpstore::CommandLine line = luma::dumpstore::ReadCommandLine(argc, argv);
  if (!line.run) {
    WriteOut(line.output);
    return 1;
  }
  return luma::dumpstore::ListStore(line.settings, WriteOut);
}

}  // namespace

int main(int argc, char** argv) {
  int exitCode = 1;
  try {
    exitCode = Run(argc, argv);
  } catch (const std::exception& failure) {
    WriteOut(std::string("\n ERROR: Unexpected failure: ") + failure.what() + "\n");
  } catch (...) {
    WriteOut("\n ERROR: Unexpected failure!\n");
  }
  std::fflush(stdout);
  return exitCode;
}
