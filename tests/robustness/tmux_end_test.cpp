#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <regex>
#include <string>

#include "robustness/show_run.h"
#include "support/requirements.h"

// The program itself in a real terminal (a tmux pane of 80 x 50), left to
// reach the end of its run: the terminal comes back as it was, the exit
// status is 0. Escape, signals and suspending are covered with the display
// layer alone in the runtime tests.

namespace {

bool eventually(const std::function<bool()>& condition, int timeout_ms) {
  for (int waited = 0; waited < timeout_ms; waited += 100) {
    if (condition()) return true;
    usleep(100000);
  }
  return condition();
}

}  // namespace

TEST(TmuxShow, EndOfTheShowGivesTheTerminalBack) {
  KOLV_REQUIRE_TOOL("tmux");
  KOLV_REQUIRE_DATA();
  std::string tmux = "tmux -L kolv17-end-" + std::to_string(getpid()) + " -f /dev/null ";
  auto pane = [&](const std::string& what) { return show_command(tmux + what).output; };
  auto alternate = [&] { return pane("display-message -p -t show '#{alternate_on}'"); };
  pane("new-session -d -x 80 -y 50 -s show 'bash --norc --noprofile -i'");
  // Nothing the checks look for may appear in the typed line itself.
  std::string line = show_quote(show_program()) + " --no-audio --until 3000; printf 'STATUS%s\\n' $?; stty -a";
  pane("send-keys -t show -l " + show_quote(line));
  pane("send-keys -t show Enter");

  EXPECT_TRUE(eventually([&] { return alternate() == "1\n"; }, 15000)) << "the show never started";
  std::regex status("STATUS[0-9]");
  bool ended = eventually([&] { return std::regex_search(pane("capture-pane -p -t show"), status); }, 60000);
  std::string screen = pane("capture-pane -p -t show");
  EXPECT_TRUE(ended) << screen;
  EXPECT_EQ(alternate(), "0\n");
  EXPECT_NE(screen.find("STATUS0"), std::string::npos) << screen;
  EXPECT_TRUE(std::regex_search(screen, std::regex("(^|[ ;])echo([ ;]|$)"))) << screen;
  EXPECT_TRUE(std::regex_search(screen, std::regex("(^|[ ;])icanon([ ;]|$)"))) << screen;
  EXPECT_EQ(pane("display-message -p -t show '#{cursor_flag}'"), "1\n");
  pane("kill-server");
}
