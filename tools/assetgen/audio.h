// Sound effects and music of the game, synthesised and written as Ogg Vorbis.
//
// Build note for the asset generator target: these files (audio*.cpp,
// music*.cpp, synth*.cpp) need the pkg-config modules "vorbisenc vorbis ogg"
// and Threads::Threads.
#pragma once

#include <string>

// Writes data_dir/sound/*.ogg: the eleven effects the game loads (engine and
// rumble loops, shots, explosion, impacts, bonus sounds). Creates the folder.
bool generate_sounds(const std::string& data_dir, std::string& error);

// Writes data_dir/music/track0.ogg (menus) .. track3.ogg (levels), each a
// seamless loop. Creates the folder.
bool generate_music(const std::string& data_dir, std::string& error);
