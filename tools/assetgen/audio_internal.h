// Helpers shared by the sound and music generators.
#pragma once

#include <functional>
#include <string>

namespace audio_internal {

// Runs job(0) .. job(count - 1) on up to two threads; false with the first
// error when any job fails.
bool run_parallel(size_t count, const std::function<bool(size_t, std::string&)>& job, std::string& error);

bool ensure_dir(const std::string& path, std::string& error);

}  // namespace audio_internal
