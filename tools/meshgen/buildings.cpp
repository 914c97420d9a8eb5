// City blocks: towers and slabs around an open plaza where the robot
// stands, facades tiled with windows. The blocks stand on y = 0 and are
// sunk by the city itself.
#include <cmath>

#include "tools/meshgen/builder.h"
#include "tools/meshgen/models.h"

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
  // Eight slim towers of different heights around a round plaza; the gaps
  // between them show the next blocks.
  MeshBuilder b;
  const float heights[8] = {40, 24, 33, 48, 27, 36, 22, 44};
  for (int k = 0; k < 8; ++k) building(&b, {0, 0, 14.5f}, 5, 5, heights[k], k * float(M_PI) / 4);
  roof_box(&b, {0, 48, 14.5f}, 2.5f, 4, 3 * float(M_PI) / 4);
  roof_box(&b, {0, 44, 14.5f}, 3, 3, 7 * float(M_PI) / 4);
  return b.mesh();
}

BofMesh make_building2() {
  // Five long slabs standing on a circle like a crown, one of them a tall
  // block with a plant room.
  MeshBuilder b;
  const float heights[5] = {30, 20, 52, 26, 34};
  for (int k = 0; k < 5; ++k) building(&b, {0, 0, 14}, 10, 4, heights[k], k * 2 * float(M_PI) / 5);
  roof_box(&b, {0, 52, 14}, 3, 5, 4 * float(M_PI) / 5);
  return b.mesh();
}
