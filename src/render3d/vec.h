#pragma once
// Three-component vectors in fixed point (renderer) and float (soft body).
#include <cmath>

#include "render3d/fixed_math.h"

struct FixVec3 {
  Fixed x, y, z;
};

struct Vec3f {
  float x, y, z;
};

void vec_add(FixVec3* out, FixVec3 a, FixVec3 b);
void vec_scale(FixVec3* out, FixVec3 a, Fixed s);
Fixed vec_length_sq(FixVec3 a);
// Inline: the normals take these for every face and vertex of every frame.
inline void vec_sub(FixVec3* out, FixVec3 a, FixVec3 b) { *out = {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline void vec_cross(FixVec3* out, FixVec3 a, FixVec3 b) {
  *out = {fix_mul(a.y, b.z) - fix_mul(a.z, b.y), fix_mul(a.z, b.x) - fix_mul(a.x, b.z),
          fix_mul(a.x, b.y) - fix_mul(a.y, b.x)};
}
// Scales v to unit length (components at most 4096); a zero vector stays.
inline void vec_normalize(FixVec3* v) {
  const float x = fix_to_float(v->x);
  const float y = fix_to_float(v->y);
  const float z = fix_to_float(v->z);
  const float s = x * x + y * y + z * z;
  if (s == 0.0f) return;
  const Fixed length = fix_from_float(std::sqrt(s));
  if (length == 0) return;
  *v = {fix_div(v->x, length), fix_div(v->y, length), fix_div(v->z, length)};
}

// Inline: the soft body calls these for every spring and particle of every step.
inline void vec3f_sub(Vec3f* out, Vec3f a, Vec3f b) { *out = {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline void vec3f_add(Vec3f* out, Vec3f a, Vec3f b) { *out = {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline void vec3f_scale(Vec3f* out, Vec3f a, float s) { *out = {a.x * s, a.y * s, a.z * s}; }
// A squared length of 0 or 1 is its own square root.
inline float vec3f_length(Vec3f a) {
  const float s = a.x * a.x + a.y * a.y + a.z * a.z;
  if (s == 0.0f || s == 1.0f) return s;
  return std::sqrt(s);
}
