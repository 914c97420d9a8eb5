#pragma once
// Clip codes: where a transformed vertex lies against the view volume.
#include <cstdint>

#include "render3d/fixed_math.h"
#include "render3d/mesh.h"

// Clip-code bits on normalised coordinates (4096 = 1.0).
constexpr int32_t OUTCODE_LEFT = 1, OUTCODE_RIGHT = 2, OUTCODE_BOTTOM = 4, OUTCODE_TOP = 8,
                  OUTCODE_FAR = 16, OUTCODE_NEAR = 32;

// Writes the low byte of vertex->outcode from its normalised tx, ty, tz.
inline void clip_outcode(MeshVertex* vertex) {
  int32_t code = 0;
  if (vertex->tx < -FIX_ONE) code |= OUTCODE_LEFT;
  if (vertex->tx > FIX_ONE) code |= OUTCODE_RIGHT;
  if (vertex->ty < -FIX_ONE) code |= OUTCODE_BOTTOM;
  if (vertex->ty > FIX_ONE) code |= OUTCODE_TOP;
  if (vertex->tz < -FIX_ONE) code |= OUTCODE_FAR;
  if (vertex->tz > FIX_ONE) code |= OUTCODE_NEAR;
  vertex->outcode = (vertex->outcode & ~0xFF) | code;
}
