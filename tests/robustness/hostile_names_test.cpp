#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "audio/decoder.h"
#include "display/lookup_tables.h"
#include "display/png_write.h"
#include "display/psf_font.h"
#include "image/image.h"
#include "image/tga.h"
#include "platform/printable.h"
#include "render3d/mesh_load.h"
#include "robustness/show_run.h"
#include "runtime/cast.h"
#include "runtime/headless.h"
#include "sync/timeline_text.h"
#include "runtime/options.h"
#include "runtime/run_control.h"
#include "support/files.h"
#include "support/requirements.h"
#include "sync/track.h"
#include "viewers/gml_reader.h"
#include "viewers/viewer_keys.h"

// A file name, or a word inside a file, reaches the terminal only as readable
// escapes: whatever report quotes it, from the program or from its readers.

namespace {

// ESC, BEL, a screen clear, a window title, a clipboard fill (OSC 52 with its
// payload), a lone 0x9B (CSI to some terminals) and bytes that are not UTF-8.
const std::string HOSTILE =
    "evil\033]0;PWNED\007\033[2J\033]52;c;cm0gLXJmIH4K\007\x9b" "31m\xff\xfe";
const std::string SHOWN = "evil\\e]0;PWNED\\a\\e[2J\\e]52;c;cm0gLXJmIH4K\\a\\x9b31m\\xff\\xfe";

// Diagnostics must not do what the tests are about.
std::string shown(const std::string& text) { return platform_printable_text(text); }

// The name shows as escapes, and none of its raw bytes (all of them either
// controls or not UTF-8) reach the output.
void expect_quoted_safely(const std::string& output) {
  EXPECT_NE(output.find(SHOWN), std::string::npos) << "the name is not shown:\n" << shown(output);
  EXPECT_EQ(output.find_first_of("\033\007\x9b\xff\xfe"), std::string::npos) << "raw in:\n" << shown(output);
}

// What a call writes to standard output and standard error.
std::string written_by(const std::function<void()>& call) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  call();
  std::string out = testing::internal::GetCapturedStdout();
  return out + testing::internal::GetCapturedStderr();
}

class HostileNames : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = show_temp_dir("hostile");
    ASSERT_FALSE(dir_.empty());
    name_ = dir_ + "/" + HOSTILE;
    missing_dir_name_ = dir_ + "/missing/" + HOSTILE;
  }
  void TearDown() override { show_remove_tree(dir_); }
  std::string dir_;
  std::string name_;               // in a folder that exists
  std::string missing_dir_name_;   // in one that does not
};

}  // namespace

// Every report that quotes a name or a word from a file: the readers', the
// drawing viewer's, the timeline parser's and the option parser's.
TEST_F(HostileNames, EveryReportQuotesTheNameEscaped) {
  write_file(name_ + ".tga", std::string("not a picture"));
  write_file(name_ + ".track", std::string("\x05"));
  auto timeline = [&](const std::string& text) {
    Timeline timeline;
    std::string error;
    timeline_parse(text, HOSTILE.c_str(), &timeline, &error);
    std::fputs(error.c_str(), stderr);
  };
  auto options = [&](std::vector<const char*> args) {
    Options options;
    std::string error;
    options_parse(static_cast<int>(args.size()), args.data(), &options, &error);
    std::fputs(error.c_str(), stderr);
  };
  const std::vector<std::pair<const char*, std::function<void()>>> reports = {
      {"missing TGA", [&] { Image image{}; img_load((name_ + "-gone.tga").c_str(), &image); }},
      {"unreadable TGA", [&] { Image image{}; img_load((name_ + ".tga").c_str(), &image); }},
      {"raw name without size", [&] { Image image{}; img_load(name_.c_str(), &image); }},
      {"TGA reader", [&] { tga_report(TGA_READ_FAILED, name_.c_str(), 1); }},
      {"mesh", [&] { Mesh mesh{}; mesh_load_frames((name_ + ".bof").c_str(), &mesh); }},
      {"track", [&] { KeyTrack track{}; track_load_file((name_ + ".track").c_str(), &track); }},
      {"tables", [&] { cell_load_table_files(name_.c_str(), name_.c_str()); }},
      {"console font", [&] { PsfFont font; psf_load(name_.c_str(), &font); }},
      {"PNG", [&] { uint32_t pixel = 0; png_write_rgba(missing_dir_name_.c_str(), 1, 1, &pixel); }},
      {"MP3", [&] { mp3_open((name_ + ".mp3").c_str()); }},
      {"module", [&] { mod_open((name_ + ".xm").c_str()); }},
      {"key script",
       [&] { std::vector<ScriptedKey> keys; run_control_load_keys(name_.c_str(), &keys); }},
      {"recording", [&] { cast_open(missing_dir_name_.c_str(), ColorMode::TrueColor, "t", 80, 50); }},
      {"output folder", [&] { headless_begin(50, {}, missing_dir_name_); }},
      {"drawing", [&] { static GmlDrawing drawing; gml_load((name_ + ".gml").c_str(), &drawing); }},
      {"timeline track", [&] { timeline("track " + HOSTILE + "\n"); }},
      {"timeline value", [&] { timeline("track scene\n0:00 " + HOSTILE + "\n"); }},
      {"option", [&] { options({"kolv17", ("--" + HOSTILE).c_str()}); }},
      {"option value", [&] { options({"kolv17", "--colors", HOSTILE.c_str()}); }},
  };
  viewer_headless = true;  // the drawing viewer waits for no key
  for (const auto& [kind, call] : reports) {
    SCOPED_TRACE(kind);
    expect_quoted_safely(written_by(call));
  }
  viewer_headless = false;
  cell_load_tables();  // the tables report leaves them empty
}


// Messages held while the show owns a terminal come out as escaped as the rest.
TEST_F(HostileNames, HeldMessagesAreEscapedOnTheTerminal) {
  KOLV_REQUIRE_DATA();
  KOLV_REQUIRE_TOOL("script");
  // The picture viewer waits for a key; one comes after a second.
  ShowRun run = show_command(
      "(sleep 1; printf x) | script -qec " +
      show_quote(show_quote(show_program()) + " --no-audio --until 0 " +
                 show_quote(name_ + ".tga")) +
      " /dev/null");
  ASSERT_TRUE(run.exited) << shown(run.output);
  EXPECT_NE(run.output.find("Image:" + dir_ + "/" + SHOWN + ".tga: TGA picture not loaded"),
            std::string::npos)
      << shown(run.output);
  for (const char* raw : {"\033]0;PWNED", "\033]52;", "\x9b" "31m", "\xff\xfe"}) {
    EXPECT_EQ(run.output.find(raw), std::string::npos) << "raw on the terminal: " << shown(raw);
  }
}
