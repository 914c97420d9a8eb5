#pragma once
// The per-vertex work of the transform over a run of vertices: one vertex at a
// time, or eight at a time on AVX2 machines (finishing any remainder one at a
// time). Both give identical results.
#include "render3d/mat.h"
#include "render3d/mesh.h"

// Clip position through m, projection, clip code and screen mapping; the
// view-space normal through n.
void transform_vertices_plain(MeshVertex* v, int32_t count, const FixMat4& m, const FixMat4& n);
void transform_vertices_avx2(MeshVertex* v, int32_t count, const FixMat4& m, const FixMat4& n);
// Screen fields and the low clip-code byte taken from `from`; the normal through n.
void transform_like_plain(MeshVertex* v, const MeshVertex* from, int32_t count, const FixMat4& n);
void transform_like_avx2(MeshVertex* v, const MeshVertex* from, int32_t count, const FixMat4& n);
// u, v from the view-space normal.
void env_map_plain(MeshVertex* v, int32_t count);
void env_map_avx2(MeshVertex* v, int32_t count);
