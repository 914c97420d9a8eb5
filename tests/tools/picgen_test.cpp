#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include "tools/picgen/pictures.h"
#include "tools/picgen/texts.h"

namespace {


bool is_power_of_two(int v) { return v > 0 && (v & (v - 1)) == 0; }



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
TEST(PicgenTextures, HavePowerOfTwoSides) {
  std::vector<PicCanvas> textures = {pic_env(), pic_paper(), pic_plite2()};
  for (int i = 0; i < PIC_ROBOT_TEXTURES; ++i) textures.push_back(pic_robot_texture(i));
  for (size_t i = 0; i < textures.size(); ++i) {
    const PicCanvas& t = textures[i];
    EXPECT_TRUE(is_power_of_two(t.w) && is_power_of_two(t.h)) << t.w << "x" << t.h;
    const bool see_through = std::any_of(t.px.begin(), t.px.end(), [](Pixel p) { return pixel_a(p) < 255; });
    EXPECT_TRUE(see_through || i < 3) << i;
  }
}


}  // namespace
