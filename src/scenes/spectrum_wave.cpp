#include "scenes/spectrum_wave.h"

#include <algorithm>
#include <cmath>

#include "audio/music.h"
#include "common/numeric.h"
#include "common/random.h"
#include "image/draw.h"
#include "image/effects.h"
#include "scenes/scenes.h"

Pixel band_buffer[FRAME_PIXELS];
float wave_freq = 0.0f;
float wave_level = 0.0f;

namespace {

constexpr int32_t BAND_ROW_UNIT = 3 * FRAME_W;
constexpr int32_t SCAN_TOP_HZ = 5000;
constexpr int32_t SCAN_BOTTOM_HZ = 550;
constexpr int32_t SCAN_STEP_HZ = 50;
// Any shift of a whole frame height or more reads the first or last pixel;
// clamping the float first keeps huge levels away from the int conversion.
constexpr float SHIFT_LIMIT = 2.0f * FRAME_H;

void fill_bands() {
  int32_t remaining = FRAME_PIXELS;
  Pixel* out = band_buffer;
  while (remaining > 0) {
    auto colour = static_cast<Pixel>(rand_next()) << 8;
    int32_t length = ((rand_next() & 15) + 8) * BAND_ROW_UNIT;
    remaining -= length;
    if (remaining < 0) length += remaining;  // the last band is cut at the bottom
    out = std::fill_n(out, length, colour);
  }
}

// Scans downward so that equal levels go to the lower frequency; in silence
// the result is the bottom of the range at level 0.
int32_t loudest_frequency(float* level) {
  float best_level = 0.0f;
  int32_t best_hz = SCAN_BOTTOM_HZ;
  for (int32_t hz = SCAN_TOP_HZ; hz >= SCAN_BOTTOM_HZ; hz -= SCAN_STEP_HZ) {
    float l = music_band_level(trunc_to_i32(0.9 * hz), trunc_to_i32(1.1 * hz));
    if (l >= best_level) {
      best_level = l;
      best_hz = hz;
    }
  }
  *level = best_level;
  return best_hz;
}

int32_t column_shift(int32_t column) {
  auto mirrored = static_cast<float>(FRAME_W - 1 - column);
  float shift = -32.0f * std::sin(mirrored * wave_freq * 0.0625f) * wave_level;
  if (std::isnan(shift)) return 0;
  return trunc_to_i32(std::clamp(shift, -SHIFT_LIMIT, SHIFT_LIMIT));
}

}  // namespace

void scene_spectrum_wave() {
  fill_bands();

  music_update_spectrum();
  float level;
  int32_t hz = loudest_frequency(&level);
  float k = static_cast<float>((hz - 300) * 4) / 2700.0f + 1.0f;
  wave_freq = (2.0f * wave_freq + k) / 3.0f;
  // Weighted 2 against 2: the height settles at twice the current level.
  wave_level = (2.0f * wave_level + 2.0f * level) / 3.0f;

  // Every column moves up or down by its own shift; the source index is
  // clamped as a whole, so shifts past the edge repeat the first or last pixel.
  int32_t shifts[FRAME_W];
  for (int32_t c = 0; c < FRAME_W; ++c) shifts[c] = column_shift(c);
  Pixel* frame = fb_get();
  for (int32_t p = 0; p < FRAME_PIXELS; ++p) {
    int32_t source = std::clamp(p - FRAME_W * shifts[p % FRAME_W], 0, FRAME_PIXELS - 1);
    frame[p] = band_buffer[source];
  }

  fx_lens(nullptr, -0.5f * wave_level, -0.5f * wave_level, 1.0f);
}
