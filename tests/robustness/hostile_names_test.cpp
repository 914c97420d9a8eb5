#include <gtest/gtest.h>

#include <cstdlib>
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

TEST_F(HostileNames, EveryReaderReportQuotesTheNameEscaped) {
  write_file(name_ + ".tga", std::string("not a picture"));
  write_file(name_ + ".track", std::string("\x05"));
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
  };
  for (const auto& [kind, call] : reports) {
    SCOPED_TRACE(kind);
    expect_quoted_safely(written_by(call));
  }
  cell_load_tables();  // the tables report leaves them empty
}

// The drawing viewer prints the text it builds; the same text serves the screen.
TEST_F(HostileNames, DrawingNotFoundIsOneEscapedText) {
  const std::string path = name_ + ".gml";
  const std::string text = gml_not_found_text(path.c_str());
  EXPECT_EQ(text, "ERROR!!! " + dir_ + "/" + SHOWN + ".gml NOT FOUND!!");
  viewer_headless = true;  // no key to wait for
  static GmlDrawing drawing;
  EXPECT_EQ(written_by([&] { gml_load(path.c_str(), &drawing); }), text + "\n");
  viewer_headless = false;
}

TEST_F(HostileNames, TimelineErrorsQuoteFileAndWordsEscaped) {
  for (const std::string& text : {"track " + HOSTILE + "\n", "track scene\n" + HOSTILE + " 1\n",
                                  "track scene\n0:00 " + HOSTILE + "\n",
                                  "track scene\n0:00 1 " + HOSTILE + "\n",
                                  "track scene\n0:00 1 step " + HOSTILE + "\n"}) {
    Timeline timeline;
    std::string error;
    ASSERT_FALSE(timeline_parse(text, HOSTILE.c_str(), &timeline, &error));
    EXPECT_EQ(error.rfind(SHOWN + ":", 0), 0u) << shown(error);
    expect_quoted_safely(error.substr(SHOWN.size()));
  }
}

TEST_F(HostileNames, OptionErrorsQuoteTheArgumentEscaped) {
  const std::string option = "--" + HOSTILE;
  for (const std::vector<const char*>& args :
       {std::vector<const char*>{"kolv17", option.c_str()},
        {"kolv17", "--colors", HOSTILE.c_str()},
        {"kolv17", "first.tga", HOSTILE.c_str()}}) {
    Options options;
    std::string error;
    ASSERT_FALSE(options_parse(static_cast<int>(args.size()), args.data(), &options, &error));
    expect_quoted_safely(error);
  }
}

// The program as a user starts it, a name in every place that takes one.
TEST_F(HostileNames, ShowQuotesEveryNameItIsGivenEscaped) {
  KOLV_REQUIRE_DATA();
  std::vector<std::vector<std::string>> runs = {
      {"--headless", "--fps", "1", "--until", "0", name_ + ".gml"},
      {"--headless", "--until", "0", name_ + ".tga"},
      {"--headless", "--until", "0", "--data", name_},
      {"--headless", "--until", "0", "--keys", name_},
      {"--headless", "--until", "0", "--cast", missing_dir_name_},
      {"--headless", "--render", "0", "--out", missing_dir_name_},
      {"--probe-audio", name_ + ".mp3", "--at", "0"},
  };
  // ffmpeg's own report names the file too.
  KOLV_REQUIRE_TOOL("ffmpeg");
  runs.push_back({"--headless", "--until", "100", "--capture", missing_dir_name_ + ".mp4"});
  for (const auto& args : runs) {
    SCOPED_TRACE(args[args.size() - 2]);
    ShowRun run = show_run(args);
    ASSERT_TRUE(run.exited) << shown(run.output);
    expect_quoted_safely(run.output);
  }
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
