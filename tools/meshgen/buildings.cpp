// City blocks: towers and slabs around an open court, facades tiled with
// windows. The blocks stand on y = 0 and are sunk by the city itself.
#include <cmath>

#include "meshgen/builder.h"
#include "meshgen/models.h"

namespace {

constexpr float WINDOW_TILE = 4.0f;  // one texture repeat across and up
constexpr float FACADE_CELL = 6.0f;  // faces are cut so a close face is not dropped whole

// Facades: u runs along the wall, v down from the roof line, so the window
// rows line up on every side. Roofs tile in plan.
UvMap facade_uv(float roof) {
  return [roof](V3 p, V3 n, float* u, float* v) {
    if (std::fabs(n.y) > 0.5f) {
      *u = p.x / WINDOW_TILE;
      *v = p.z / WINDOW_TILE;
    } else {
      *u = (std::fabs(n.x) > 0.5f ? p.z : p.x) / WINDOW_TILE;
      *v = (roof - p.y) / WINDOW_TILE;
    }
  };
}

// A building of footprint w x d and height h, centred on `at` and turned by
// `angle` about the block's centre line.
void building(MeshBuilder* b, V3 at, float w, float d, float h, float angle) {
  const size_t first = b->vertex_count();
  b->box({-w / 2, 0, -d / 2}, {w / 2, h, d / 2}, FACADE_CELL, facade_uv(h), false);
  b->transform_from(first, [&](V3 p) { return turned_y(p + at, angle); });
}

// A small box on a roof (plant room, water tank).
void roof_box(MeshBuilder* b, V3 at, float w, float h, float angle) {
  const size_t first = b->vertex_count();
  b->box({-w / 2, 0, -w / 2}, {w / 2, h, w / 2}, FACADE_CELL, facade_uv(at.y + h), false);
  b->transform_from(first, [&](V3 p) { return turned_y(p + at, angle); });
}

}  // namespace

BofMesh make_building1() {
  // Six towers of different heights in a ring, facing the court.
  MeshBuilder b;
  const float heights[6] = {38, 26, 46, 30, 22, 34};
  for (int k = 0; k < 6; ++k) {
    const float angle = k * float(M_PI) / 3;
    building(&b, {0, 0, 12.5f}, 7, 7, heights[k], angle);
  }
  roof_box(&b, {0, 46, 12.5f}, 3, 3, 2 * float(M_PI) / 3);
  roof_box(&b, {0, 38, 12.5f}, 2.5f, 4, 0);
  return b.mesh();
}

BofMesh make_building2() {
  // Four slabs around a square court, open at the corners, and one spire.
  MeshBuilder b;
  const float heights[4] = {30, 18, 36, 24};
  for (int k = 0; k < 4; ++k) building(&b, {0, 0, 11}, 14, 5, heights[k], k * float(M_PI) / 2);
  building(&b, {10, 0, 10}, 5, 5, 52, 0);
  roof_box(&b, {10, 52, 10}, 2.5f, 6, 0);
  return b.mesh();
}
