#include <gtest/gtest.h>

#include "runtime/options.h"

namespace {

bool parse(std::initializer_list<const char*> args, Options* options, std::string* error) {
  std::vector<const char*> argv{"kolv17"};
  argv.insert(argv.end(), args.begin(), args.end());
  return options_parse(static_cast<int>(argv.size()), argv.data(), options, error);
}

}  // namespace

TEST(Options, NoOptionsIsThePlainShow) {
  Options o;
  std::string error;
  ASSERT_TRUE(parse({}, &o, &error));
  EXPECT_FALSE(o.headless);
  EXPECT_EQ(o.colors, ColorMode::Auto);
  EXPECT_EQ(o.fps, 50);
  EXPECT_TRUE(o.file.empty());
}

TEST(Options, ReadsValuesAndTheFileToShow) {
  Options o;
  std::string error;
  ASSERT_TRUE(parse({"--colors", "256", "--render", "0,1500,60000", "--out", "/tmp/x", "--fps",
                     "25", "--until", "9000", "drawing.gml"},
                    &o, &error))
      << error;
  EXPECT_EQ(o.colors, ColorMode::Ansi256);
  EXPECT_EQ(o.render_ms, (std::vector<int32_t>{0, 1500, 60000}));
  EXPECT_TRUE(o.headless) << "renders are headless by nature";
  EXPECT_EQ(o.fps, 25);
  EXPECT_EQ(o.until_ms, 9000);
  EXPECT_EQ(o.file, "drawing.gml");
}

TEST(Options, RejectsWhatItCannotUseWithOneLine) {
  const std::vector<std::vector<const char*>> bad = {
      {"--bogus"},          {"--colors", "pink"}, {"--fps", "0"},      {"--fps"},
      {"--render", "1,x"},  {"--render", "5"},    {"--until", "-3"},   {"a.tga", "b.tga"},
      {"--probe-audio", "song.mp3"}, {"--max-fps", "12abc"},
  };
  for (const auto& args : bad) {
    Options o;
    std::string error;
    std::vector<const char*> argv{"kolv17"};
    argv.insert(argv.end(), args.begin(), args.end());
    EXPECT_FALSE(options_parse(static_cast<int>(argv.size()), argv.data(), &o, &error)) << args[0];
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
}
