#include "engine/media/sound.h"

#include <vorbis/vorbisfile.h>

#include <cmath>
#include <cstdio>
#include <cstdint>

namespace eng {

std::vector<float> resample_stereo(const std::vector<float>& in, int from_rate, int to_rate) {
  if (from_rate == to_rate || from_rate <= 0 || to_rate <= 0) return in;
  const std::int64_t n_in = static_cast<std::int64_t>(in.size() / 2);
  if (n_in == 0) return {};
  const std::int64_t n_out = (n_in * to_rate + from_rate - 1) / from_rate;
  std::vector<float> out(static_cast<size_t>(n_out) * 2);
  const double ratio = static_cast<double>(from_rate) / to_rate;
  for (std::int64_t i = 0; i < n_out; ++i) {
    const double src = static_cast<double>(i) * ratio;
    std::int64_t a = static_cast<std::int64_t>(src);
    if (a >= n_in) a = n_in - 1;
    const std::int64_t b = a + 1 < n_in ? a + 1 : a;
    const float t = static_cast<float>(src - static_cast<double>(a));
    for (int k = 0; k < 2; ++k) {
      const float va = in[static_cast<size_t>(2 * a + k)];
      const float vb = in[static_cast<size_t>(2 * b + k)];
      out[static_cast<size_t>(2 * i + k)] = va + (vb - va) * t;
    }
  }
  return out;
}

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};

// Appends a run of frames decoded at one rate, converting it to the mixer rate.
void flush_run(std::vector<float>& run, int rate, std::vector<float>& out) {
  if (run.empty()) return;
  std::vector<float> conv = resample_stereo(run, rate, Mixer::kRate);
  out.insert(out.end(), conv.begin(), conv.end());
  run.clear();
}

}  // namespace

std::shared_ptr<SoundData> decode_ogg_file(const std::string& path, std::string& error) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    error = "file not found or not readable";
    return nullptr;
  }
  OggVorbis_File vf;
  if (ov_open_callbacks(file.get(), &vf, nullptr, 0, OV_CALLBACKS_NOCLOSE) != 0) {
    error = "not an Ogg Vorbis file";
    return nullptr;
  }
  struct Cleanup {
    OggVorbis_File* vf;
    ~Cleanup() { ov_clear(vf); }
  } cleanup{&vf};

  auto data = std::make_shared<SoundData>();
  std::vector<float> run;  // stereo frames at run_rate, not yet converted
  int run_rate = 0;
  const std::int64_t max_frames = static_cast<std::int64_t>(kMaxSoundSeconds) * 192000;
  std::int64_t total = 0;
  for (;;) {
    float** pcm = nullptr;
    int link = 0;
    const long got = ov_read_float(&vf, &pcm, 4096, &link);
    if (got == 0) break;
    if (got == OV_HOLE) continue;  // a gap in the data: skip it and go on
    if (got < 0) {
      error = "damaged Ogg Vorbis data";
      return nullptr;
    }
    const vorbis_info* info = ov_info(&vf, link);
    if (!info || info->channels < 1 || info->rate < 1000 || info->rate > 192000) {
      error = "unsupported channel count or sample rate";
      return nullptr;
    }
    const int rate = static_cast<int>(info->rate);
    if (rate != run_rate) {
      flush_run(run, run_rate, data->samples);
      run_rate = rate;
    }
    const bool mono = info->channels == 1;
    for (long i = 0; i < got; ++i) {
      run.push_back(pcm[0][i]);
      run.push_back(mono ? pcm[0][i] : pcm[1][i]);
    }
    total += got;
    if (total / rate > kMaxSoundSeconds || total > max_frames) {
      error = "longer than " + std::to_string(kMaxSoundSeconds / 60) + " minutes";
      return nullptr;
    }
  }
  flush_run(run, run_rate, data->samples);
  if (data->samples.empty()) {
    error = "no audio in the file";
    return nullptr;
  }
  for (float& s : data->samples) {
    if (!std::isfinite(s)) s = 0.0f;
  }
  return data;
}

}  // namespace eng
