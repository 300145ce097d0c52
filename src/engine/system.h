// Ironfold media, input and system facilities: clock, presentation, keys,
// files, random numbers, text conversion, sounds and channels, process end.
//
// Everything time-, input- or chance-dependent goes through here so that the
// virtual backend can replay a game tick for tick.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace eng {

class Platform;

// ---- start-up and backend ------------------------------------------------
// Installs the backend every facility talks to (SDL for the game, virtual for
// the harness and tests). Replacing it closes the old one's display first.
void UsePlatform(std::unique_ptr<Platform> platform);
Platform& CurrentPlatform();
bool HasPlatform();

// Thrown by End(); main() and the harness catch it to unwind cleanly.
struct ProgramEnd {
  int status = 0;
};
[[noreturn]] void End();

void AppTitle(const std::string& title);
void HidePointer();

// ---- frames and time -----------------------------------------------------
// sync 1: wait for the vertical refresh; 0: no wait; -1: paced to the rate the
// display was opened with (60 Hz).
void Flip(int sync = 1);
void Cls();
void Delay(int ms);
std::int32_t MilliSecs();
void EndGraphics();
bool GraphicsOpen();

// ---- keys (virtual-key codes) ----------------------------------------------
enum Key : int {
  KEY_ENTER = 13,
  KEY_ESC = 27,
  KEY_SPACE = 32,
  KEY_LEFT = 37,
  KEY_UP = 38,
  KEY_RIGHT = 39,
  KEY_DOWN = 40,
  KEY_NUM0 = 96,
  KEY_F1 = 112,
  KEY_F12 = 123,
  KEY_LCTRL = 162,
  KEY_RCTRL = 163,
  KEY_LALT = 164,
  KEY_PLUS = 187,
  KEY_MINUS = 189,
};
int KeyHit(int vk);   // presses since the last query; the query resets it
bool KeyDown(int vk);
int GetKey();          // next typed character, 0 when none
void FlushKeys();
bool CloseRequested(); // true once after the user asked to close the window
bool Suspended();      // true while the window has lost the focus

// ---- files -----------------------------------------------------------------
// Paths are relative to the working directory; each '\' becomes '/'.
using FileHandle = std::int32_t;
FileHandle ReadFile(const std::string& path);   // 0 when it cannot be opened
FileHandle WriteFile(const std::string& path);  // creates or truncates; 0 on failure
void CloseFile(FileHandle f);
bool Eof(FileHandle f);
std::string ReadLine(FileHandle f);
void WriteLine(FileHandle f, const std::string& s);
std::int32_t ReadInt(FileHandle f);
float ReadFloat(FileHandle f);
void WriteInt(FileHandle f, std::int32_t v);
void WriteFloat(FileHandle f, float v);
bool FileExists(const std::string& path);
std::string NativePath(const std::string& path);  // '\' -> '/'

// ---- random ----------------------------------------------------------------
void SeedRnd(std::uint32_t seed);
int Rand(int a, int b);          // uniform integer in [a, b]
float Rnd(float a, float b);     // uniform real in [a, b)

// ---- text ------------------------------------------------------------------
int ToInt(const std::string& s);
std::string Str(int v);
std::string Left(const std::string& s, int n);
std::string Right(const std::string& s, int n);

// ---- sounds and channels ---------------------------------------------------
using SoundHandle = std::int32_t;
using ChannelHandle = std::int32_t;
SoundHandle LoadSound(const std::string& file, int flags = 0);  // flag 1: loop; 0 on failure
void FreeSound(SoundHandle s);
ChannelHandle AllocChannel();
// Plays on the given channel (stopping what it played) or, with 0, on a new one.
ChannelHandle PlaySound(SoundHandle s, ChannelHandle ch = 0);
ChannelHandle CueSound(SoundHandle s, ChannelHandle ch = 0);  // starts paused
void PauseChannel(ChannelHandle ch);
void ResumeChannel(ChannelHandle ch);
void StopChannel(ChannelHandle ch);
void ChannelVolume(ChannelHandle ch, float volume);  // 0..1
bool ChannelPlaying(ChannelHandle ch);
int LiveSoundCount();

}  // namespace eng
