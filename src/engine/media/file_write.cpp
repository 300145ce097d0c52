#include "engine/media/file_write.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace eng {

bool replace_file(const std::string& path, const void* data, std::size_t size, std::string& error) {
  static std::atomic<unsigned> counter{0};
  const std::string tmp = path + "." + std::to_string(::getpid()) + "." +
                          std::to_string(counter.fetch_add(1)) + ".tmp";
  std::FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f) {
    error = path + ": cannot open for writing: " + std::strerror(errno);
    return false;
  }
  const bool written = size == 0 || std::fwrite(data, 1, size, f) == size;
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed) {
    std::remove(tmp.c_str());
    error = path + ": write error";
    return false;
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    error = path + ": cannot replace the file: " + std::strerror(errno);
    std::remove(tmp.c_str());
    return false;
  }
  return true;
}

}  // namespace eng
