#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include "image/font.h"
#include "picgen/pictures.h"
#include "picgen/texts.h"

namespace {

constexpr char TEXTS[] = "assets/pictures.txt";

bool is_power_of_two(int v) { return v > 0 && (v & (v - 1)) == 0; }

float transparent_share(const PicCanvas& c) {
  size_t clear = 0;
  for (Pixel p : c.px) clear += pixel_a(p) == 0;
  return float(clear) / float(c.px.size());
}

class PicgenPictures : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(pic_read_texts(TEXTS, &texts_));
    loaded_ = psf_load(psf_default_font_path(8), &font_);
  }
  void SetUp() override {
    if (!loaded_) GTEST_SKIP() << "the VGA console font is not installed";
  }
  static std::vector<PicTextSection> texts_;
  static PsfFont font_;
  static bool loaded_;
};
std::vector<PicTextSection> PicgenPictures::texts_;
PsfFont PicgenPictures::font_;
bool PicgenPictures::loaded_ = false;

TEST(PicgenTexts, SectionsCommentsAndRepeats) {
  const std::string path = "/tmp/kolv_picgen_texts_" + std::to_string(getpid()) + ".txt";
  std::ofstream(path) << "# words\n[a]\n  ONE  \n\nTWO\n[greets]\nX\n[greets]\nY\nZ\n";
  std::vector<PicTextSection> s;
  ASSERT_TRUE(pic_read_texts(path.c_str(), &s));
  EXPECT_EQ(pic_text_lines(s, "a"), (std::vector<std::string>{"ONE", "TWO"}));
  EXPECT_TRUE(pic_text_lines(s, "b").empty());
  EXPECT_EQ(pic_text_all(s, "greets"), (std::vector<std::vector<std::string>>{{"X"}, {"Y", "Z"}}));

  std::ofstream(path) << "ORPHAN\n[a]\n";
  testing::internal::CaptureStderr();
  EXPECT_FALSE(pic_read_texts(path.c_str(), &s));
  EXPECT_NE(testing::internal::GetCapturedStderr().find(path), std::string::npos);
  remove(path.c_str());
}

TEST_F(PicgenPictures, TheShowsTextsAreCompleteAndFitTheLettering) {
  std::vector<std::string> names = {"logoEnd", "vox1", "vox2", "vox3", "vox4", "info0", "info1", "info2"};
  for (int i = 0; i < 10; ++i) names.push_back("ttl0" + std::to_string(i));
  for (int i = 0; i < 4; ++i) names.push_back("weback0" + std::to_string(i));
  for (const std::string& name : names) EXPECT_FALSE(pic_text_lines(texts_, name).empty()) << name;
  EXPECT_GE(pic_text_all(texts_, "greets").size(), 6u);
  for (const PicTextSection& s : texts_) {
    for (const std::string& line : s.lines) EXPECT_LE(line.size(), 9u) << s.name << ": " << line;
  }
}

TEST_F(PicgenPictures, TexturesHavePowerOfTwoSides) {
  std::vector<PicCanvas> textures = {pic_env(), pic_paper(), pic_plite2()};
  for (int i = 0; i < PIC_ROBOT_TEXTURES; ++i) textures.push_back(pic_robot_texture(i));
  for (const PicCanvas& t : textures) {
    EXPECT_TRUE(is_power_of_two(t.w) && is_power_of_two(t.h)) << t.w << "x" << t.h;
  }
  EXPECT_EQ(pic_env().w, 256);
  // Robot skins are partly see-through: the environment map shows through.
  for (int i = 0; i < PIC_ROBOT_TEXTURES; ++i) {
    const PicCanvas t = pic_robot_texture(i);
    EXPECT_TRUE(std::any_of(t.px.begin(), t.px.end(), [](Pixel p) { return pixel_a(p) < 255; })) << i;
  }
  const PicCanvas sky = pic_sky();
  EXPECT_EQ(sky.w, 240);
  EXPECT_EQ(sky.h, 150);
}

TEST_F(PicgenPictures, OverlaysAreMostlyClearWithOpaqueLettering) {
  const PicLines words = {"KOLV17", "THE END"};
  std::vector<PicCanvas> overlays = {pic_title(font_, words, 0), pic_title(font_, words, 2), pic_end_logo(font_, words),
                                     pic_banner(font_, words, 1), pic_vox(font_, words, 3), pic_info(font_, words, 0)};
  for (const PicCanvas& o : overlays) {
    EXPECT_EQ(o.w, 240);
    EXPECT_EQ(o.h, 150);
    EXPECT_GT(transparent_share(o), 0.3f);
    size_t opaque = 0;
    for (Pixel p : o.px) opaque += pixel_a(p) == 255;
    EXPECT_GT(opaque, 2000u);  // big letters, not specks
  }
  const PicCanvas greets = pic_greets(font_, pic_text_all(texts_, "greets"));
  EXPECT_EQ(greets.h, 150 * int(pic_text_all(texts_, "greets").size()));
}

TEST_F(PicgenPictures, FontStripMatchesTheFontLayout) {
  const PicCanvas strip = pic_font_strip(font_, 3);
  EXPECT_EQ(strip.w, FONT_GLYPH_COUNT * 27);
  EXPECT_EQ(strip.h, 24);
  EXPECT_EQ(strip.at(0, 0), COLOR_KEY);
  // Every glyph has ink of its own, and its cell ends in key pixels.
  for (int g = 0; g < FONT_GLYPH_COUNT; ++g) {
    int ink = 0;
    for (int y = 0; y < 24; ++y) {
      for (int x = 0; x < 24; ++x) ink += strip.at(g * 27 + x, y) == pixel_rgba(255, 255, 255);
      EXPECT_EQ(strip.at(g * 27 + 26, y), COLOR_KEY);
    }
    EXPECT_GT(ink, 9) << FONT_CHARSET[g];
  }
}

}  // namespace
