#include <gtest/gtest.h>

#include <tuple>

#include "runtime/options.h"

namespace {

bool parse(std::vector<const char*> args, Options* options, std::string* error) {
  args.insert(args.begin(), "kolv17");
  return options_parse(static_cast<int>(args.size()), args.data(), options, error);
}

}  // namespace

// Renders and captures are headless by nature, captures at 50 frames a second; a cast is not.
TEST(Options, ReadsValuesAndWhatTheyImply) {
  Options o, capture, cast;
  std::string error;
  ASSERT_TRUE(parse({}, &o, &error));
  EXPECT_EQ(std::tuple(o.headless, o.colors, o.fps, o.max_fps, o.file), std::tuple(false, ColorMode::Auto, 50, 60, ""));
  ASSERT_TRUE(parse({"--colors", "256", "--render", "0,1500,60000", "--out", "/tmp/x", "--fps", "25", "--until",
                     "9000", "drawing.gml"}, &o, &error)) << error;
  EXPECT_EQ(std::tuple(o.colors, o.render_ms, o.headless, o.fps, o.until_ms, o.file),
            std::tuple(ColorMode::Ansi256, std::vector<int32_t>{0, 1500, 60000}, true, 25, 9000, "drawing.gml"));
  ASSERT_TRUE(parse({"--capture", "show.mp4", "--capture-font", "16", "--max-fps", "0"}, &capture, &error)) << error;
  EXPECT_EQ(std::tuple(capture.headless, capture.fps, capture.capture_font, capture.max_fps),
            std::tuple(true, 50, 16, 0));
  ASSERT_TRUE(parse({"--cast", "show.cast"}, &cast, &error)) << error;
  EXPECT_FALSE(cast.headless) << "a live run can be recorded";
  // The picture fits the terminal unless told otherwise; --term is a headless terminal.
  Options console, fixed, term;
  EXPECT_EQ(std::tuple(cast.grid.choice, cast.cell_aspect, cast.term_cols), std::tuple(GridChoice::Fit, 0.0f, 0));
  ASSERT_TRUE(parse({"--grid", "console", "--cell-aspect", "1"}, &console, &error)) << error;
  EXPECT_EQ(std::tuple(console.grid.choice, console.cell_aspect), std::tuple(GridChoice::Console, 1.0f));
  ASSERT_TRUE(parse({"--grid", "120x40"}, &fixed, &error)) << error;
  EXPECT_EQ(std::tuple(fixed.grid.choice, fixed.grid.cols, fixed.grid.rows), std::tuple(GridChoice::Fixed, 120, 40));
  ASSERT_TRUE(parse({"--term", "80x24@1"}, &term, &error)) << error;
  EXPECT_EQ(std::tuple(term.term_cols, term.term_rows, term.term_aspect, term.headless),
            std::tuple(80, 24, 1.0f, true));
}

TEST(Options, RejectsWhatItCannotUseWithOneLineNamingTheFault) {
  const std::vector<std::vector<const char*>> bad = {
      {"--bogus"}, {"--fps"}, {"--render", "1,x"}, {"--until", "-3"}, {"a.tga", "b.tga"}, {"--max-fps", "12abc"},
      {"--max-fps=1001"},
      {"--capture", "a.mp4", "--fps", "25"}, {"--capture", "a.mp4", "--capture-font", "12"}, {"--capture-font", "16"},
      {"--grid", "wide"}, {"--grid", "0x10"}, {"--grid", "241x150"}, {"--grid", "80x24@2"}, {"--grid"},
      {"--term", "80x151"}, {"--term", "80"}, {"--term", "80x24@0"}, {"--cell-aspect", "0"},
      {"--cell-aspect", "9"}, {"--cell-aspect", "2x"},
  };
  for (const auto& args : bad) {
    Options o;
    std::string error;
    EXPECT_FALSE(parse(args, &o, &error)) << args[0];
    EXPECT_TRUE(!error.empty() && error.find('\n') == std::string::npos) << error;
  }
  // The line names what went wrong.
  const std::pair<std::vector<const char*>, const char*> named[] = {
      {{"--c"}, "option '--c' is ambiguous (--colors, --capture, --capture-font, --cast, --cell-aspect)"},
      {{"--bogus=1"}, "unknown option '--bogus' (try --help)"},
      {{"-x"}, "unknown option '-x' (try --help)"},
      {{"--data"}, "--data needs a value"},
      {{"--stats=yes"}, "--stats takes no value"},
      {{"--fps=fast"}, "--fps takes a whole number from 1 to 1000"},
  };
  for (const auto& [args, message] : named) {
    Options o;
    std::string error;
    EXPECT_FALSE(parse(args, &o, &error)) << args[0];
    EXPECT_EQ(error, message);
  }
}

// Both ways of giving a value, unambiguous abbreviations, FILE anywhere, and
// "--" ending the options so that a file may start with a dash.
TEST(Options, FollowsTheUsualCommandLineConventions) {
  Options a, b, c;
  std::string error;
  ASSERT_TRUE(parse({"--fps=25", "--colors", "16", "--data=/x=y", "--until=0"}, &a, &error)) << error;
  EXPECT_EQ(std::tuple(a.fps, a.colors, a.data_dir, a.until_ms), std::tuple(25, ColorMode::Ansi16, "/x=y", 0));
  ASSERT_TRUE(parse({"--head", "--max=1000", "--no-a", "--capture-f", "8", "--capture", "v.mp4"}, &b, &error)) << error;
  EXPECT_EQ(std::tuple(b.headless, b.max_fps, b.no_audio, b.capture_font), std::tuple(true, 1000, true, 8));
  ASSERT_TRUE(parse({"picture.tga", "--no-audio"}, &c, &error)) << error;
  EXPECT_EQ(std::tuple(c.file, c.no_audio), std::tuple("picture.tga", true)) << "FILE may come first";
  Options d;
  ASSERT_TRUE(parse({"--no-audio", "--", "--version"}, &d, &error)) << error;
  EXPECT_EQ(std::tuple(d.file, d.version), std::tuple("--version", false)) << "after --, a FILE";
  ASSERT_FALSE(parse({"--", "a.tga", "--version"}, &d, &error));
  EXPECT_NE(error.find("only one FILE"), std::string::npos) << error;
}

