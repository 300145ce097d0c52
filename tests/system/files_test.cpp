// File streams: line and binary rules, and harmless handles.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include "engine/system.h"

namespace fs = std::filesystem;

namespace {

class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("ifold_files_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  void put(const std::string& name, const std::string& bytes) const {
    std::ofstream(path(name), std::ios::binary) << bytes;
  }
  std::string get(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path dir_;
};

TEST_F(Files, ReadLineEndsAtLineFeedZeroOrEndAndDropsCarriageReturns) {
  static const char kText[] = "one\r\ntw\ro\nthree\0four\n\nlast";
  put("lines.txt", std::string(kText, sizeof kText - 1));
  const eng::FileHandle f = eng::ReadFile(path("lines.txt"));
  ASSERT_NE(f, 0);
  const char* expected[] = {"one", "two", "three", "four", "", "last"};
  for (const char* e : expected) {
    EXPECT_FALSE(eng::Eof(f)) << "before " << e;
    EXPECT_EQ(eng::ReadLine(f), e);
  }
  EXPECT_TRUE(eng::Eof(f));
  EXPECT_EQ(eng::ReadLine(f), "");  // past the end: empty, no crash
  eng::CloseFile(f);
}

TEST_F(Files, ReadLineKeepsEveryByteAsOneCharacter) {
  put("bytes.txt", "\xC3\xA9\xFF\x01x\n");
  const eng::FileHandle f = eng::ReadFile(path("bytes.txt"));
  EXPECT_EQ(eng::ReadLine(f), "\xC3\xA9\xFF\x01x");
  eng::CloseFile(f);
}

TEST_F(Files, WriteLineEndsWithCarriageReturnLineFeed) {
  const eng::FileHandle f = eng::WriteFile(path("out.cfg"));
  ASSERT_NE(f, 0);
  eng::WriteLine(f, "Width=800");
  eng::WriteLine(f, "");
  eng::CloseFile(f);
  EXPECT_EQ(get("out.cfg"), "Width=800\r\n\r\n");

  // Read back through the same layer.
  const eng::FileHandle r = eng::ReadFile(path("out.cfg"));
  EXPECT_EQ(eng::ReadLine(r), "Width=800");
  EXPECT_EQ(eng::ReadLine(r), "");
  EXPECT_TRUE(eng::Eof(r));
  eng::CloseFile(r);
}

TEST_F(Files, WriteTruncatesAnExistingFile) {
  put("old.txt", "a long old content");
  const eng::FileHandle f = eng::WriteFile(path("old.txt"));
  eng::WriteLine(f, "new");
  eng::CloseFile(f);
  EXPECT_EQ(get("old.txt"), "new\r\n");
}

TEST_F(Files, IntsAndFloatsAreLittleEndian) {
  const eng::FileHandle w = eng::WriteFile(path("bin.dat"));
  eng::WriteInt(w, 0x01020304);
  eng::WriteInt(w, -2);
  eng::WriteFloat(w, 1.5f);
  eng::WriteInt(w, std::numeric_limits<std::int32_t>::min());
  eng::CloseFile(w);
  const std::string bytes = get("bin.dat");
  ASSERT_EQ(bytes.size(), 16u);
  EXPECT_EQ(bytes.substr(0, 8), std::string("\x04\x03\x02\x01\xFE\xFF\xFF\xFF", 8));
  EXPECT_EQ(bytes.substr(8, 4), std::string("\x00\x00\xC0\x3F", 4));  // 1.5f
  EXPECT_EQ(bytes.substr(12, 4), std::string("\x00\x00\x00\x80", 4));

  const eng::FileHandle r = eng::ReadFile(path("bin.dat"));
  EXPECT_EQ(eng::ReadInt(r), 0x01020304);
  EXPECT_EQ(eng::ReadInt(r), -2);
  EXPECT_EQ(eng::ReadFloat(r), 1.5f);
  EXPECT_EQ(eng::ReadInt(r), std::numeric_limits<std::int32_t>::min());
  EXPECT_TRUE(eng::Eof(r));
  eng::CloseFile(r);
}

TEST_F(Files, ShortReadAtTheEndGivesZeroAndEof) {
  put("short.dat", std::string("\x05\x00\x00\x00\x07\x08", 6));
  const eng::FileHandle r = eng::ReadFile(path("short.dat"));
  EXPECT_EQ(eng::ReadInt(r), 5);
  EXPECT_FALSE(eng::Eof(r));
  EXPECT_EQ(eng::ReadInt(r), 0);  // only two bytes left
  EXPECT_TRUE(eng::Eof(r));
  EXPECT_EQ(eng::ReadFloat(r), 0.0f);
  EXPECT_EQ(eng::ReadLine(r), "");
  eng::CloseFile(r);
}

TEST_F(Files, BackslashesBecomeSlashes) {
  fs::create_directories(dir_ / "level" / "classic");
  std::ofstream(dir_ / "level" / "classic" / "level1.map") << "x";
  EXPECT_EQ(eng::NativePath("level\\classic\\level1.map"), "level/classic/level1.map");
  const std::string win = path("level") + "\\classic\\level1.map";
  EXPECT_TRUE(eng::FileExists(win));
  const eng::FileHandle f = eng::ReadFile(win);
  EXPECT_NE(f, 0);
  EXPECT_EQ(eng::ReadLine(f), "x");
  eng::CloseFile(f);
}

TEST_F(Files, MissingFilesAndDeadHandlesAreHarmless) {
  EXPECT_EQ(eng::ReadFile(path("nope.txt")), 0);
  EXPECT_EQ(eng::ReadFile(dir_.string()), 0);  // a directory is no file
  EXPECT_FALSE(eng::FileExists(path("nope.txt")));
  EXPECT_FALSE(eng::FileExists(dir_.string()));
  EXPECT_EQ(eng::WriteFile(path("no/such/dir/x.cfg")), 0);

  put("a.txt", "line\n");
  const eng::FileHandle closed = eng::ReadFile(path("a.txt"));
  eng::CloseFile(closed);
  for (eng::FileHandle h : {eng::FileHandle{0}, closed, eng::FileHandle{987654}}) {
    EXPECT_TRUE(eng::Eof(h)) << h;  // a reading loop on it ends at once
    EXPECT_EQ(eng::ReadLine(h), "");
    EXPECT_EQ(eng::ReadInt(h), 0);
    EXPECT_EQ(eng::ReadFloat(h), 0.0f);
    eng::WriteLine(h, "x");
    eng::WriteInt(h, 1);
    eng::WriteFloat(h, 1.0f);
    eng::CloseFile(h);
  }
  // A new handle never repeats a closed one.
  const eng::FileHandle again = eng::ReadFile(path("a.txt"));
  EXPECT_NE(again, closed);
  eng::CloseFile(again);
}

TEST_F(Files, ReadAndWriteHandlesDoNotCross) {
  put("r.txt", "abc\n");
  const eng::FileHandle r = eng::ReadFile(path("r.txt"));
  eng::WriteLine(r, "zzz");  // writing on a read handle does nothing
  EXPECT_EQ(eng::ReadLine(r), "abc");
  eng::CloseFile(r);
  EXPECT_EQ(get("r.txt"), "abc\n");

  const eng::FileHandle w = eng::WriteFile(path("w.txt"));
  EXPECT_EQ(eng::ReadLine(w), "");
  EXPECT_TRUE(eng::Eof(w));
  eng::CloseFile(w);
}

}  // namespace
