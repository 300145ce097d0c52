#include "synth.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "engine/media/file_write.h"

namespace synth {

void Biquad::set(Kind k, float freq, float q, float gain_db) {
  freq = std::clamp(freq, 10.0f, 0.45f * kRate);
  const float w = kTwoPi * freq / kRate;
  const float cw = std::cos(w), sw = std::sin(w);
  const float alpha = sw / (2.0f * q);
  float b0, b1, b2, a0, a1, a2;
  switch (k) {
    case Kind::LowPass:
      b0 = (1 - cw) / 2; b1 = 1 - cw; b2 = (1 - cw) / 2;
      a0 = 1 + alpha; a1 = -2 * cw; a2 = 1 - alpha;
      break;
    case Kind::HighPass:
      b0 = (1 + cw) / 2; b1 = -(1 + cw); b2 = (1 + cw) / 2;
      a0 = 1 + alpha; a1 = -2 * cw; a2 = 1 - alpha;
      break;
    case Kind::BandPass:  // constant 0 dB peak gain
      b0 = alpha; b1 = 0; b2 = -alpha;
      a0 = 1 + alpha; a1 = -2 * cw; a2 = 1 - alpha;
      break;
    case Kind::Peak:
    default: {
      const float A = std::pow(10.0f, gain_db / 40.0f);
      b0 = 1 + alpha * A; b1 = -2 * cw; b2 = 1 - alpha * A;
      a0 = 1 + alpha / A; a1 = -2 * cw; a2 = 1 - alpha / A;
      break;
    }
  }
  b0_ = b0 / a0; b1_ = b1 / a0; b2_ = b2 / a0; a1_ = a1 / a0; a2_ = a2 / a0;
}

namespace {

class Comb {
 public:
  explicit Comb(size_t n) : buf_(n, 0.0f) {}
  float process(float x, float feedback, float damp) {
    const float y = buf_[i_];
    store_ = y * (1 - damp) + store_ * damp;
    buf_[i_] = x + store_ * feedback;
    if (++i_ == buf_.size()) i_ = 0;
    return y;
  }

 private:
  std::vector<float> buf_;
  size_t i_ = 0;
  float store_ = 0;
};

class Allpass {
 public:
  explicit Allpass(size_t n) : buf_(n, 0.0f) {}
  float process(float x) {
    const float b = buf_[i_];
    const float y = -x + b;
    buf_[i_] = x + b * 0.5f;
    if (++i_ == buf_.size()) i_ = 0;
    return y;
  }

