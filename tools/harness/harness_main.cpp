#include <cstdio>
#include <fstream>

#include "harness.h"

int main(int argc, char** argv) {
  ifold::harness::Options opt;
  std::string error;
  if (!ifold::harness::parse_args(argc, argv, opt, error)) {
    if (error == "help") {
      std::printf("%s", ifold::harness::usage().c_str());
      return 0;
    }
    std::fprintf(stderr, "ironfold-harness: %s\n\n%s", error.c_str(), ifold::harness::usage().c_str());
    return 2;
  }
  ifold::harness::Result r = ifold::harness::run(opt);
  std::string json = r.json();
  std::printf("%s\n", json.c_str());
  if (!opt.summary_file.empty()) std::ofstream(opt.summary_file) << json << "\n";
  return r.exit_reason == "crash" ? 1 : 0;
}
