#include "render3d/vec.h"

void vec_add(FixVec3* out, FixVec3 a, FixVec3 b) {
  *out = {a.x + b.x, a.y + b.y, a.z + b.z};
}

void vec_scale(FixVec3* out, FixVec3 a, Fixed s) {
  *out = {fix_mul(a.x, s), fix_mul(a.y, s), fix_mul(a.z, s)};
}

Fixed vec_length_sq(FixVec3 a) {
  return fix_mul(a.y, a.y) + fix_mul(a.z, a.z) + fix_mul(a.x, a.x);
}
