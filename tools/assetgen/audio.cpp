#include "audio.h"

// Placeholder until the synthesiser lands: reports that nothing was written.
bool generate_sounds(const std::string& data_dir, std::string& error) {
  error = data_dir + "/sound: sound generation is not built yet";
  return false;
}

bool generate_music(const std::string& data_dir, std::string& error) {
  error = data_dir + "/music: music generation is not built yet";
  return false;
}
