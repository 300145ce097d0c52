// Small vector and matrix types for the engine (column vectors, column-major 4x4).
#pragma once

#include <cmath>

namespace eng {

struct Vec3 {
  float x = 0, y = 0, z = 0;
  constexpr Vec3() = default;
  constexpr Vec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
  constexpr Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
  constexpr Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
  constexpr Vec3 operator-() const { return {-x, -y, -z}; }
  constexpr Vec3 operator*(float s) const { return {x * s, y * s, z * s}; }
  constexpr Vec3 operator/(float s) const { return {x / s, y / s, z / s}; }
  Vec3& operator+=(const Vec3& o) { x += o.x; y += o.y; z += o.z; return *this; }
  Vec3& operator-=(const Vec3& o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
  Vec3& operator*=(float s) { x *= s; y *= s; z *= s; return *this; }
};

constexpr float dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
constexpr Vec3 cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float length(const Vec3& v) { return std::sqrt(dot(v, v)); }
inline Vec3 normalize(const Vec3& v) {
  float l = length(v);
  return l > 0 ? v / l : Vec3{};
}

// 4x4 matrix, column-major (m[col*4+row]), acting on column vectors.
struct Mat4 {
  float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

  static Mat4 identity() { return {}; }
  float& at(int row, int col) { return m[col * 4 + row]; }
  float at(int row, int col) const { return m[col * 4 + row]; }

