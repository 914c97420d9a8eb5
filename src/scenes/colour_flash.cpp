#include "common/random.h"
#include "image/draw.h"
#include "scenes/scenes.h"

// A strobe of greens, blues and cyans behind titles: one random value per
// frame becomes the green and blue bytes; red stays 0.
void scene_colour_flash() {
  auto r = static_cast<uint32_t>(rand_next());
  draw_clear(r << 8);
}
