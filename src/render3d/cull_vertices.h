#pragma once
// The whole-mesh rejection proved vertex by vertex, for a box that reaches
// from behind the camera to in front of it: there a vertex could lie so close
// to the camera plane that its clip code is meaningless, which only the
// vertices themselves can rule out.
#include "render3d/mat.h"
#include "render3d/mesh.h"

// A clip w of 1 .. 2^29 gives 32 / w > 0: the vertex counts as behind.
constexpr int64_t BEHIND_W_MAX = int64_t{1} << 29;
// In front, |w| up to 2^22 keeps the error of the truncated 32 / w small
// enough that a margin of 1/64 beyond the plane is sure to set the bit, and
// |c| below 2^14 |w| keeps fix_mul(c, 32 / w) from wrapping.
constexpr int64_t FRONT_W_MAX = int64_t{1} << 22;
constexpr int64_t NO_WRAP_RATIO = int64_t{1} << 14;
constexpr int64_t MARGIN_NUM = 65, MARGIN_DEN = 64;

// True when each of the `count` vertices, through the clip matrix m as the
// transform computes it, lies behind the camera, or all those in front lie
// beyond one shared clip plane by the margin. One vertex at a time, or eight
// at a time on AVX2 machines; both give the same answer.
bool vertices_hidden_plain(const MeshVertex* v, int32_t count, const FixMat4& m);
bool vertices_hidden_avx2(const MeshVertex* v, int32_t count, const FixMat4& m);
