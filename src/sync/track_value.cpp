#include <cmath>

#include "common/numeric.h"
#include "sync/track.h"

int32_t track_locate_row(const KeyTrack* track, int32_t row) {
  int32_t lo = 0;
  int32_t hi = track->count;
  while (lo < hi) {
    int32_t mid = (lo + hi) / 2;
    if (track->keys[mid].row < row)
      lo = mid + 1;
    else if (track->keys[mid].row > row)
      hi = mid;
    else
      return mid;
  }
  return -1 - lo;
}

float track_value(const KeyTrack* track, double row) {
  // No track at all (the store could not be made) reads like an empty one.
  if (!track || track->count == 0) return 0.0f;
  int32_t i = track_locate_row(track, trunc_to_i32(std::floor(row)));
  if (i < 0) {
    i = -i - 2;
    if (i < 0) return track->keys[0].value;
  }
  if (i > track->count - 2) return track->keys[track->count - 1].value;

  const Keyframe& k0 = track->keys[i];
  const Keyframe& k1 = track->keys[i + 1];
  // The gap is taken in 64 bits: rows far apart must not wrap into a
  // negative divisor. The fraction keeps the unfloored row, so a transition
  // moves on within a row.
  double gap = static_cast<double>(static_cast<int64_t>(k1.row) - k0.row);
  double t = (row - k0.row) / gap;
  double s = k0.value;
  double e = k1.value;
  switch (k0.interpolation) {
    case INTERP_STEP:
      return static_cast<float>(s);
    case INTERP_LINEAR:
      return static_cast<float>(s + t * (e - s));
    case INTERP_SMOOTH:
      return static_cast<float>(s + t * t * (3.0 - 2.0 * t) * (e - s));
    case INTERP_QUADRATIC:
      return static_cast<float>(s + std::pow(t, 2.0) * (e - s));
    default:
      return 0.0f;
  }
}
