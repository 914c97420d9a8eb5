// The saucer: one surface of revolution, a flat disc with a raised dome.
#include "tools/meshgen/builder.h"
#include "tools/meshgen/models.h"

namespace {

// Authored at ten times the size it is shown at.
constexpr float SCALE = 10.0f;

void saucer_uv(V3 p, V3, float* u, float* v) {
  *u = p.x / (4 * SCALE) + 0.5f;
  *v = 0.5f - p.z / (4 * SCALE);
}

}  // namespace

BofMesh make_saucer() {
  MeshBuilder b;
  // (radius, height) from the underside up, in shown units. The top rises
  // toward the dome so the braces inside stay clear of it.
  const float profile[][2] = {{0.9f, -0.3f},  {1.6f, -0.16f}, {2.05f, 0.0f}, {1.7f, 0.1f},
                              {0.85f, 0.28f}, {0.72f, 0.56f}, {0.46f, 0.8f}};
  std::vector<LoftRing> rings;
  for (const auto& p : profile) rings.push_back({{0, p[1] * SCALE, 0}, p[0] * SCALE, p[0] * SCALE});
  // Rings stacked along +y: the loft's axis, turned about it.
  b.loft(rings, 20, {1, 0, 0}, {0, -0.36f * SCALE, 0}, {0, 0.92f * SCALE, 0}, saucer_uv, true);
  return b.mesh();
}
