// The game's own data problems (a missing or corrupt model, texture, map or
// roster) end the program with one clear message naming the file. Thrown so
// that main and the harness unwind cleanly and show it.
#pragma once

#include <stdexcept>
#include <string>

namespace ifold {

class FatalDataError : public std::runtime_error {
 public:
  explicit FatalDataError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace ifold
