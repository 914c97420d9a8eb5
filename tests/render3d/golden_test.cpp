// A textured and an environment-mapped torus at three poses through each
// span filler, compared bit for bit with a reference picture. After a
// deliberate change, regenerate it (see tests/golden/README.md).
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "common/simd.h"
#include "display/png_write.h"
#include "image/image_pool.h"
#include "render3d/camera.h"
#include "render3d/mesh.h"
#include "render3d/raster.h"
#include "render3d/transform.h"
#include "support/torus_mesh.h"
#include "support/skip_policy.h"

namespace {

constexpr const char* GOLDEN = "tests/golden/render3d_fillers.png";
constexpr int TEX_SLOT = IMAGE_POOL_SIZE - 2, ENV_SLOT = IMAGE_POOL_SIZE - 1;

// Checker with soft alpha and colour-key holes; a bright round highlight.
struct Textures {
  Pixel tex[32 * 16], env[32 * 32];
  Textures() {
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 32; ++x) {
        const bool dark = ((x / 4) + (y / 4)) % 2;
        tex[y * 32 + x] = (x % 8 == 3 && y % 8 == 3) ? COLOR_KEY
                          : dark ? pixel_rgba(40, 90, 200, 96 + x * 4)
                                 : pixel_rgba(250, 200, 60, 255);
      }
    }
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 32; ++x) {
        const double d = std::hypot(x - 12.0, y - 11.0) / 22;
        const int l = static_cast<int>(255 * std::max(0.0, 1 - d));
        env[y * 32 + x] = pixel_rgba(30 + l * 3 / 4, 40 + l * 3 / 4, 70 + l * 2 / 3, 200);
      }
    }
    image_pool[TEX_SLOT] = {tex, 16, 32, 5};
    image_pool[ENV_SLOT] = {env, 32, 32, 5};
  }
  ~Textures() { image_pool[TEX_SLOT] = image_pool[ENV_SLOT] = {}; }
};

void background() {
  for (int y = 0; y < FRAME_H; ++y)
    for (int x = 0; x < FRAME_W; ++x) frame_buffer[y * FRAME_W + x] = pixel_rgba(x, 60 + y / 2, 150 - y / 2, 255);
}

// One 240 x 150 panel per (filler, pose), 3 across and 4 down.
std::vector<Pixel> render_sheet(void (*draw)(Mesh*, const Mesh*)) {
  Textures textures;
  void (*select[4])(int32_t) = {raster_select_alpha, raster_select_alpha, raster_select_additive,
                                raster_select_multiply};
  const int32_t flags[4] = {0, 1, 1, 1};
  const CameraParams cam = {0.3f, 1.0f, -3.0f, 4, -15, 0, 1, 50, 220};
  std::vector<Pixel> sheet(3 * FRAME_W * 4 * FRAME_H);
  for (int f = 0; f < 4; ++f) {
    for (int pose = 0; pose < 3; ++pose) {
      TorusMesh torus(18, 10, 0.45, 2);
      background();
      raster_clear_depth();
      cam_apply(&cam);
      mesh_set_pose(&torus.mesh, 0.2f * pose - 0.2f, 0, 0.5f * pose, 0.9f * pose, 0.6f + 0.5f * pose, 0.3f * pose);
      select[f](flags[f]);
      mesh_set_texture(&torus.mesh, pose == 1 ? ENV_SLOT : TEX_SLOT);
      mesh_transform(&torus.mesh);
      if (pose == 1) mesh_env_map(&torus.mesh);
      draw(&torus.mesh, nullptr);
      raster_select_alpha(0);
      for (int y = 0; y < FRAME_H; ++y)
        for (int x = 0; x < FRAME_W; ++x)
          sheet[(f * FRAME_H + y) * 3 * FRAME_W + pose * FRAME_W + x] = frame_buffer[y * FRAME_W + x];
    }
  }
  return sheet;
}

bool read_png(const char* path, std::vector<Pixel>* pixels, int* w, int* h) {
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path)) return false;
  image.format = PNG_FORMAT_RGBA;
  std::tie(*w, *h) = std::tuple(static_cast<int>(image.width), static_cast<int>(image.height));
  pixels->resize(image.width * image.height);
  return png_image_finish_read(&image, nullptr, pixels->data(), 0, nullptr) != 0;
}

}  // namespace

TEST(Golden, TorusThroughEveryFiller) {
  const std::vector<Pixel> sheet = render_sheet(raster_draw_mesh_over);
  if (cpu_has_avx2()) {
    EXPECT_EQ(render_sheet(raster_draw_mesh_over_plain), render_sheet(raster_draw_mesh_over_avx2));
  }
  if (std::getenv("KOLV_UPDATE_GOLDEN")) {
    ASSERT_TRUE(png_write_rgba(GOLDEN, 3 * FRAME_W, 4 * FRAME_H, sheet.data()));
    GTEST_SKIP() << SKIP_GOLDEN_WRITTEN << ": " << GOLDEN;
  }
  std::vector<Pixel> golden;
  int w = 0, h = 0;
  ASSERT_TRUE(read_png(GOLDEN, &golden, &w, &h)) << "missing " << GOLDEN << " (run from the repository root)";
  ASSERT_EQ(std::tuple(w, h), std::tuple(3 * FRAME_W, 4 * FRAME_H));
  size_t differ = 0;
  for (size_t i = 0; i < sheet.size(); ++i) differ += sheet[i] != golden[i];
  if (differ) png_write_rgba("render3d_fillers.actual.png", w, h, sheet.data());
  EXPECT_EQ(differ, 0u) << "pixels differ; this run's picture is render3d_fillers.actual.png";
}
