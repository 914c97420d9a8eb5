#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <string>

#include "display/console.h"
#include "platform/clock.h"
#include "platform/keys.h"
#include "support/command_output.h"
#include "support/requirements.h"
#include "support/skip_policy.h"

// The whole terminal path: a tmux pane of 80 x 50 runs a small show (the
// disabled helper test below, from this same program), watched from outside.

TEST(DISABLED_TmuxHelper, ShowUntilEscape) {
  con_configure({ColorMode::Auto, false});
  con_acquire_output();
  con_set_title("KOLV17 - alt+enter=fullscreen");
  con_setup(80, 50, 1);
  std::fprintf(stderr, "kolv17-held-message\n");
  if (const char* path = std::getenv("KOLV_TMUX_PIDFILE")) std::ofstream(path) << getpid() << "\n";
  static Pixel picture[FRAME_PIXELS];
  uint32_t start = clock_real_ms();
  for (int frame = 0; clock_real_ms() - start < 30000; ++frame) {
    // Red and blue columns a pixel wide, moving: every block has structure, so
    // every cell is coloured even with empty conversion tables.
    for (int i = 0; i < FRAME_PIXELS; ++i)
      picture[i] = ((i % FRAME_W + i / FRAME_W / 3 + frame / 10) & 1) ? pixel_rgba(255, 0, 0) : pixel_rgba(0, 0, 255);
    con_present(picture);
    if (key_waiting() && key_read() == 27) break;
    usleep(20000);
  }
  con_restore();
}

namespace {

bool eventually(const std::function<bool()>& condition, int timeout_ms = 15000) {
  for (int waited = 0; waited < timeout_ms; waited += 50) {
    if (condition()) return true;
    usleep(50000);
  }
  return condition();
}

class TmuxPane : public ::testing::Test {
 protected:
  void SetUp() override {
    KOLV_REQUIRE_TOOL("tmux");
    // A server of its own per test: a new session on the socket of a server
    // that is still shutting down fails with "server exited unexpectedly".
    static int tests_started = 0;
    std::string id = std::to_string(getpid()) + "-" + std::to_string(++tests_started);
    tmux_ = "tmux -L kolv17-test-" + id + " -f /dev/null ";
    pidfile_ = "/tmp/kolv17-tmux-" + id + ".pid";
    std::remove(pidfile_.c_str());
    exe_ = std::filesystem::read_symlink("/proc/self/exe").string();
  }

  // Starts the show from an interactive shell, so Ctrl+Z and fg work as for a
  // user; `through_sh` runs it under a plain sh that prints the line settings after.
  void start(bool through_sh) {
    std::string show = "KOLV_TMUX_PIDFILE=" + pidfile_ + " " + exe_ +
                       " --gtest_also_run_disabled_tests --gtest_filter=DISABLED_TmuxHelper.*";
    command_output(tmux_ + "new-session -d -x 80 -y 50 -s show 'bash --norc --noprofile -i'");
    type(through_sh ? "sh -c \"" + show + "; stty -a\"" : show);
    ASSERT_TRUE(eventually([&] { return pane_var("alternate_on") == "1" && coloured(); }))
        << "the show never appeared:\n" << capture(false);
    std::ifstream(pidfile_) >> pid_;
    ASSERT_GT(pid_, 0);
  }
  void TearDown() override {
    if (!tmux_.empty()) command_output(tmux_ + "kill-server 2>/dev/null");
    if (!pidfile_.empty()) std::remove(pidfile_.c_str());
  }

  void type(const std::string& line) {
    command_output(tmux_ + "send-keys -t show -l '" + line + "'");
    command_output(tmux_ + "send-keys -t show Enter");
  }
  std::string pane_var(const char* name) {
    std::string v = command_output(tmux_ + "display-message -p -t show '#{" + name + "}'");
    while (!v.empty() && (v.back() == '\n' || v.back() == '\r')) v.pop_back();
    return v;
  }
  std::string capture(bool escapes) { return command_output(tmux_ + "capture-pane -p " + (escapes ? "-e " : "") + "-t show"); }
  bool coloured() {
    static const std::regex background("\x1b\\[[0-9;]*(4[1-7]|10[0-7]|48;[25];[0-9;]+)m");
    return std::regex_search(capture(true), background);
  }
  // The pane is back on the normal screen with the line settings restored.
  void expect_terminal_given_back(bool type_stty = true) {
    ASSERT_TRUE(eventually([&] { return pane_var("alternate_on") == "0"; })) << capture(false);
    if (type_stty) type("stty -a");
    ASSERT_TRUE(eventually([&] { return capture(false).find("speed") != std::string::npos; })) << capture(false);
    std::string screen = capture(false);
    EXPECT_TRUE(std::regex_search(screen, std::regex("(^|[ ;])echo([ ;]|$)"))) << screen;
    EXPECT_TRUE(std::regex_search(screen, std::regex("(^|[ ;])icanon([ ;]|$)"))) << screen;
    EXPECT_EQ(pane_var("cursor_flag"), "1");
  }

  std::string tmux_, pidfile_, exe_;
  pid_t pid_ = 0;
};

// Ctrl+Z leaves the terminal as it was, fg takes it again and redraws, and
// Escape ends the show with the terminal and the held messages given back.
TEST_F(TmuxPane, SuspendResumeAndEscapeGiveTheTerminalBack) {
  ASSERT_NO_FATAL_FAILURE(start(false));
  EXPECT_EQ(pane_var("pane_title"), "KOLV17 - alt+enter=fullscreen");
  EXPECT_EQ(capture(false).find("kolv17-held-message"), std::string::npos) << "a message was drawn over the show";
  command_output(tmux_ + "send-keys -t show C-z");
  ASSERT_TRUE(eventually([&] { return pane_var("alternate_on") == "0"; })) << capture(false);
  EXPECT_EQ(pane_var("cursor_flag"), "1");
  type("fg");
  EXPECT_TRUE(eventually([&] { return pane_var("alternate_on") == "1" && coloured(); })) << capture(false);
  command_output(tmux_ + "send-keys -t show Escape");
  expect_terminal_given_back();
  std::string screen = capture(false);
  EXPECT_NE(screen.find("kolv17-held-message"), std::string::npos) << "the held message was lost";
  EXPECT_NE(screen.find("[       OK ]"), std::string::npos) << screen;
}

class TmuxSignal : public TmuxPane, public ::testing::WithParamInterface<int> {};

// Signals that end the show still give the terminal and the messages back.
TEST_P(TmuxSignal, GivesTheTerminalBack) {
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizer's own handler takes SIGSEGV to report the fault and ends the process itself.
  if (GetParam() == SIGSEGV) GTEST_SKIP() << SKIP_ASAN_OWNS_SIGSEGV;
#endif
  ASSERT_NO_FATAL_FAILURE(start(true));
  ASSERT_EQ(kill(pid_, GetParam()), 0);
  expect_terminal_given_back(false);
  EXPECT_NE(capture(false).find("kolv17-held-message"), std::string::npos);
  EXPECT_EQ(kill(pid_, 0), -1) << "the show outlived the signal";
}

INSTANTIATE_TEST_SUITE_P(Ending, TmuxSignal, ::testing::Values(SIGINT, SIGTERM, SIGHUP, SIGSEGV),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

}  // namespace
