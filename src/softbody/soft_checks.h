#pragma once
// The checks that hold a body on an internal fault.
#include <cmath>

#include "softbody/softbody.h"

// True for a component above the force limit or not a number at all.
inline bool soft_oversized(Vec3f v) {
  return !(std::fabs(v.x) <= SOFT_FORCE_LIMIT && std::fabs(v.y) <= SOFT_FORCE_LIMIT &&
           std::fabs(v.z) <= SOFT_FORCE_LIMIT);
}

inline bool soft_finite(Vec3f v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
