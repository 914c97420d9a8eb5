#pragma once
// The matrix types, and a matrix column applied to a point; the matrix
// operations build on them (render3d/mat.h), and so do the eight-lane helpers.
#include "render3d/fixed_math.h"

struct FixMat4 {
  Fixed m[16];
};

struct Mat4f {
  float m[16];
};

// Column c of (x, y, z, 1) x m, as the transform computes it.
inline Fixed mat_apply_column(const FixMat4& m, int c, Fixed x, Fixed y, Fixed z) {
  return fix_mul(m.m[c], x) + fix_mul(m.m[4 + c], y) + fix_mul(m.m[8 + c], z) + m.m[12 + c];
}
