// The city skips blocks it proves invisible; the picture and the depth buffer
// must be exactly those of drawing every block.
#include <gtest/gtest.h>

#include <vector>

#include "common/random.h"
#include "image/assets.h"
#include "image/draw.h"
#include "render3d/camera.h"
#include "render3d/raster.h"
#include "render3d/transform.h"
#include "scenes/robot_city.h"
#include "scenes/show_assets.h"

namespace {

// Every block transformed and drawn, in the city's order with its draws.
void draw_city_unculled() {
  int32_t resume = rand_next();
  rand_seed(CITY_SEED);
  for (int32_t i = 0; i < 8; ++i) {
    for (int32_t j = 0; j < 8; ++j) {
      auto x = static_cast<float>(120 - 40 * i);
      auto z = static_cast<float>(120 - 40 * j);
      int32_t kind = rand_next() & 1;
      float y = -static_cast<float>(rand_next() & 31) * 0.6f;
      int32_t quarter = rand_next() & 3;
      auto yaw = static_cast<float>(quarter * 90 + (rand_next() & 7));
      Mesh* paper = &building_meshes[kind];
      mesh_set_pose(paper, x, y, z, yaw, 0.0f, 0.0f);
      mesh_transform(paper);
      raster_draw_mesh(paper);
      Mesh* lights = &building_meshes[kind + 2];
      mesh_set_pose(lights, x, y, z, yaw, 0.0f, 0.0f);
      mesh_transform(lights);
      raster_select_multiply(1);
      mesh_env_map(lights);
      raster_draw_mesh(lights);
      raster_select_multiply(0);
    }
  }
  rand_seed(static_cast<uint32_t>(resume));
}

struct Picture {
  std::vector<Pixel> pixels;
  std::vector<int32_t> depth;
  SpanFiller filler;
};

template <typename Draw>
Picture render(const CameraParams& view, Draw draw) {
  cam_apply(&view);
  draw_clear(0x80402010);
  raster_clear_depth();
  rand_seed(77);
  draw();
  return {{frame_buffer, frame_buffer + FRAME_PIXELS}, {depth_buffer, depth_buffer + FRAME_PIXELS},
          raster_span_filler};
}

std::vector<CameraParams> views() {
  std::vector<CameraParams> all;
  // The shots of the robot city and the saucer city over their time range.
  for (float t = -1.0f; t <= 12.0f; t += 0.75f) {
    all.push_back({t - 3.0f, 0.3f * t + 0.25f, t + 1.0f, -35.0f, 15.0f, 0.0f, 2.0f, 300.0f,
                   350.0f - 100.0f * t});
    all.push_back({t - 5.0f, 1.5f, -5.0f - 0.5f * t, -45.0f, 22.5f, 0.0f, 2.0f, 300.0f, 200.0f});
    all.push_back({t - 4.0f, 1.5f, -4.0f - 0.5f * t, -45.0f, 23.0f, 0.0f, 2.0f, 300.0f, 200.0f});
    all.push_back({t - 5.0f, 34.0f, -5.0f - 0.5f * t, -25.0f, 3.0f, 0.0f, 2.0f, 300.0f, 200.0f});
  }
  // Cameras anywhere in and above the city, looking every way, wide and narrow.
  rand_seed(1234);
  auto pick = [](float lo, float hi) { return lo + (hi - lo) * static_cast<float>(rand_next()) / 32767.0f; };
  for (int k = 0; k < 60; ++k) {
    all.push_back({pick(-180, 140), pick(-5, 60), pick(-180, 140), pick(-180, 180), pick(-60, 60),
                   pick(-30, 30), pick(1, 10), pick(100, 600), pick(40, 500)});
  }
  return all;
}

}  // namespace

using CityCull = ShowAssetsTest;

TEST_F(CityCull, SkippingHiddenBlocksChangesNoPixelNoDepthAndNoFiller) {
  for (const CameraParams& view : views()) {
    Picture plain = render(view, draw_city_unculled);
    Picture culled = render(view, scene_draw_city);
    SCOPED_TRACE(testing::Message() << "camera " << view.x << ", " << view.y << ", " << view.z
                                    << " yaw " << view.yaw << " pitch " << view.pitch);
    ASSERT_TRUE(plain.pixels == culled.pixels);
    ASSERT_TRUE(plain.depth == culled.depth);
    EXPECT_EQ(plain.filler, culled.filler);
  }
}
