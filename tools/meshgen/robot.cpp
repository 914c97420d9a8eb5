// The robot: a boxy body that stays put and rounded limbs that swing.
#include <cmath>

#include "tools/meshgen/builder.h"
#include "tools/meshgen/models.h"

namespace {

// Box projection: the face's dominant axis picks the plane; the robot's
// textures span one unit.
void robot_uv(V3 p, V3 n, float* u, float* v) {
  const float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
  if (az >= ax && az >= ay) {
    *u = p.x + 0.5f;
    *v = 0.5f - p.y;
  } else if (ax >= ay) {
    *u = p.z + 0.5f;
    *v = 0.5f - p.y;
  } else {
    *u = p.x + 0.5f;
    *v = p.z + 0.5f;
  }
}

const V3 UP = {0, 1, 0};
const V3 FRONT = {0, 0, -1};

// A loft whose ends are slightly domed (by `start_dome`, `end_dome`).
void limb(MeshBuilder* b, const std::vector<LoftRing>& rings, int sides, V3 hint,
          float start_dome = 0.06f, float end_dome = 0.08f) {
  const V3 s = rings.front().centre + normalized(rings[0].centre - rings[1].centre) * start_dome;
  const V3 e = rings.back().centre +
               normalized(rings.back().centre - rings[rings.size() - 2].centre) * end_dome;
  b->loft(rings, sides, hint, s, e, robot_uv, true);
}

}  // namespace

BofMesh make_robot() {
  MeshBuilder b;
  const float cell = 10.0f;  // the body's boxes are single faces

  b.box({-0.42f, -0.32f, -0.28f}, {0.42f, 0.5f, 0.28f}, cell, robot_uv);      // torso
  b.box({-0.26f, 0.02f, -0.4f}, {0.26f, 0.38f, -0.28f}, cell, robot_uv, false);  // chest plate
  b.box({-0.3f, -0.46f, -0.16f}, {0.3f, -0.32f, 0.16f}, cell, robot_uv);      // hips
  b.box({-0.34f, 0.62f, -0.3f}, {0.34f, 1.08f, 0.3f}, cell, robot_uv);        // head

  limb(&b, {{{0, 0.42f, 0}, 0.14f, 0.14f}, {{0, 0.66f, 0}, 0.14f, 0.14f}}, 6, FRONT);  // neck
  // Visor and the two eyes behind it, sticking out of the face.
  limb(&b, {{{0, 0.84f, -0.2f}, 0.07f, 0.24f}, {{0, 0.84f, -0.4f}, 0.07f, 0.24f}}, 4, UP, 0.06f, 0.0f);
  for (float x : {-0.12f, 0.12f}) {
    limb(&b, {{{x, 0.84f, -0.3f}, 0.06f, 0.06f}, {{x, 0.84f, -0.52f}, 0.06f, 0.06f}}, 4, UP);
  }
  // Ear bolts.
  for (float side : {-1.0f, 1.0f}) {
    limb(&b, {{{side * 0.26f, 0.85f, 0}, 0.08f, 0.08f}, {{side * 0.46f, 0.85f, 0}, 0.08f, 0.08f}}, 4,
         UP);
  }
  // Antenna with a bulb: rooted inside the head, free above it.
  limb(&b,
       {{{0, 0.92f, 0.05f}, 0.07f, 0.07f},
        {{0, 1.22f, 0.05f}, 0.06f, 0.06f},
        {{0, 1.38f, 0.05f}, 0.06f, 0.06f},
        {{0, 1.5f, 0.05f}, 0.13f, 0.13f},
        {{0, 1.63f, 0.05f}, 0.07f, 0.07f}},
       4, FRONT);

  // Right arm waving up, left arm reaching out and down.
  limb(&b,
       {{{0.34f, 0.36f, 0}, 0.13f, 0.13f},
        {{0.58f, 0.4f, 0}, 0.16f, 0.16f},
        {{0.84f, 0.36f, -0.04f}, 0.12f, 0.12f},
        {{1.0f, 0.52f, -0.07f}, 0.12f, 0.12f},
        {{1.07f, 0.76f, -0.09f}, 0.12f, 0.12f},
        {{1.1f, 0.94f, -0.1f}, 0.12f, 0.12f},
        {{1.14f, 1.1f, -0.1f}, 0.17f, 0.17f}},
       6, FRONT);
  limb(&b,
       {{{-0.34f, 0.36f, 0}, 0.13f, 0.13f},
        {{-0.58f, 0.4f, 0}, 0.16f, 0.16f},
        {{-0.88f, 0.22f, -0.02f}, 0.12f, 0.12f},
        {{-1.06f, -0.02f, -0.1f}, 0.12f, 0.12f},
        {{-1.16f, -0.24f, -0.14f}, 0.17f, 0.17f}},
       6, FRONT);

  // Legs on big feet.
  for (float side : {-1.0f, 1.0f}) {
    limb(&b,
         {{{side * 0.2f, -0.22f, 0}, 0.14f, 0.14f},
          {{side * 0.22f, -0.56f, 0}, 0.13f, 0.13f},
          {{side * 0.24f, -0.72f, -0.02f}, 0.15f, 0.15f},
          {{side * 0.24f, -0.86f, 0}, 0.12f, 0.12f}},
         6, FRONT);
    const float inner = side * 0.08f, outer = side * 0.4f;
    b.box({std::min(inner, outer), -1.0f, -0.34f}, {std::max(inner, outer), -0.86f, 0.16f}, cell,
          robot_uv);
  }
  return b.mesh();
}
