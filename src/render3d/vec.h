#pragma once
// Three-component vectors in fixed point (renderer) and float (soft body).
#include "render3d/fixed_math.h"

struct FixVec3 {
  Fixed x, y, z;
};

struct Vec3f {
  float x, y, z;
};

void vec_sub(FixVec3* out, FixVec3 a, FixVec3 b);
void vec_add(FixVec3* out, FixVec3 a, FixVec3 b);
void vec_scale(FixVec3* out, FixVec3 a, Fixed s);
Fixed vec_length_sq(FixVec3 a);
void vec_cross(FixVec3* out, FixVec3 a, FixVec3 b);
// Scales v to unit length (components at most 4096); a zero vector stays.
void vec_normalize(FixVec3* v);

void vec3f_sub(Vec3f* out, Vec3f a, Vec3f b);
void vec3f_add(Vec3f* out, Vec3f a, Vec3f b);
void vec3f_scale(Vec3f* out, Vec3f a, float s);
float vec3f_length(Vec3f a);
