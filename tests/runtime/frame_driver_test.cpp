#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "common/random.h"
#include "image/assets.h"
#include "runtime/demo.h"
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

// Each frame takes two draws, the overlay's first: a fraction flickers the
// picture off when its draw pushes the value to another whole number.
TEST(FrameDriver, OverlayThenGreetEachTakeOneDrawPerFrame) {
  TrackSet tracks(2, 2.9f, 1.5f, 0.5f, 4.5f, 1.95f);
  auto skip_to_frame = [](int frame) {
    rand_seed(7);
    for (int i = 0; i < 2 * frame; ++i) rand_next();
  };
  for (int frame = 0; frame < 200; ++frame) {
    skip_to_frame(frame);
    int32_t r1 = rand_next(), r2 = rand_next(), after = rand_next();
    skip_to_frame(frame);
    FrameValues v = demo_evaluate_tracks(10.0f);
    EXPECT_EQ(rand_next(), after);
    EXPECT_EQ(std::pair(v.part, v.time), std::pair(2, 1.5f)) << "part truncated toward zero";
    EXPECT_EQ(v.overlay, static_cast<int>(4.5f + r1 / FLICKER_DIVISOR) != 4 ? -1 : 4);
    EXPECT_EQ(v.greet, static_cast<int>(1.95f + r2 / FLICKER_DIVISOR) != 1 ? -1 : 1);
  }
}

// Whole numbers show their picture; negative fractions show picture 0 and -1 hides.
TEST(FrameDriver, WholeNumbersAndNegativeFractionsShowAPictureAndMinusOneHides) {
  rand_seed(1);
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

TEST(FrameDriver, GreetTwoShowsTheThirdPanelOfTheStrip) {
  TrackSet tracks(9, 0, 0, 0, -1, 2.0f);
  std::vector<Pixel> strip(FRAME_W * 150 * 4);
  for (int panel = 0; panel < 4; ++panel) {
    const Pixel colour = pixel_rgba(static_cast<uint32_t>(40 * (panel + 1)), 90, 30, 255);
    std::fill(strip.begin() + panel * FRAME_W * 150, strip.begin() + (panel + 1) * FRAME_W * 150, colour);
  }
  const Image kept = greets_image;
  greets_image = {strip.data(), 150 * 4, FRAME_W, 0};
  demo_frame(3000);
  greets_image = kept;
  // Panel 2 (red 120) over the whole frame, blended at 255/256.
  for (int i = 0; i < FRAME_PIXELS; i += 997) EXPECT_EQ(frame_buffer[i] & 0xFFFFFF, pixel_rgba(119, 89, 29, 0) & 0xFFFFFF);
}
