// Making shows: scripted authoring keys and --start through the real program,
// read back from the status line that a --cast records with every frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <vector>

#include "robustness/show_run.h"
#include "support/files.h"

namespace {

// The demo time of every status line in a recording, in order.
std::vector<int> status_times(const std::string& cast) {
  std::vector<int> times;
  const std::string mark = ";97;44m";
  for (size_t at = cast.find(mark); at != std::string::npos; at = cast.find(mark, at + 1)) {
    int minutes = 0, seconds = 0, millis = 0;
    if (std::sscanf(cast.c_str() + at + mark.size(), "%d:%d.%d", &minutes, &seconds, &millis) == 3)
      times.push_back((minutes * 60 + seconds) * 1000 + millis);
  }
  return times;
}

struct Authoring : testing::Test {
  std::string dir = show_temp_dir("authoring");
  void TearDown() override { show_remove_tree(dir); }

  std::vector<int> run(const std::string& keys, std::vector<std::string> args) {
    std::ofstream(dir + "/keys.txt") << keys;
    args.insert(args.end(), {"--headless", "--no-audio", "--keys", dir + "/keys.txt", "--cast",
                             dir + "/show.cast"});
    ShowRun result = show_run(args);
    EXPECT_TRUE(result.exited && result.status == 0) << result.output;
    return status_times(read_file(dir + "/show.cast"));
  }
};

std::vector<int> steps_between(const std::vector<int>& times) {
  std::vector<int> steps;
  for (size_t i = 1; i < times.size(); i++)
    if (times[i] - times[i - 1] != 20) steps.push_back(times[i] - times[i - 1]);
  return steps;
}

// Each frame of a 50 fps headless run is 20 ms after the last; a jump adds
// exactly its own length, a pause holds the time, Home starts again at 0.
// Script times count on through a pause.
TEST_F(Authoring, JumpsMoveByBarsAndPagesAndPauseHoldsTheTime) {
  std::vector<int> times =
      run("0 tab\n1000 down\n4000 pgdn\n21000 space\n23000 space\n", {"--until", "23500"});
  // Space is read after the frame at 21000, when the clock stands at 21020:
  // that time is drawn when the pause begins and again when it ends.
  EXPECT_EQ(steps_between(times), (std::vector<int>{2020, 16020, 0}));
  EXPECT_EQ(std::count(times.begin(), times.end(), 21020), 2);

  times = run("0 tab\n20000 up\n20000 pgup\n20000 home\n", {"--start", "20000", "--until", "20100"});
  EXPECT_EQ(steps_between(times), (std::vector<int>{-1980, -15980, -2060}));
}

// Right and left move the demo time by exactly one second each, through the
// real main loop: the frame after the key is 1000 ms (plus its own 20) away.
TEST_F(Authoring, ArrowsMoveTheTimeByExactlyOneSecond) {
  std::vector<int> times = run("0 tab\n1000 right\n3000 left\n3500 left\n", {"--until", "6000"});
  EXPECT_EQ(steps_between(times), (std::vector<int>{1020, -980, -980}));
}

TEST_F(Authoring, StartBeginsTheShowThere) {
  std::vector<int> times = run("0 tab\n", {"--start", "57000", "--until", "57100"});
  ASSERT_FALSE(times.empty());
  EXPECT_EQ(times.front(), 57020);  // Tab is read after the first frame
}

TEST_F(Authoring, ABrokenTimelineStopsBeforeTheShow) {
  std::ofstream(dir + "/bad.txt") << "track scene\n  1.1 0\n  1.1 2\n";
  ShowRun broken = show_run({"--headless", "--timeline", dir + "/bad.txt"});
  EXPECT_EQ(broken.status, 1);
  EXPECT_EQ(broken.output.rfind(dir + "/bad.txt:3: ", 0), 0u) << broken.output;
}

}  // namespace
