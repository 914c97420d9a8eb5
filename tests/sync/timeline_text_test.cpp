#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "sync/timeline_text.h"

namespace {

std::vector<Keyframe> parse_keys(const std::string& text, const char* track = "scene") {
  Timeline timeline;
  std::string error;
  EXPECT_TRUE(timeline_parse(text, "t.txt", &timeline, &error)) << error;
  return timeline.keys[timeline_track_index(track)];
}

std::string parse_error(const std::string& text) {
  Timeline timeline;
  std::string error;
  EXPECT_FALSE(timeline_parse(text, "t.txt", &timeline, &error)) << text;
  return error;
}

int32_t row_of(const std::string& time) { return parse_keys("track scene\n" + time + " 0\n")[0].row; }

}  // namespace

TEST(TimelineText, ReadsTheThreeTimeForms) {
  // Rows; seconds in steps of 250 ms; bar.beat at 120 BPM from bar 1 (a beat is 2 rows, a bar 8).
  const std::pair<const char*, int32_t> forms[] = {{"r128", 128},    {"r-4", -4},      {"0:16.000", 64},
                                                   {"0:16", 64},      {"1:04.5", 258},  {"1:04.250", 257},
                                                   {"-0:01.000", -4}, {"1.1", 0},       {"1.4", 6}, {"9.1", 64}};
  for (const auto& [time, row] : forms) EXPECT_EQ(row_of(time), row) << time;
}

TEST(TimelineText, ReadsBlocksCommentsAndInterpolations) {
  Timeline timeline;
  std::string error;
  ASSERT_TRUE(timeline_parse("\xEF\xBB\xBF# show\r\n"
                             "track part\r\n"
                             "  r0 1 linear   # ramp up\r\n"
                             "\r\n"
                             "  r4 +2.5 smooth\r\n"
                             "track overlay\n"
                             "  r0 -1\n"
                             "track part\n"  // a block may be reopened further on
                             "  r8 1e-3 ramp\n"
                             "  r9 -0.25 step\n",
                             "t.txt", &timeline, &error))
      << error;
  const std::vector<Keyframe>& part = timeline.keys[timeline_track_index("part")];
  ASSERT_EQ(part.size(), 4u);
  EXPECT_EQ(std::tuple(part[0].interpolation, part[1].interpolation, part[2].interpolation, part[3].interpolation),
            std::tuple(INTERP_LINEAR, INTERP_SMOOTH, INTERP_QUADRATIC, INTERP_STEP));
  EXPECT_EQ(std::tuple(part[1].value, part[2].value), std::tuple(2.5f, 1e-3f));
  const std::vector<Keyframe>& overlay = timeline.keys[timeline_track_index("overlay")];
  ASSERT_EQ(overlay.size(), 1u);
  EXPECT_EQ(std::tuple(overlay[0].value, overlay[0].interpolation), std::tuple(-1.0f, INTERP_STEP));  // the default
  EXPECT_TRUE(timeline.keys[timeline_track_index("greet")].empty());
}

// Anything that would make a bad track file is refused with file:line.
TEST(TimelineText, RefusesBadKeysWithFileLineAndReason) {
  const std::string head = "track scene\nr0 0\nr8 1\n";
  struct Case {
    std::string line;
    std::string reason;
  } cases[] = {
      {"r4 2", "t.txt:4: row 4 comes before row 8 (line 3); keys must ascend"},
      {"r8 2", "t.txt:4: row 8 repeats the previous key (line 3)"},
      {"r9 2 cubic", "t.txt:4: unknown interpolation 'cubic' (step, linear, smooth, ramp)"},
      {"r9 two", "t.txt:4: value 'two' is not a number"},
      {"r9 nan", "t.txt:4: value 'nan' is not a number"},
      {"r9 1e99", "t.txt:4: value '1e99' is not a number"},
      {"r9", "t.txt:4: a key needs a time and a value"},
      {"r9 1 step x", "t.txt:4: unexpected 'x' after the key"},
      {"track scenes", "t.txt:4: unknown track 'scenes' (scene, part, time, var, overlay, greet)"},
      {"track", "t.txt:4: write 'track NAME'"},
      {"0:16.100 1", "t.txt:4: time '0:16.100' is not on a whole row (times go in steps of 250 ms)"},
      {"0:60 1", "t.txt:4: time '0:60' seconds are written m:ss or m:ss.mmm"},
      {"0.1 1", "t.txt:4: time '0.1' bars count from 1 and beats from 1 to 4"},
      {"rx 1", "t.txt:4: time 'rx' a row needs digits after 'r'"},
      {"16 1", "t.txt:4: time '16' is not a time: write r64, 0:16.000 or bar.beat like 9.1"},
      {"r8589935 1", "t.txt:4: time 'r8589935' lies beyond the show's clock"},
  };
  for (const Case& c : cases) EXPECT_EQ(parse_error(head + c.line + "\n"), c.reason) << c.line;
  EXPECT_EQ(parse_error("\n# a comment\nr0 1\n"), "t.txt:3: a key before any 'track NAME' line");
}

// Printed text reads back bit for bit, rows before 0 and awkward floats included.
TEST(TimelineText, PrintedTracksReadBackUnchanged) {
  std::vector<Keyframe> keys = {{-8, 0.1f, INTERP_LINEAR},        {0, -1.0f, INTERP_STEP},
                                {1, 3.4028235e38f, INTERP_SMOOTH}, {257, 1e-7f, INTERP_QUADRATIC},
                                {8589934, -0.0f, INTERP_STEP}};
  std::string text = timeline_track_text("var", keys.data(), static_cast<int32_t>(keys.size()));
  std::vector<Keyframe> back = parse_keys(text, "var");
  ASSERT_EQ(back.size(), keys.size()) << text;
  auto bits = [](const Keyframe& k) { return std::tuple(k.row, std::bit_cast<uint32_t>(k.value), k.interpolation); };
  for (size_t i = 0; i < keys.size(); i++) EXPECT_EQ(bits(back[i]), bits(keys[i])) << text;
  EXPECT_NE(text.find("r0, bar 1.1"), std::string::npos) << text;
}
