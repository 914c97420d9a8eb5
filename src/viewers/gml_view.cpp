#include "viewers/gml_view.h"

#include <cmath>
#include <cstring>

#include "common/numeric.h"
#include "image/draw.h"
#include "platform/clock.h"
#include "platform/frame_pacer.h"

float brush_smooth = 0.0f;

namespace {

// Half a megabyte: fixed storage rather than the stack.
GmlDrawing drawing;

constexpr uint8_t LINE_GREY = 200;

bool within_reach(int32_t v) { return v >= -GML_MAX_REACH && v <= GML_MAX_REACH; }

void draw_segment(const GmlStroke* stroke, int32_t i, float breathe) {
  brush_smooth = brush_smooth * 0.5f + gml_segment_width(stroke, i) * 0.5f;
  draw_set_brush(static_cast<int32_t>(brush_smooth * breathe));
  const float* a = stroke->points[i];
  const float* b = stroke->points[i + 1];
  const int32_t x0 = trunc_to_i32(240.0f * a[0]);
  const int32_t y0 = trunc_to_i32(150.0f * a[1]);
  const int32_t x1 = trunc_to_i32(240.0f * b[0]);
  const int32_t y1 = trunc_to_i32(150.0f * b[1]);
  if (within_reach(x0) && within_reach(y0) && within_reach(x1) && within_reach(y1))
    draw_line_rgb(x0, y0, x1, y1, LINE_GREY, LINE_GREY, LINE_GREY);
}

}  // namespace

float gml_segment_width(const GmlStroke* stroke, int32_t i) {
  const float* a = stroke->points[i];
  const float* b = stroke->points[i + 1];
  // Both axes in column units, as the drawings were tuned.
  const float distance = std::fabs(240.0f * a[0] - 240.0f * b[0]) +
                         std::fabs(240.0f * a[1] - 240.0f * b[1]);
  const float speed = distance / std::fabs(stroke->times[i + 1] - stroke->times[i]) / 50.0f;
  // Points that coincide in place and time give 0 / 0: no number, width 0.
  float width = speed != 0.0f && !std::isnan(speed) ? GML_MAX_WIDTH / speed : 0.0f;
  if (width > GML_MAX_WIDTH) width = GML_MAX_WIDTH;
  return width;
}

void gml_draw_frame(const GmlDrawing* d, uint32_t ms) {
  const float m = static_cast<float>(ms);
  const float breathe = static_cast<float>((std::sin(m * 0.002) + 1.0) * 0.5);
  draw_clear(0);
  for (int32_t s = 0; s < d->stroke_count; ++s) {
    const GmlStroke* stroke = &d->strokes[s];
    for (int32_t i = 0; i + 1 < stroke->point_count; ++i)
      if (m >= stroke->times[i] * GML_TIME_SCALE_MS) draw_segment(stroke, i, breathe);
  }
}

void gml_view(const char* path) {
  std::memset(&drawing, 0, sizeof drawing);
  gml_load(path, &drawing);
  const uint32_t start = clock_ms();
  draw_clear_rgb(0, 0, 0);
  for (;;) {
    const uint32_t ms = clock_ms() - start;
    if (ms >= GML_REPLAY_MS) break;
    gml_draw_frame(&drawing, ms);
    fb_present();
    // Keys typed during the replay are left for the show.
    frame_pace_wait(nullptr);
  }
}
