#include "engine/media/sound.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

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

// A read cursor over bytes in memory for libvorbisfile.
struct MemoryStream {
  const unsigned char* data;
  size_t size;
  size_t pos;
};

size_t mem_read(void* out, size_t size, size_t count, void* user) {
  auto* m = static_cast<MemoryStream*>(user);
  if (size == 0) return 0;
  const size_t left = m->size - m->pos;
  const size_t n = std::min(count, left / size);
  std::memcpy(out, m->data + m->pos, n * size);
  m->pos += n * size;
  return n;
}

int mem_seek(void* user, ogg_int64_t offset, int whence) {
  auto* m = static_cast<MemoryStream*>(user);
  ogg_int64_t base = 0;
  if (whence == SEEK_CUR) base = static_cast<ogg_int64_t>(m->pos);
  else if (whence == SEEK_END) base = static_cast<ogg_int64_t>(m->size);
  else if (whence != SEEK_SET) return -1;
  if (offset > static_cast<ogg_int64_t>(m->size) || offset < -static_cast<ogg_int64_t>(m->size)) return -1;
  const ogg_int64_t to = base + offset;
  if (to < 0 || to > static_cast<ogg_int64_t>(m->size)) return -1;
  m->pos = static_cast<size_t>(to);
  return 0;
}

long mem_tell(void* user) { return static_cast<long>(static_cast<MemoryStream*>(user)->pos); }

// Appends a run of frames decoded at one rate, converting it to the mixer rate.
void flush_run(std::vector<float>& run, int rate, std::vector<float>& out) {
  if (run.empty()) return;
  if (rate == Mixer::kRate) {
    if (out.empty()) {
      out.swap(run);  // the usual case: one link at the mixer rate, no copy
    } else {
      out.insert(out.end(), run.begin(), run.end());
    }
  } else {
    std::vector<float> conv = resample_stereo(run, rate, Mixer::kRate);
    out.insert(out.end(), conv.begin(), conv.end());
  }
  run.clear();
}

}  // namespace

std::shared_ptr<SoundData> decode_ogg_file(const std::string& path, std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    error = "file not found or not readable";
    return nullptr;
  }
  std::vector<unsigned char> bytes;
  unsigned char buf[65536];
  size_t got = 0;
  while ((got = std::fread(buf, 1, sizeof buf, file)) > 0) bytes.insert(bytes.end(), buf, buf + got);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    error = "file not readable";
    return nullptr;
  }
  return decode_ogg_memory(bytes.data(), bytes.size(), error);
}

std::shared_ptr<SoundData> decode_ogg_memory(const unsigned char* bytes, size_t size, std::string& error) {
  if (!bytes || size == 0) {
    error = "empty file";
    return nullptr;
  }
  MemoryStream stream{bytes, size, 0};
  const ov_callbacks callbacks{mem_read, mem_seek, nullptr, mem_tell};
  OggVorbis_File vf;
  if (ov_open_callbacks(&stream, &vf, nullptr, 0, callbacks) != 0) {
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
  const ogg_int64_t expected = ov_pcm_total(&vf, -1);  // a hint only: the data may lie
  if (expected > 0 && expected < static_cast<ogg_int64_t>(Mixer::kRate) * kMaxSoundSeconds) {
    run.reserve(static_cast<size_t>(expected) * 2);
  }
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
    const float* left = pcm[0];
    const float* right = info->channels == 1 ? pcm[0] : pcm[1];
    const size_t at = run.size();
    run.resize(at + 2 * static_cast<size_t>(got));
    float* dst = run.data() + at;
    for (long i = 0; i < got; ++i) {
      dst[2 * i] = left[i];
      dst[2 * i + 1] = right[i];
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
