// File streams: whole-file reads into memory (game files are small), buffered
// writes. Handles are never reused within a run, and every call on an unknown
// or closed handle does nothing.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "engine/system.h"

namespace eng {

namespace {

struct OpenFile {
  bool writing = false;
  std::vector<unsigned char> data;  // reading: the whole file
  size_t pos = 0;
  std::FILE* out = nullptr;          // writing
};

struct FileTable {
  std::unordered_map<FileHandle, OpenFile> files;
  FileHandle next = 0;
  ~FileTable() {
    for (auto& [h, f] : files) {
      if (f.out) std::fclose(f.out);
    }
  }
};

FileTable& table() {
  static FileTable t;
  return t;
}

OpenFile* find(FileHandle h) {
  if (h == 0) return nullptr;
  auto it = table().files.find(h);
  return it == table().files.end() ? nullptr : &it->second;
}

OpenFile* reader(FileHandle h) {
  OpenFile* f = find(h);
  return f && !f->writing ? f : nullptr;
}

OpenFile* writer(FileHandle h) {
  OpenFile* f = find(h);
  return f && f->writing ? f : nullptr;
}

bool is_regular(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

FileHandle add(OpenFile&& f) {
  FileTable& t = table();
  const FileHandle h = ++t.next;
  t.files.emplace(h, std::move(f));
  return h;
}

// Reads 4 bytes little-endian; a short read consumes the rest and gives zeros.
bool read4(FileHandle h, unsigned char b[4]) {
  OpenFile* f = reader(h);
  if (!f) return false;
  if (f->data.size() - f->pos < 4) {
    f->pos = f->data.size();
    return false;
  }
  std::memcpy(b, f->data.data() + f->pos, 4);
  f->pos += 4;
  return true;
}

void write_bytes(FileHandle h, const void* p, size_t n) {
  OpenFile* f = writer(h);
  if (f && n > 0) std::fwrite(p, 1, n, f->out);
}

}  // namespace

std::string NativePath(const std::string& path) {
  std::string p = path;
  for (char& c : p) {
    if (c == '\\') c = '/';
  }
  return p;
}

bool FileExists(const std::string& path) { return is_regular(NativePath(path)); }

FileHandle ReadFile(const std::string& path) {
  const std::string p = NativePath(path);
  if (!is_regular(p)) return 0;
  std::FILE* in = std::fopen(p.c_str(), "rb");
  if (!in) return 0;
  OpenFile f;
  unsigned char buf[65536];
  size_t got = 0;
  while ((got = std::fread(buf, 1, sizeof buf, in)) > 0) f.data.insert(f.data.end(), buf, buf + got);
  const bool failed = std::ferror(in) != 0;
  std::fclose(in);
  if (failed) return 0;
  return add(std::move(f));
}

FileHandle WriteFile(const std::string& path) {
  const std::string p = NativePath(path);
  std::FILE* out = std::fopen(p.c_str(), "wb");
  if (!out) return 0;
  OpenFile f;
  f.writing = true;
  f.out = out;
  return add(std::move(f));
}

void CloseFile(FileHandle h) {
  OpenFile* f = find(h);
  if (!f) return;
  if (f->out) std::fclose(f->out);
  table().files.erase(h);
}

bool Eof(FileHandle h) {
  OpenFile* f = reader(h);
  // Nothing more can be read from a closed, unknown or write-only handle, so
  // a reading loop on it ends at once.
  return !f || f->pos >= f->data.size();
}

std::string ReadLine(FileHandle h) {
  OpenFile* f = reader(h);
  std::string line;
  if (!f) return line;
  while (f->pos < f->data.size()) {
    const unsigned char c = f->data[f->pos++];
    if (c == '\n' || c == 0) break;
    if (c == '\r') continue;
    line.push_back(static_cast<char>(c));
  }
  return line;
}

void WriteLine(FileHandle h, const std::string& s) {
  write_bytes(h, s.data(), s.size());
  write_bytes(h, "\r\n", 2);
}

std::int32_t ReadInt(FileHandle h) {
  unsigned char b[4];
  if (!read4(h, b)) return 0;
  const std::uint32_t u = static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
                          (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
  return static_cast<std::int32_t>(u);
}

float ReadFloat(FileHandle h) {
  unsigned char b[4];
  if (!read4(h, b)) return 0.0f;
  const std::uint32_t u = static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
                          (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
  float v;
  std::memcpy(&v, &u, 4);
  return v;
}

void WriteInt(FileHandle h, std::int32_t v) {
  const std::uint32_t u = static_cast<std::uint32_t>(v);
  const unsigned char b[4] = {static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8),
                              static_cast<unsigned char>(u >> 16), static_cast<unsigned char>(u >> 24)};
  write_bytes(h, b, 4);
}

void WriteFloat(FileHandle h, float v) {
  std::uint32_t u;
  std::memcpy(&u, &v, 4);
  WriteInt(h, static_cast<std::int32_t>(u));
}

}  // namespace eng
