// trackc and trackdump end to end: what is written, what is refused, and round trips.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "sync/timeline_text.h"
#include "tools/common/track_write.h"
#include "sync/track.h"
#include "support/files.h"

namespace {

namespace fs = std::filesystem;

class TrackTools : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) /
           ("trackc_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs a tool from the build directory: exit status, stdout and stderr.
  int run(const std::string& command, std::string* out, std::string* err) {
    std::string full = std::string(KOLV_BINARY_DIR) + "/" + command + " >" +
                       (dir_ / "out").string() + " 2>" + (dir_ / "err").string();
    int status = std::system(full.c_str());
    *out = read_file(dir_ / "out");
    *err = read_file(dir_ / "err");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string write_text(const std::string& name, const std::string& text) {
    write_file(dir_ / name, text);
    return (dir_ / name).string();
  }

  fs::path dir_;
};

TEST_F(TrackTools, CompilesEveryTrackAndDumpsItBack) {
  std::string source = write_text("show.txt",
                                  "track scene\n  0:00 2\n  9.1 -1\n"
                                  "track time\n  r0 0 linear\n  r64 16.5 smooth\n"
                                  "track overlay\n  r-4 -1\n");
  std::string prefix = (dir_ / "sync").string();
  std::string out, err;
  ASSERT_EQ(run("trackc " + source + " " + prefix, &out, &err), 0) << err;
  EXPECT_EQ(err, "");

  Keyframe scene[] = {{0, 2.0f, INTERP_STEP}, {64, -1.0f, INTERP_STEP}};
  EXPECT_EQ(read_file(prefix + "_scene.track"), track_file_bytes(scene, 2));
  // Tracks the timeline leaves out are written empty, not left as they were.
  EXPECT_EQ(read_file(prefix + "_greet.track"), track_file_bytes(nullptr, 0));

  ASSERT_EQ(run("trackdump " + prefix, &out, &err), 0) << err;
  std::string dumped = write_text("dumped.txt", out);
  std::string again = (dir_ / "again").string();
  ASSERT_EQ(run("trackc " + dumped + " " + again, &out, &err), 0) << err;
  for (const char* name : TIMELINE_TRACK_NAMES)
    EXPECT_EQ(read_file(again + "_" + name + ".track"), read_file(prefix + "_" + name + ".track"))
        << name;
}

TEST_F(TrackTools, BadInputIsRefusedAndWritesNothing) {
  std::string source = write_text("bad.txt", "track scene\n  r8 1\n  r4 2\n");
  std::string out, err;
  EXPECT_EQ(run("trackc " + source + " " + (dir_ / "sync").string(), &out, &err), 1);
  EXPECT_EQ(err.rfind(source + ":3: ", 0), 0u) << err;
  EXPECT_FALSE(fs::exists(dir_ / "sync_scene.track"));
  EXPECT_FALSE(fs::exists(dir_ / "sync_part.track"));

  EXPECT_EQ(run("trackc " + source, &out, &err), 2);
  EXPECT_EQ(run("trackc " + (dir_ / "absent.txt").string() + " x", &out, &err), 1);

  std::string bytes = track_file_bytes(nullptr, 0);
  bytes[0] = 5;  // five keys promised, none present
  write_text("sync_var.track", bytes);
  EXPECT_EQ(run("trackdump " + (dir_ / "sync_var.track").string(), &out, &err), 1);
  EXPECT_NE(err.find("sync_var.track: bad track file"), std::string::npos) << err;
  EXPECT_NE(out.find("track var"), std::string::npos) << out;
}

// The finished show: 2.5 to 3.5 minutes, ends by itself, cuts on bar lines.
TEST(ShippedTimeline, EndsByItselfAndCutsOnBarLines) {
  std::string text = read_file("assets/timeline.txt");
  Timeline timeline;
  std::string error;
  ASSERT_TRUE(timeline_parse(text, "assets/timeline.txt", &timeline, &error)) << error;
  auto track = [&](const char* name) {
    std::vector<Keyframe>& keys = timeline.keys[timeline_track_index(name)];
    return KeyTrack{nullptr, keys.data(), static_cast<int32_t>(keys.size())};
  };
  KeyTrack scene = track("scene"), part = track("part");
  ASSERT_GT(scene.count, 0);
  int32_t end = scene.keys[scene.count - 1].row;
  EXPECT_TRUE(end * 250 >= 150000 && end * 250 <= 210000) << end;
  EXPECT_EQ(std::pair(track_value(&scene, end), track_value(&part, end)), std::pair(-1.0f, -1.0f));

  for (int32_t row = 0; row < end; ++row)
    ASSERT_FALSE(track_value(&scene, row) == -1 && track_value(&part, row) == -1) << "ends early at row " << row;
  for (const KeyTrack* t : {&scene, &part})
    for (int32_t i = 0; i < t->count; ++i) EXPECT_EQ(t->keys[i].row % 8, 0) << "cut off the bar line";
}

}  // namespace
