// Fuzzes the .b3d reader. Beyond not crashing, whatever it accepts must
// survive the writer: write -> read succeeds and a second write is identical.
#include <cstdlib>

#include "engine/media/model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  eng::Model model;
  std::string error;
  if (!eng::read_b3d(data, size, model, error)) {
    if (error.empty()) std::abort();  // a refusal must say why
    return 0;
  }
  const std::vector<std::uint8_t> once = eng::write_b3d(model);
  eng::Model again;
  if (!eng::read_b3d(once.data(), once.size(), again, error)) std::abort();
  if (eng::write_b3d(again) != once) std::abort();
  return 0;
}
