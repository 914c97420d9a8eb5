#pragma once
// Area-weighted resampling of the frame to the pixel size of a cell grid
// (3 x 3 pixels a cell). Each target pixel is the average of the frame area
// it covers, weighted by how much of each frame pixel falls inside it, so a
// flat region keeps its exact colour and a thin line keeps its share.
//
// Arithmetic is exact: along an axis of n frame pixels and m target pixels,
// target pixel i covers [i*n, (i+1)*n) and frame pixel j covers [j*m, (j+1)*m)
// in units of 1/(m*n) of the axis; the overlaps are the weights and always sum
// to n. A target channel is the weighted sum over both axes divided by
// 240 * 150, rounded half up.
#include <cstdint>

#include "common/frame.h"
#include "display/grid_fit.h"

constexpr int RESAMPLE_W_MAX = 3 * GRID_COLS_MAX;
constexpr int RESAMPLE_H_MAX = 3 * GRID_ROWS_MAX;

// Prepares the weights for a target of width x height pixels (1 ..
// RESAMPLE_*_MAX). Not per frame: only when the grid changes.
void resample_setup(int width, int height);
// The frame resampled to the size set up, row-major, into `out`. Rows of
// `out` whose frame rows are unchanged since the last call are left as they
// are: `out` must be the same buffer every call between setups.
void resample_frame(const Pixel* frame, Pixel* out);
