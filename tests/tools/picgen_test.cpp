#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>

#include "image/font.h"
#include "tools/picgen/pictures.h"
#include "tools/picgen/texts.h"

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
    if (!loaded_) FAIL() << "the VGA console font is not installed: run `make deps`";
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

// The texture mapper wraps by mask; robot skins let the environment map through.
TEST_F(PicgenPictures, TexturesHavePowerOfTwoSides) {
  std::vector<PicCanvas> textures = {pic_env(), pic_paper(), pic_plite2()};
  for (int i = 0; i < PIC_ROBOT_TEXTURES; ++i) textures.push_back(pic_robot_texture(i));
  for (size_t i = 0; i < textures.size(); ++i) {
    const PicCanvas& t = textures[i];
    EXPECT_TRUE(is_power_of_two(t.w) && is_power_of_two(t.h)) << t.w << "x" << t.h;
    const bool see_through = std::any_of(t.px.begin(), t.px.end(), [](Pixel p) { return pixel_a(p) < 255; });
    EXPECT_TRUE(see_through || i < 3) << i;
  }
}

TEST_F(PicgenPictures, OverlaysAreMostlyClearWithOpaqueLettering) {
  const PicLines words = {"KOLV17", "THE END"};
  std::vector<PicCanvas> overlays = {pic_title(font_, words, 2), pic_end_logo(font_, words),
                                     pic_banner(font_, words, 1), pic_vox(font_, words, 3), pic_info(font_, words, 0)};
  for (const PicCanvas& o : overlays) {
    EXPECT_EQ(std::pair(o.w, o.h), std::pair(240, 150));
    EXPECT_GT(transparent_share(o), 0.3f);
    EXPECT_GT(std::count_if(o.px.begin(), o.px.end(), [](Pixel p) { return pixel_a(p) == 255; }), 2000);  // not specks
  }
  const PicCanvas greets = pic_greets(font_, pic_text_all(texts_, "greets"));
  EXPECT_EQ(greets.h, 150 * int(pic_text_all(texts_, "greets").size()));
}

}  // namespace
