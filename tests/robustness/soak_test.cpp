#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "robustness/show_run.h"
#include "support/requirements.h"
#include "support/files.h"

namespace fs = std::filesystem;

// The short form of `make soak`: the whole show twice with its stream of
// arrows and F5 reloads. Both runs end cleanly, report nothing and draw the
// same frames: nothing carries over or reads memory it never wrote.
TEST(Soak, TwoRunsWithSeeksAndReloadsDrawTheSameFrames) {
  KOLV_REQUIRE_DATA();
  std::string root = show_temp_dir("soak");
  ASSERT_FALSE(root.empty());
  const std::string keys = root + "/keys";
  ASSERT_TRUE(show_command("tests/soak.sh --keys > " + show_quote(keys)).status == 0);
  const char* times = "20000,45000,70000,95000";
  for (const char* run_name : {"a", "b"}) {
    ShowRun run = show_run({"--headless", "--fps", "10", "--keys", keys,
                            "--render", times, "--out", root + "/" + run_name});
    ASSERT_TRUE(run.exited) << "crashed:\n" << run.output;
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "") << "a clean run reports nothing";
  }
  int compared = 0;
  for (const auto& entry : fs::directory_iterator(root + "/a")) {
    fs::path twin = fs::path(root) / "b" / entry.path().filename();
    ASSERT_TRUE(fs::exists(twin)) << twin;
    EXPECT_TRUE(read_file(entry.path()) == read_file(twin)) << entry.path().filename() << " differs";
    ++compared;
  }
  EXPECT_EQ(compared, 12);
  show_remove_tree(root);
}
