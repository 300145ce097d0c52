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

// C stdio reports a directory as a read error instead of throwing.
bool read_file(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error) {
  bytes.clear();
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    error = path + ": cannot open file";
    return false;
  }
  std::uint8_t buf[65536];
  std::size_t n = 0;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) {
    error = path + ": cannot read file (is it a directory?)";
    bytes.clear();
    return false;
  }
  return true;
}

}  // namespace eng
