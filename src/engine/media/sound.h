// Sound decoding: whole Ogg Vorbis files into memory, as stereo float frames at
// the mixer rate (mono is doubled, other rates are resampled).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/media/mixer.h"

namespace eng {

// Longest sound accepted, so that a damaged length field cannot exhaust memory.
constexpr int kMaxSoundSeconds = 15 * 60;

// Decodes `path`. On failure returns null and puts a short reason in `error`
// (without the file name; the caller names the file).
std::shared_ptr<SoundData> decode_ogg_file(const std::string& path, std::string& error);
// The same from bytes in memory (the file reader uses it; so can a fuzzer).
std::shared_ptr<SoundData> decode_ogg_memory(const unsigned char* data, size_t size, std::string& error);

// Linear resampling of interleaved stereo frames from one rate to another.
std::vector<float> resample_stereo(const std::vector<float>& in, int from_rate, int to_rate);

}  // namespace eng
