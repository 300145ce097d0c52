// The seeded random generator and the text conversions.
#include <cmath>
#include <cstdint>

#include "engine/system.h"

namespace eng {

namespace {

// PCG32 (XSH RR): small, fast and the same on every compiler and library.
struct Pcg32 {
  std::uint64_t state = 0x853c49e6748fea9bULL;
  std::uint64_t inc = 0xda3e39cb94b95bdbULL;

  void seed(std::uint64_t s) {
    state = 0;
    inc = (0xda3e39cb94b95bdbULL << 1u) | 1u;
    next();
    state += s;
    next();
  }
  std::uint32_t next() {
    const std::uint64_t old = state;
    state = old * 6364136223846793005ULL + inc;
    const auto xorshifted = static_cast<std::uint32_t>(((old >> 18u) ^ old) >> 27u);
    const auto rot = static_cast<std::uint32_t>(old >> 59u);
    return (xorshifted >> rot) | (xorshifted << ((32u - rot) & 31u));
  }
  // Uniform in [0, bound) without modulo bias.
  std::uint64_t below(std::uint64_t bound) {
    if (bound <= 1) return 0;
    if (bound > 0xffffffffULL) {  // only Rand(INT_MIN, INT_MAX): 2^32 values
      return next();
    }
    const auto b = static_cast<std::uint32_t>(bound);
    const std::uint32_t threshold = (0u - b) % b;
    for (;;) {
      const std::uint32_t r = next();
      if (r >= threshold) return r % b;
    }
  }
};

Pcg32& rng() {
  static Pcg32 g = [] {
    Pcg32 p;
    p.seed(0);
    return p;
  }();
  return g;
}

}  // namespace

void SeedRnd(std::uint32_t seed) { rng().seed(seed); }

int Rand(int a, int b) {
  if (a > b) std::swap(a, b);
  const std::uint64_t span = static_cast<std::uint64_t>(static_cast<std::int64_t>(b) - a) + 1;
  return static_cast<int>(static_cast<std::int64_t>(a) + static_cast<std::int64_t>(rng().below(span)));
}

float Rnd(float a, float b) {
  const float u = static_cast<float>(rng().next() >> 8) * (1.0f / 16777216.0f);  // [0, 1)
  const float r = a + (b - a) * u;
  // Rounding can land on b itself; keep the upper end open.
  if (a < b && r >= b) return std::nextafter(b, a);
  if (a > b && r <= b) return std::nextafter(b, a);
  return r;
}

int ToInt(const std::string& s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  std::uint32_t base = 10;
  if (i < s.size() && s[i] == '%') {
    base = 2;
    ++i;
  } else if (i < s.size() && s[i] == '$') {
    base = 16;
    ++i;
  }
  std::uint32_t v = 0;  // unsigned: overflow wraps as 32 bits, defined
  for (; i < s.size(); ++i) {
    const char c = s[i];
    std::uint32_t d;
    if (c >= '0' && c <= '9') {
      d = static_cast<std::uint32_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      d = static_cast<std::uint32_t>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      d = static_cast<std::uint32_t>(c - 'A' + 10);
    } else {
      break;
    }
    if (d >= base) break;
    v = v * base + d;
  }
  if (negative) v = 0u - v;
  return static_cast<int>(v);
}

std::string Str(int v) { return std::to_string(v); }

std::string Left(const std::string& s, int n) {
  if (n <= 0) return "";
  return s.substr(0, static_cast<size_t>(n));
}

std::string Right(const std::string& s, int n) {
  if (n <= 0) return "";
  if (static_cast<size_t>(n) >= s.size()) return s;
  return s.substr(s.size() - static_cast<size_t>(n));
}

}  // namespace eng
