#pragma once
// Replays a GML drawing stroke by stroke for 16 seconds, in light grey on
// black, with a line width that follows the drawing speed and breathes.
#include <cstdint>

#include "viewers/gml_reader.h"

constexpr uint32_t GML_REPLAY_MS = 16000;
// Replay milliseconds of one GML time unit.
constexpr float GML_TIME_SCALE_MS = 500.0f;
// Widest line, drawn when the pen moves slowest.
constexpr float GML_MAX_WIDTH = 8.0f;
// Segment ends farther out than this many pixels are not drawn: plot
// coordinates are 16-bit, and such lines would only cost time off the frame.
constexpr int32_t GML_MAX_REACH = 32767;

// The smoothed line width; starts at 0 with the program and is never reset.
extern float brush_smooth;

// Loads the drawing (a failed load replays black) and replays it until
// GML_REPLAY_MS have passed on the demo clock.
void gml_view(const char* path);
// Draws the replay frame `ms` milliseconds in (clears, then every segment
// whose first point's time has come) without presenting it.
void gml_draw_frame(const GmlDrawing* drawing, uint32_t ms);
// The unsmoothed width of the segment from point i to point i + 1: 8 over the
// speed, at most 8; 0 when the speed is infinite or has no value.
float gml_segment_width(const GmlStroke* stroke, int32_t i);
