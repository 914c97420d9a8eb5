#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "runtime/capture.h"
#include "support/command_output.h"
#include "support/requirements.h"

namespace {

// codec, size, pixel format and frame count of the video stream; the audio codec.
std::string probe(const std::string& path) {
  return command_output("ffprobe -v error -count_frames -show_entries "
             "stream=codec_name,width,height,pix_fmt,nb_read_frames -of csv=p=0 '" + path + "'");
}

ConsoleCell cells[CONSOLE_CELLS];

void fill_cells(int frame) {
  for (int i = 0; i < CONSOLE_CELLS; ++i) {
    cells[i] = {static_cast<uint16_t>((i + frame) % 256), static_cast<uint16_t>((i / 80 + frame) % 256)};
  }
}

class Capture : public ::testing::Test {
 protected:
  void SetUp() override { path_ = "/tmp/kolv17-capture-" + std::to_string(getpid()) + ".mp4"; }
  void TearDown() override { std::remove(path_.c_str()); }
  std::string path_;
};

}  // namespace

TEST_F(Capture, AMissingOrFailingEncoderIsReported) {
  std::string saved = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", "/nonexistent-kolv17-bin", 1);
  testing::internal::CaptureStderr();
  bool started = capture_begin({path_.c_str(), 8, nullptr});
  std::string err = testing::internal::GetCapturedStderr();
  setenv("PATH", saved.c_str(), 1);
  EXPECT_FALSE(started);
  EXPECT_FALSE(capture_is_active());
  EXPECT_NE(err.find("ffmpeg"), std::string::npos) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_FALSE(std::filesystem::exists(path_)) << "no file without an encoder";

  // An encoder that gives up makes the capture fail loudly, naming the file,
  // instead of reporting a video that is not there.
  KOLV_REQUIRE_TOOL("ffmpeg");
  std::string bad = "/nonexistent-kolv17-folder/show.mp4";
  ASSERT_TRUE(capture_begin({bad.c_str(), 8, nullptr}));
  for (int frame = 0; frame < 200 && capture_frame(cells, frame * 20); ++frame) {
  }
  testing::internal::CaptureStderr();
  EXPECT_FALSE(capture_finish());
  err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find(bad + " is not complete"), std::string::npos) << err;
  EXPECT_FALSE(capture_is_active());
}

// Every frame sent becomes one H.264 frame of the console picture's size in
// a pixel format any player takes; the 8 x 16 font doubles the height. A
// soundtrack shorter than the show is padded, never cutting the picture.
TEST_F(Capture, WritesOneVideoFramePerShowFrameAndPadsTheSoundtrack) {
  KOLV_REQUIRE_TOOL("ffmpeg");
  KOLV_REQUIRE_TOOL("ffprobe");
  std::string song = "/tmp/kolv17-capture-" + std::to_string(getpid()) + ".mp3";
  ASSERT_EQ(std::system(("ffmpeg -v error -y -f lavfi -i sine=frequency=440:duration=0.2 '" + song +
                         "'").c_str()), 0);
  for (int glyph : {8, 16}) {
    ASSERT_TRUE(capture_begin({path_.c_str(), glyph, glyph == 8 ? song.c_str() : nullptr}));
    capture_set_length(25 * 20);
    for (int frame = 0; frame < 25; ++frame) {
      fill_cells(frame);
      ASSERT_TRUE(capture_frame(cells, frame * 20));
    }
    testing::internal::CaptureStderr();
    EXPECT_TRUE(capture_finish());
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("captured " + path_), std::string::npos) << err;
    std::string streams = probe(path_);
    EXPECT_NE(streams.find("h264," + std::string(glyph == 8 ? "640,400" : "640,800") + ",yuv420p,25\n"),
              std::string::npos) << streams;
    EXPECT_EQ(streams.find("aac") != std::string::npos, glyph == 8) << streams;
    double seconds = std::atof(command_output("ffprobe -v error -show_entries format=duration -of csv=p=0 '" +
                                              path_ + "'").c_str());
    EXPECT_NEAR(seconds, 0.5, 0.1) << glyph;
  }
  std::remove(song.c_str());
}

