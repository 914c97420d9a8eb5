// --timeline: the text is applied on every finished save, a broken save
// keeps the last good tracks, and the file may vanish and come back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "runtime/show_tracks.h"
#include "sync/track.h"

namespace {

float scene_at_start() { return track_value(scene_track, 0.0); }

void save(const std::string& path, int scene) {
  std::ofstream(path) << "track scene\n  1.1  " << scene << "\ntrack part\n  1.1  -1\n";
}

TEST(ShowTracks, EverySaveIsAppliedAndABrokenOneKeepsTheLastGood) {
  std::string path = testing::TempDir() + "kolv17_timeline_" + std::to_string(getpid()) + ".txt";
  save(path, 3);
  ASSERT_TRUE(show_tracks_begin(path.c_str()));
  EXPECT_EQ(scene_at_start(), 3.0f);
  EXPECT_FALSE(show_tracks_poll());  // nothing changed yet

  save(path, 4);  // written in place
  EXPECT_TRUE(show_tracks_poll());
  EXPECT_EQ(scene_at_start(), 4.0f);

  // Saves in quick succession: the last one counts.
  save(path, 0);
  save(path, 1);
  EXPECT_TRUE(show_tracks_poll());
  EXPECT_EQ(scene_at_start(), 1.0f);

  // A save with an error: nothing applied, the first error named once.
  std::ofstream(path) << "track scene\n  1.1  2\n  oops\n";
  testing::internal::CaptureStderr();
  EXPECT_FALSE(show_tracks_poll());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), path + ":3: a key needs a time and a value\n");
  EXPECT_EQ(show_tracks_note(), path + ":3: a key needs a time and a value");
  EXPECT_EQ(scene_at_start(), 1.0f);

  // Gone: the last good timeline plays on, with a note.
  std::remove(path.c_str());
  EXPECT_FALSE(show_tracks_poll());
  EXPECT_NE(show_tracks_note().find("gone"), std::string::npos) << show_tracks_note();
  EXPECT_EQ(scene_at_start(), 1.0f);

  // Saved as editors do, to a new file renamed over the name: seen again.
  save(path + ".swp", 2);
  ASSERT_EQ(std::rename((path + ".swp").c_str(), path.c_str()), 0);
  EXPECT_TRUE(show_tracks_poll());
  EXPECT_EQ(scene_at_start(), 2.0f);
  EXPECT_EQ(show_tracks_note(), "");

  // F5 reads it again even without a change.
  save(path, 0);
  show_tracks_reload();
  EXPECT_EQ(scene_at_start(), 0.0f);
  std::remove(path.c_str());
}

}  // namespace
