#include "render3d/vec.h"

#include <cmath>

void vec_sub(FixVec3* out, FixVec3 a, FixVec3 b) {
  *out = {a.x - b.x, a.y - b.y, a.z - b.z};
}

void vec_add(FixVec3* out, FixVec3 a, FixVec3 b) {
  *out = {a.x + b.x, a.y + b.y, a.z + b.z};
}

void vec_scale(FixVec3* out, FixVec3 a, Fixed s) {
  *out = {fix_mul(a.x, s), fix_mul(a.y, s), fix_mul(a.z, s)};
}

Fixed vec_length_sq(FixVec3 a) {
  return fix_mul(a.y, a.y) + fix_mul(a.z, a.z) + fix_mul(a.x, a.x);
}

void vec_cross(FixVec3* out, FixVec3 a, FixVec3 b) {
  *out = {fix_mul(a.y, b.z) - fix_mul(a.z, b.y), fix_mul(a.z, b.x) - fix_mul(a.x, b.z),
          fix_mul(a.x, b.y) - fix_mul(a.y, b.x)};
}

void vec_normalize(FixVec3* v) {
  const float x = fix_to_float(v->x);
  const float y = fix_to_float(v->y);
  const float z = fix_to_float(v->z);
  const float s = x * x + y * y + z * z;
  if (s == 0.0f) return;
  const Fixed length = fix_from_float(std::sqrt(s));
  if (length == 0) return;
  *v = {fix_div(v->x, length), fix_div(v->y, length), fix_div(v->z, length)};
}
