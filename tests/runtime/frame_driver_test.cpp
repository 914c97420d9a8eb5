#include <gtest/gtest.h>

#include <tuple>

#include "common/random.h"
#include "assets/assets.h"
#include "runtime/demo.h"
#include "runtime/show_tracks.h"
#include "runtime/frame_driver.h"
#include "sync/track.h"

namespace {

// A one-key track holding `value` everywhere.
struct ConstantTrack {
  Keyframe key;
  KeyTrack track;
  explicit ConstantTrack(float value) : key{0, value, INTERP_STEP}, track{nullptr, &key, 1} {}
};

struct TrackSet {
  ConstantTrack scene, part, time, var, overlay, greet;
  TrackSet(float s, float p, float t, float v, float o, float g)
      : scene(s), part(p), time(t), var(v), overlay(o), greet(g) {
    scene_track = &scene.track, part_track = &part.track, time_track = &time.track;
    var_track = &var.track, overlay_track = &overlay.track, greet_track = &greet.track;
  }
  // The frame driver's tracks must not point here once the set is gone.
  ~TrackSet() { scene_track = part_track = time_track = var_track = overlay_track = greet_track = nullptr; }
};

}  // namespace

// The flicker as the viewer sees it: a small fraction never hides the
// picture, a half hides it on a little under half the frames, a fraction near
// one on nearly all. Each frame takes exactly two draws of the shared
// sequence, whatever the values.
TEST(FrameDriver, FractionsFlickerThePictureOffOnAShareOfFramesThatGrowsWithThem) {
  TrackSet tracks(2, 2.9f, 1.5f, 0.5f, 4.5f, 1.95f);
  rand_seed(7);
  int overlay_hidden = 0, greet_hidden = 0;
  const int frames = 2000;
  for (int frame = 0; frame < frames; ++frame) {
    const FrameValues v = demo_evaluate_tracks(10.0f);
    ASSERT_EQ(std::pair(v.part, v.time), std::pair(2, 1.5f)) << "part truncated toward zero";
    ASSERT_TRUE(v.overlay == 4 || v.overlay == -1) << v.overlay;
    ASSERT_TRUE(v.greet == 1 || v.greet == -1) << v.greet;
    overlay_hidden += v.overlay < 0;
    greet_hidden += v.greet < 0;
  }
  EXPECT_GT(overlay_hidden, frames * 40 / 100);
  EXPECT_LT(overlay_hidden, frames * 50 / 100);
  EXPECT_GT(greet_hidden, frames * 90 / 100);

  TrackSet small(2, 0, 0, 0, 3.05f, 0.08f);
  rand_seed(7);
  for (int frame = 0; frame < frames; ++frame) {
    const FrameValues v = demo_evaluate_tracks(0.0f);
    ASSERT_EQ(std::pair(v.overlay, v.greet), std::pair(3, 0)) << "frame " << frame;
  }
  // Two draws a frame: the sequence stands where 2 * frames draws leave it.
  const int32_t next = rand_next();
  rand_seed(7);
  for (int i = 0; i < 2 * frames; ++i) rand_next();
  EXPECT_EQ(rand_next(), next);

  // Whole numbers show their picture; negative fractions show picture 0 and -1 hides.
  for (const auto& [overlay, greet, shown] : {std::tuple(3.0f, 2.0f, std::pair(3, 2)),
                                              std::tuple(-0.01f, -0.5f, std::pair(0, 0)),
                                              std::tuple(-1.0f, -1.0f, std::pair(-1, -1))}) {
    TrackSet tracks(2, 0, 0, 0, overlay, greet);
    const FrameValues v = demo_evaluate_tracks(0.0f);
    EXPECT_EQ(std::pair(v.overlay, v.greet), shown) << overlay;
  }
}

TEST(FrameDriver, EndSceneEndsTheShowOnlyWithPartMinusOne) {
  quit_requested = 0;
  for (float part : {0.0f, -1.0f}) {
    TrackSet tracks(-1, part, 1.0f, 0, -1, -1);
    demo_frame(1000);
    EXPECT_EQ(quit_requested, part < 0 ? 1 : 0) << part;
  }
  quit_requested = 0;
}

TEST(FrameDriver, UnknownSceneKeepsThePreviousPicture) {
  TrackSet tracks(9, 0, 0, 0, -1, -1);
  for (int i = 0; i < FRAME_PIXELS; ++i) frame_buffer[i] = 0xFF336699u;
  demo_frame(2000);
  // Sharpening a flat picture leaves it as it was.
  for (int i = 0; i < FRAME_PIXELS; i += 997) EXPECT_EQ(frame_buffer[i] & 0xFFFFFF, 0x336699u);
}

