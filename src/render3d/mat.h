#pragma once
// Row-major 4x4 matrices applied to row vectors (p' = p x M): the
// translation sits in entries 12-14 and A x B applies A first.
#include "render3d/fixed_math.h"
#include "render3d/mat_types.h"

void mat_identity(FixMat4* m);
void mat_translation(FixMat4* m, Fixed x, Fixed y, Fixed z);
void mat_rotation_x(FixMat4* m, float angle);  // radians, table sine
void mat_rotation_y(FixMat4* m, float angle);
void mat_rotation_z(FixMat4* m, float angle);
// out = a x b; out must be a third matrix.
void mat_mul(FixMat4* out, const FixMat4* a, const FixMat4* b);
// The same, one entry at a time and two rows at a time (AVX2 machines only);
// both give identical results.
void mat_mul_plain(FixMat4* out, const FixMat4* a, const FixMat4* b);
void mat_mul_avx2(FixMat4* out, const FixMat4* a, const FixMat4* b);

void mat4f_identity(Mat4f* m);
void mat4f_translation(Mat4f* m, float x, float y, float z);
void mat4f_rotation_y(Mat4f* m, float angle);  // library sine and cosine
// out = a x b in single precision; out must be a third matrix.
void mat4f_mul(Mat4f* out, const Mat4f* a, const Mat4f* b);
