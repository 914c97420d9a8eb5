#include "render3d/cull.h"

#include <algorithm>
#include <cstdlib>

#include "common/simd.h"
#include "render3d/cull_vertices.h"
#include "render3d/transform.h"
#include "render3d/vertex_lanes_avx2.h"

namespace {

// Bounds of what the transform can compute, in Fixed clip units. Each
// clip-space component is three fix_mul (each floors, so up to 1 below the
// exact product) plus a constant: over the box it lies within 3 below the
// least exact corner value and the greatest one.
constexpr int64_t FLOOR_SLACK = 3;
// Clip values beyond this could make the transform wrap, and object
// coordinates beyond this the sums below overflow; such meshes are drawn.
constexpr int64_t SAFE_RANGE = int64_t{1} << 30;
constexpr Fixed SAFE_COORD = Fixed{1} << 22;

struct Range {
  int64_t lo, hi;  // of 4096 x the exact clip value, over the corners
};

// (lo, hi) of 4096 x column c of (x, y, z, 1) x m over the eight corners.
Range column_range(const FixMat4& m, int c, const MeshBounds& b) {
  Range r{INT64_MAX, INT64_MIN};
  for (int k = 0; k < 8; ++k) {
    const int64_t x = (k & 1) ? b.hi.x : b.lo.x;
    const int64_t y = (k & 2) ? b.hi.y : b.lo.y;
    const int64_t z = (k & 4) ? b.hi.z : b.lo.z;
    const int64_t v = m.m[c] * x + m.m[4 + c] * y + m.m[8 + c] * z + int64_t{m.m[12 + c]} * FIX_ONE;
    r.lo = std::min(r.lo, v);
    r.hi = std::max(r.hi, v);
  }
  return r;
}

// Least value over the corners of 4096 x (a x column c + b x column 3).
int64_t combined_min(const FixMat4& m, int c, int64_t a, int64_t bw, const MeshBounds& b) {
  int64_t least = INT64_MAX;
  for (int k = 0; k < 8; ++k) {
    const int64_t x = (k & 1) ? b.hi.x : b.lo.x;
    const int64_t y = (k & 2) ? b.hi.y : b.lo.y;
    const int64_t z = (k & 4) ? b.hi.z : b.lo.z;
    int64_t v = 0;
    for (int row = 0; row < 3; ++row) {
      const int64_t coord = row == 0 ? x : row == 1 ? y : z;
      v += (a * m.m[4 * row + c] + bw * m.m[4 * row + 3]) * coord;
    }
    v += (a * m.m[12 + c] + bw * m.m[15]) * FIX_ONE;
    least = std::min(least, v);
  }
  return least;
}

bool all_behind(Range w) {
  return w.lo - FLOOR_SLACK * FIX_ONE >= 0 && w.hi <= BEHIND_W_MAX * FIX_ONE;
}

// Every vertex in front with column c beyond the plane c = -sign x w by the
// margin: x, y or z in normalised coordinates below -1 (sign 1) or above 1
// (sign -1), so all share that clip-code bit.
bool all_beyond(const FixMat4& m, int c, int64_t sign, Range w, const MeshBounds& b) {
  const Range v = column_range(m, c, b);
  const int64_t v_max = std::max(std::abs(v.lo), std::abs(v.hi)) + FLOOR_SLACK * FIX_ONE;
  if (v_max >= NO_WRAP_RATIO * -w.hi * FIX_ONE) return false;
  const int64_t a = sign * MARGIN_DEN;
  const int64_t slack = FLOOR_SLACK * (MARGIN_DEN + MARGIN_NUM) * FIX_ONE;
  return combined_min(m, c, a, MARGIN_NUM, b) >= slack;
}

void widen_box_from(const MeshVertex* v, int32_t first, int32_t count, MeshBounds* bounds) {
  for (int32_t i = first; i < count; ++i) {
    bounds->lo = {std::min(bounds->lo.x, v[i].x), std::min(bounds->lo.y, v[i].y), std::min(bounds->lo.z, v[i].z)};
    bounds->hi = {std::max(bounds->hi.x, v[i].x), std::max(bounds->hi.y, v[i].y), std::max(bounds->hi.z, v[i].z)};
  }
}

const auto vertices_hidden = simd_pick(vertices_hidden_plain, vertices_hidden_avx2);
const auto widen_box = simd_pick(widen_box_plain, widen_box_avx2);

}  // namespace

