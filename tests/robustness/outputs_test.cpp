#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>

#include "robustness/show_run.h"
#include "support/requirements.h"

// What the program itself writes besides the show: statistics, and the
// frame cap seen from outside.

namespace {

int frames_in(const std::string& stats) {
  std::smatch m;
  return std::regex_search(stats, m, std::regex("frames: (\\d+)")) ? std::stoi(m[1]) : -1;
}

// A live run on a pseudo-terminal that `script` provides, ended by --until.
ShowRun live(const std::string& args) {
  return show_command("script -qec " + show_quote(show_quote(show_program()) + " " + args) +
                      " /dev/null < /dev/null");
}

}  // namespace

TEST(Stats, SummaryHasEveryFigure) {
  KOLV_REQUIRE_DATA();
  ShowRun run = show_run({"--headless", "--fps", "10", "--until", "3000", "--stats"});
  ASSERT_TRUE(run.exited && run.status == 0) << run.output;
  EXPECT_EQ(frames_in(run.output), 30) << run.output;
  for (const char* figure : {"fps)", "bytes per frame: ", "cells elided: ", "median/p95", "draw",
                             "convert", "encode", "write", "  all "}) {
    EXPECT_NE(run.output.find(figure), std::string::npos) << figure << " missing:\n" << run.output;
  }
}

// The cap only thins out frames: a two-second live run at 10 frames a
// second draws no more than 21, by default no more than 121, and only
// --max-fps 0 lets it draw as fast as it can.
TEST(MaxFps, LiveRunDrawsNoMoreFramesThanTheCap) {
  KOLV_REQUIRE_TOOL("script");
  ShowRun capped = live("--test-card --no-audio --until 2000 --stats --max-fps 10");
  ShowRun standard = live("--test-card --no-audio --until 2000 --stats");
  ShowRun free = live("--test-card --no-audio --until 2000 --stats --max-fps 0");
  for (const ShowRun* run : {&capped, &standard, &free}) ASSERT_TRUE(run->exited && run->status == 0) << run->output;
  int capped_frames = frames_in(capped.output);
  EXPECT_GE(capped_frames, 1) << capped.output;
  EXPECT_LE(capped_frames, 21);
  EXPECT_LE(frames_in(standard.output), 121) << standard.output;
  EXPECT_GT(frames_in(free.output), 121) << "--max-fps 0 is uncapped";
}
