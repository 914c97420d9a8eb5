// How the program ends, as a script calling it sees it: 0 when the show ran
// (or help was asked for), 1 when something it needs cannot be read, 2 when
// the command line itself is wrong. Each failure says why in one line.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "robustness/show_run.h"
#include "support/requirements.h"

namespace {

struct Case {
  std::vector<std::string> args;
  int status;
};

}  // namespace

TEST(ExitStatus, ZeroWhenItRanOneWhenSomethingCannotBeReadTwoForAWrongCommandLine) {
  KOLV_REQUIRE_DATA();
  const std::string dir = show_temp_dir("exit");
  const Case cases[] = {
      {{"--headless", "--no-audio", "--until", "200"}, 0},
      {{"--help"}, 0},
      {{"--headless", "--data", dir}, 1},  // no conversion tables there
      {{"--headless", "--keys", dir + "/none.keys"}, 1},
      {{"--headless", "--timeline", dir + "/none.txt"}, 1},
      {{"--no-such-option"}, 2},
      {{"--fps", "fast"}, 2},
      {{"--headless", "--start", "99999999"}, 2},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& arg : c.args) line += arg + " ";
    SCOPED_TRACE(line);
    const ShowRun run = show_run(c.args);
    ASSERT_TRUE(run.exited) << run.output;
    EXPECT_EQ(run.status, c.status) << run.output;
    if (c.status != 0) {
      EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
    }
  }
  show_remove_tree(dir);
}