  Mat4 operator*(const Mat4& o) const {
    Mat4 r;
    for (int c = 0; c < 4; ++c)
      for (int rr = 0; rr < 4; ++rr) {
        float s = 0;
        for (int k = 0; k < 4; ++k) s += at(rr, k) * o.at(k, c);
        r.at(rr, c) = s;
      }
    return r;
  }
  Vec3 transform_point(const Vec3& p) const {
    return {at(0, 0) * p.x + at(0, 1) * p.y + at(0, 2) * p.z + at(0, 3),
            at(1, 0) * p.x + at(1, 1) * p.y + at(1, 2) * p.z + at(1, 3),
            at(2, 0) * p.x + at(2, 1) * p.y + at(2, 2) * p.z + at(2, 3)};
  }
  Vec3 transform_dir(const Vec3& d) const {
    return {at(0, 0) * d.x + at(0, 1) * d.y + at(0, 2) * d.z,
            at(1, 0) * d.x + at(1, 1) * d.y + at(1, 2) * d.z,
            at(2, 0) * d.x + at(2, 1) * d.y + at(2, 2) * d.z};
  }
  Vec3 translation() const { return {at(0, 3), at(1, 3), at(2, 3)}; }
};


// ---- transform helpers (added for the scene graph) ---------------------------

inline constexpr float kDegToRad = 3.14159265358979323846f / 180.0f;
inline constexpr float kRadToDeg = 180.0f / 3.14159265358979323846f;

inline Mat4 mat_translate(const Vec3& t) {
  Mat4 r;
  r.at(0, 3) = t.x;
  r.at(1, 3) = t.y;
  r.at(2, 3) = t.z;
  return r;
}

inline Mat4 mat_scale(const Vec3& s) {
  Mat4 r;
  r.at(0, 0) = s.x;
  r.at(1, 1) = s.y;
  r.at(2, 2) = s.z;
  return r;
}

// Rotation of the engine's Euler angles (degrees): roll about z first, then
// pitch about x (positive: nose down), then yaw about y (yaw 90: +z turns to -x).
// R = Ry(yaw) * Rx(pitch) * Rz(roll), left-handed world.
inline Mat4 mat_rotate(float pitch, float yaw, float roll) {
  const float p = pitch * kDegToRad, y = yaw * kDegToRad, r = roll * kDegToRad;
  const float cp = std::cos(p), sp = std::sin(p), cy = std::cos(y), sy = std::sin(y),
              cr = std::cos(r), sr = std::sin(r);
  Mat4 m;
  // columns: images of +x, +y, +z
  m.at(0, 0) = cy * cr - sy * sp * sr;
  m.at(1, 0) = cp * sr;
  m.at(2, 0) = sy * cr + cy * sp * sr;
  m.at(0, 1) = -cy * sr - sy * sp * cr;
  m.at(1, 1) = cp * cr;
  m.at(2, 1) = -sy * sr + cy * sp * cr;
  m.at(0, 2) = -sy * cp;
  m.at(1, 2) = -sp;
  m.at(2, 2) = cy * cp;
  return m;
}

// Euler angles (pitch, yaw, roll in degrees) of a pure rotation built as mat_rotate does.
inline Vec3 euler_from_rotation(const Mat4& m) {
  float s = -m.at(1, 2);
  s = s > 1 ? 1 : (s < -1 ? -1 : s);
  const float pitch = std::asin(s);
  float yaw, roll;
  if (std::fabs(s) < 0.99999f) {
    yaw = std::atan2(-m.at(0, 2), m.at(2, 2));
    roll = std::atan2(m.at(1, 0), m.at(1, 1));
  } else {  // looking straight up or down: fold roll into yaw
    roll = 0;
    // with roll 0 the first column is (cos yaw, 0, sin yaw)
    yaw = std::atan2(m.at(2, 0), m.at(0, 0));
  }
  return {pitch * kRadToDeg, yaw * kRadToDeg, roll * kRadToDeg};
}

// Column lengths of the linear part (the scale of an affine transform).
inline Vec3 mat_scale_of(const Mat4& m) {
  return {length(Vec3{m.at(0, 0), m.at(1, 0), m.at(2, 0)}),
          length(Vec3{m.at(0, 1), m.at(1, 1), m.at(2, 1)}),
          length(Vec3{m.at(0, 2), m.at(1, 2), m.at(2, 2)})};
}

// The linear part with unit columns and no translation.
inline Mat4 mat_rotation_of(const Mat4& m) {
  Mat4 r;
  const Vec3 s = mat_scale_of(m);
  for (int c = 0; c < 3; ++c) {
    const float l = (c == 0 ? s.x : c == 1 ? s.y : s.z);
    for (int row = 0; row < 3; ++row) r.at(row, c) = l > 0 ? m.at(row, c) / l : (row == c ? 1.0f : 0.0f);
  }
  return r;
}

inline Mat4 mat_transpose(const Mat4& a) {
  Mat4 r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) r.at(i, j) = a.at(j, i);
  return r;
}

// Inverse of an affine transform (last row 0 0 0 1). A singular linear part
// (a zero scale) gives the identity for that part rather than infinities.
inline Mat4 affine_inverse(const Mat4& a) {
  const float a00 = a.at(0, 0), a01 = a.at(0, 1), a02 = a.at(0, 2);
  const float a10 = a.at(1, 0), a11 = a.at(1, 1), a12 = a.at(1, 2);
  const float a20 = a.at(2, 0), a21 = a.at(2, 1), a22 = a.at(2, 2);
  const float c00 = a11 * a22 - a12 * a21, c01 = a02 * a21 - a01 * a22, c02 = a01 * a12 - a02 * a11;
  const float c10 = a12 * a20 - a10 * a22, c11 = a00 * a22 - a02 * a20, c12 = a02 * a10 - a00 * a12;
  const float c20 = a10 * a21 - a11 * a20, c21 = a01 * a20 - a00 * a21, c22 = a00 * a11 - a01 * a10;
  const float det = a00 * c00 + a01 * c10 + a02 * c20;
  Mat4 r;
  if (std::fabs(det) < 1e-30f) {
    r.at(0, 3) = -a.at(0, 3);
    r.at(1, 3) = -a.at(1, 3);
    r.at(2, 3) = -a.at(2, 3);
    return r;
  }
  const float inv = 1.0f / det;
  r.at(0, 0) = c00 * inv; r.at(0, 1) = c01 * inv; r.at(0, 2) = c02 * inv;
  r.at(1, 0) = c10 * inv; r.at(1, 1) = c11 * inv; r.at(1, 2) = c12 * inv;
  r.at(2, 0) = c20 * inv; r.at(2, 1) = c21 * inv; r.at(2, 2) = c22 * inv;
  const Vec3 t = a.translation();
  const Vec3 it = r.transform_dir(t);
  r.at(0, 3) = -it.x;
  r.at(1, 3) = -it.y;
  r.at(2, 3) = -it.z;
  return r;
}

}  // namespace eng
