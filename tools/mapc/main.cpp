// ironfold-mapc: compiles level designs to .map files, turns .map files back
// into text and checks designs.
#include <cstdio>
#include <string>
#include <vector>

#include "mapc.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: ironfold-mapc compile IN.txt OUT.map\n"
               "       ironfold-mapc decompile IN.map [OUT.txt]\n"
               "       ironfold-mapc check IN.txt...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  const std::string cmd = argv[1];
  std::string error;
  if (cmd == "compile" && argc == 4) {
    if (!mapc::compile_file(argv[2], argv[3], argv[2], error)) {
      std::fprintf(stderr, "ironfold-mapc: %s\n", error.c_str());
      return 1;
    }
    return 0;
  }
  if (cmd == "decompile" && (argc == 3 || argc == 4)) {
    std::string raw;
    std::vector<mapc::Entry> entries;
    if (!mapc::read_file(argv[2], raw, error) ||
        !mapc::decode_map(std::vector<std::uint8_t>(raw.begin(), raw.end()), argv[2], entries, error)) {
      std::fprintf(stderr, "ironfold-mapc: %s\n", error.c_str());
      return 1;
    }
    const std::string text = mapc::to_text(entries, std::string("decompiled from ") + argv[2]);
    if (argc == 3) {
      std::fwrite(text.data(), 1, text.size(), stdout);
      return 0;
    }
    if (!mapc::write_file(argv[3], text.data(), text.size(), error)) {
      std::fprintf(stderr, "ironfold-mapc: %s\n", error.c_str());
      return 1;
    }
    return 0;
  }
  if (cmd == "check" && argc >= 3) {
    int failed = 0;
    for (int i = 2; i < argc; ++i) {
      std::string text;
      mapc::Design d;
      if (!mapc::read_file(argv[i], text, error) || !mapc::parse_text(text, argv[i], d, error) ||
          !mapc::validate(d, argv[i], error)) {
        std::fprintf(stderr, "ironfold-mapc: %s\n", error.c_str());
        ++failed;
      }
    }
    if (failed == 0) std::printf("%d design(s) ok\n", argc - 2);
    return failed ? 1 : 0;
  }
  return usage();
}