 private:
  std::vector<float> buf_;
  size_t i_ = 0;
};

}  // namespace

void add_reverb(const Buffer& in, Stereo& out, float wet, float size, float damp) {
  static const size_t kComb[] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
  static const size_t kAll[] = {556, 441, 341, 225};
  const size_t spread = 23;
  const float feedback = 0.7f + 0.28f * std::clamp(size, 0.0f, 1.0f);
  for (int ch = 0; ch < 2; ++ch) {
    std::vector<Comb> combs;
    std::vector<Allpass> alls;
    for (size_t c : kComb) combs.emplace_back(c + (ch ? spread : 0));
    for (size_t a : kAll) alls.emplace_back(a + (ch ? spread : 0));
    Buffer& o = ch ? out.r : out.l;
    const size_t n = std::min(in.size(), o.size());
    for (size_t i = 0; i < n; ++i) {
      const float x = in[i] * 0.015f;
      float acc = 0;
      for (Comb& c : combs) acc += c.process(x, feedback, damp);
      for (Allpass& a : alls) acc = a.process(acc);
      o[i] += acc * wet;
    }
  }
}

void fold_tail(Buffer& b, size_t length) {
  if (b.size() <= length) {
    b.resize(length, 0.0f);
    return;
  }
  for (size_t i = length; i < b.size(); ++i) b[i % length] += b[i];
  b.resize(length);
}

void fold_tail(Stereo& s, size_t length) {
  fold_tail(s.l, length);
  fold_tail(s.r, length);
}

void rotate_to_quiet(Stereo& s, size_t half, size_t before) {
  const size_t n = s.size();
  if (n < 4 * half + 1) return;
  std::vector<double> e(n);
  for (size_t i = 0; i < n; ++i) e[i] = double(s.l[i]) * s.l[i] + double(s.r[i]) * s.r[i];
  double win = 0;
  for (size_t k = 0; k <= 2 * half; ++k) win += e[(n - half + k) % n];  // window centred on 0
  double best = win;
  size_t at = 0;
  for (size_t i = 1; i < n; ++i) {
    win += e[(i + half) % n] - e[(i + n - half - 1) % n];
    if (before > 0 && i < n - before) continue;
    if (win < best) {
      best = win;
      at = i;
    }
  }
  std::rotate(s.l.begin(), s.l.begin() + static_cast<std::ptrdiff_t>(at), s.l.end());
  std::rotate(s.r.begin(), s.r.begin() + static_cast<std::ptrdiff_t>(at), s.r.end());
}

float peak(const Stereo& s) {
  float p = 0;
  for (size_t i = 0; i < s.size(); ++i) p = std::max({p, std::fabs(s.l[i]), std::fabs(s.r[i])});
  return p;
}

float rms(const Stereo& s) {
  double acc = 0;
  for (size_t i = 0; i < s.size(); ++i) acc += 0.5 * (double(s.l[i]) * s.l[i] + double(s.r[i]) * s.r[i]);
  return s.size() ? static_cast<float>(std::sqrt(acc / s.size())) : 0.0f;
}

float window_rms(const Stereo& s, size_t window) {
  if (s.size() <= window) return rms(s);
  std::vector<double> sq(s.size() + 1, 0.0);
  for (size_t i = 0; i < s.size(); ++i)
    sq[i + 1] = sq[i] + 0.5 * (double(s.l[i]) * s.l[i] + double(s.r[i]) * s.r[i]);
  double best = 0;
  const size_t hop = std::max<size_t>(1, window / 4);
  for (size_t a = 0; a + window <= s.size(); a += hop) best = std::max(best, sq[a + window] - sq[a]);
  return static_cast<float>(std::sqrt(best / window));
}

void scale(Stereo& s, float g) {
  for (size_t i = 0; i < s.size(); ++i) {
    s.l[i] *= g;
    s.r[i] *= g;
  }
}

void normalise(Stereo& s, float target_db, float peak_db, size_t window) {
  const float r = window_rms(s, window);
  if (r <= 0) return;
  float g = from_db(target_db) / r;
  const float p = peak(s) * g;
  if (p > from_db(peak_db)) g *= from_db(peak_db) / p;
  scale(s, g);
}

void fade_edges(Stereo& s, size_t in, size_t out) {
  const size_t n = s.size();
  for (size_t i = 0; i < in && i < n; ++i) {
    const float g = static_cast<float>(i) / static_cast<float>(in);
    s.l[i] *= g;
    s.r[i] *= g;
  }
  for (size_t i = 0; i < out && i < n; ++i) {
    const float g = static_cast<float>(i) / static_cast<float>(out);
    s.l[n - 1 - i] *= g;
    s.r[n - 1 - i] *= g;
  }
}

bool write_ogg(const std::string& path, const Stereo& s, float quality, std::string& error) {
  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, 2, kRate, quality) != 0) {
    vorbis_info_clear(&vi);
    error = path + ": the Vorbis encoder refused its settings";
    return false;
  }
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_comment_add_tag(&vc, "ENCODER", "ironfold-assetgen");
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, 0x1f01d);  // fixed serial: the same input gives the same bytes

  std::string bytes;
  auto take_page = [&](const ogg_page& og) {
    bytes.append(reinterpret_cast<const char*>(og.header), static_cast<size_t>(og.header_len));
    bytes.append(reinterpret_cast<const char*>(og.body), static_cast<size_t>(og.body_len));
  };
  ogg_packet header, header_comm, header_code;
  vorbis_analysis_headerout(&vd, &vc, &header, &header_comm, &header_code);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &header_comm);
  ogg_stream_packetin(&os, &header_code);
  ogg_page og;
  while (ogg_stream_flush(&os, &og) != 0) take_page(og);

  const size_t chunk = 4096;
  size_t at = 0;
  bool eos = false;
  while (!eos) {
    const size_t n = std::min(chunk, s.size() - at);
    if (n == 0) {
      vorbis_analysis_wrote(&vd, 0);
    } else {
      float** buf = vorbis_analysis_buffer(&vd, static_cast<int>(n));
      std::memcpy(buf[0], s.l.data() + at, n * sizeof(float));
      std::memcpy(buf[1], s.r.data() + at, n * sizeof(float));
      vorbis_analysis_wrote(&vd, static_cast<int>(n));
      at += n;
    }
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet op;
      while (vorbis_bitrate_flushpacket(&vd, &op)) {
        ogg_stream_packetin(&os, &op);
        while (!eos && ogg_stream_pageout(&os, &og) != 0) {
          take_page(og);
          if (ogg_page_eos(&og)) eos = true;
        }
      }
    }
    if (n == 0 && !eos) {
      // Everything analysed: flush what is left of the stream.
      while (ogg_stream_flush(&os, &og) != 0) {
        take_page(og);
        if (ogg_page_eos(&og)) eos = true;
      }
      eos = true;
    }
  }
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);

  return eng::replace_file(path, bytes.data(), bytes.size(), error);
}

}  // namespace synth