void widen_box_plain(const MeshVertex* v, int32_t count, MeshBounds* bounds) { widen_box_from(v, 1, count, bounds); }

// The leading multiple of eight vertices eight at a time, then the rest.
SIMD_AVX2 void widen_box_avx2(const MeshVertex* v, int32_t count, MeshBounds* bounds) {
  __m256i lo[3], hi[3];
  const Fixed start[3] = {bounds->lo.x, bounds->lo.y, bounds->lo.z};
  for (int c = 0; c < 3; ++c) lo[c] = hi[c] = _mm256_set1_epi32(start[c]);
  int32_t i = 0;
  for (; i + 8 <= count; i += 8) {
    const Rows p = load_fields(v + i, offsetof(MeshVertex, x));
    const __m256i fields[3] = {p.a, p.b, p.c};
    for (int c = 0; c < 3; ++c) {
      lo[c] = _mm256_min_epi32(lo[c], fields[c]);
      hi[c] = _mm256_max_epi32(hi[c], fields[c]);
    }
  }
  alignas(32) Fixed lanes[2][3][8];
  for (int c = 0; c < 3; ++c) {
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes[0][c]), lo[c]);
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes[1][c]), hi[c]);
  }
  _mm256_zeroupper();
  bounds->lo = {*std::min_element(lanes[0][0], lanes[0][0] + 8), *std::min_element(lanes[0][1], lanes[0][1] + 8),
                *std::min_element(lanes[0][2], lanes[0][2] + 8)};
  bounds->hi = {*std::max_element(lanes[1][0], lanes[1][0] + 8), *std::max_element(lanes[1][1], lanes[1][1] + 8),
                *std::max_element(lanes[1][2], lanes[1][2] + 8)};
  widen_box_from(v, i > 0 ? i : 1, count, bounds);
}

bool mesh_bounds(const Mesh* mesh, MeshBounds* bounds) {
  if (mesh->vertex_count <= 0 || !mesh->vertices) return false;
  const MeshVertex* v = mesh_current_frame(mesh);
  bounds->lo = bounds->hi = {v[0].x, v[0].y, v[0].z};
  widen_box(v, mesh->vertex_count, bounds);
  return true;
}

bool mesh_outside_view(const Mesh* mesh, const MeshBounds* bounds) {
  for (Fixed c : {bounds->lo.x, bounds->lo.y, bounds->lo.z, bounds->hi.x, bounds->hi.y, bounds->hi.z}) {
    if (c <= -SAFE_COORD || c >= SAFE_COORD) return false;
  }
  FixMat4 rotation, m;
  mesh_clip_matrix(mesh, &rotation, &m);
  Range w = column_range(m, 3, *bounds);
  for (int c = 0; c < 3; ++c) {
    const Range r = column_range(m, c, *bounds);
    if (r.lo <= -SAFE_RANGE * FIX_ONE || r.hi >= SAFE_RANGE * FIX_ONE) return false;
  }
  if (w.lo <= -SAFE_RANGE * FIX_ONE || w.hi >= SAFE_RANGE * FIX_ONE) return false;
  if (all_behind(w)) return true;
  if (w.lo < 0 && w.hi > 0) {
    const MeshVertex* v = mesh_current_frame(mesh);
    return vertices_hidden(v, mesh->vertex_count, m);
  }
  // In front throughout: exact w at most -1 and no lower than -2^22.
  if (w.hi > -FIX_ONE || w.lo - FLOOR_SLACK * FIX_ONE < -FRONT_W_MAX * FIX_ONE) return false;
  w.hi /= FIX_ONE;  // whole units of w now: the greatest possible w (negative)
  for (int c = 0; c < 3; ++c) {
    if (all_beyond(m, c, 1, w, *bounds) || all_beyond(m, c, -1, w, *bounds)) return true;
  }
  return false;
}
