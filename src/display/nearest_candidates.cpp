#include "display/nearest_candidates.h"

#include <climits>

#include "display/cell_color.h"

namespace {

constexpr int CUBES = 32;  // per channel
constexpr int CUBE_SIZE = 8;

struct Range {
  int32_t low = INT32_MAX, high = INT32_MIN;
  void add(int32_t v) {
    low = v < low ? v : low;
    high = v > high ? v : high;
  }
};

// The distance splits into a red-blue part and a green part, each bounded
// separately over a cube: red and blue by their 64 combinations (the red mean
// couples them), green by its 8 values.
Range red_blue_range(const ColorSample& p, int rc, int bc) {
  Range range;
  for (int r = rc * CUBE_SIZE; r < (rc + 1) * CUBE_SIZE; ++r)
    for (int b = bc * CUBE_SIZE; b < (bc + 1) * CUBE_SIZE; ++b) {
      const ColorSample s{r, p.g, b, -1};
      range.add(cell_color_distance(&p, &s));
    }
  return range;
}

Range green_range(const ColorSample& p, int gc) {
  Range range;
  for (int g = gc * CUBE_SIZE; g < (gc + 1) * CUBE_SIZE; ++g) {
    const ColorSample s{p.r, g, p.b, -1};
    range.add(cell_color_distance(&p, &s));
  }
  return range;
}

}  // namespace

// A colour whose smallest distance over the cube exceeds another colour's
// largest is never nearest there; every other colour stays a candidate.
NearestCandidates::NearestCandidates() {
  Range green[CUBES][16];
  for (int gc = 0; gc < CUBES; ++gc)
    for (int c = 0; c < 16; ++c) green[gc][c] = green_range(CONSOLE_PALETTE[c], gc);
  for (int rc = 0; rc < CUBES; ++rc)
    for (int bc = 0; bc < CUBES; ++bc) {
      Range red_blue[16];
      for (int c = 0; c < 16; ++c) red_blue[c] = red_blue_range(CONSOLE_PALETTE[c], rc, bc);
      for (int gc = 0; gc < CUBES; ++gc) {
        int32_t best_high = INT32_MAX;
        for (int c = 0; c < 16; ++c) {
          const int32_t high = red_blue[c].high + green[gc][c].high;
          best_high = high < best_high ? high : best_high;
        }
        uint16_t m = 0;
        for (int c = 0; c < 16; ++c)
          if (red_blue[c].low + green[gc][c].low <= best_high) m |= static_cast<uint16_t>(1u << c);
        mask[rc << 10 | gc << 5 | bc] = m;
      }
    }
}

const NearestCandidates NEAREST_CANDIDATES;
