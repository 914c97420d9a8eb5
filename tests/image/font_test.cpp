#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "display/console.h"
#include "image/draw.h"
#include "image/font.h"
#include "image/tga_bytes.h"

namespace {

constexpr Pixel INK = pixel_rgba(255, 255, 255);
constexpr Pixel PAPER = pixel_rgba(0, 0, 0, 0);

// A 6 x 8 font, spacing 1, whose every glyph is solid ink except the
// COLOR_KEY bottom row.
class FontTest : public testing::Test {
 protected:
  void SetUp() override {
    strip_.assign(size_t(FONT_GLYPH_COUNT) * 6 * 8, INK);
    for (int x = 0; x < FONT_GLYPH_COUNT * 6; ++x) strip_[size_t(7) * FONT_GLYPH_COUNT * 6 + x] = COLOR_KEY;
    font_.image = {strip_.data(), 8, uint16_t(FONT_GLYPH_COUNT * 6), 0};
    font_.glyph_width = 6;
    font_.glyph_height = 8;
    font_.spacing = 1;
    saved_font_ = current_font;
    current_font = &font_;
    text_cursor_x = text_cursor_y = text_margin = 0;
    draw_clear(PAPER);
  }
  void TearDown() override {
    current_font = saved_font_;
    text_cursor_x = text_cursor_y = text_margin = 0;
  }
  static Pixel at(int x, int y) { return fb_get()[y * FRAME_W + x]; }
  // Inked columns of row y, from the left.
  static std::vector<int> inked_columns(int y) {
    std::vector<int> cols;
    for (int x = 0; x < FRAME_W; ++x)
      if (at(x, y) == INK) cols.push_back(x);
    return cols;
  }

  std::vector<Pixel> strip_;
  Font font_ = {};
  Font* saved_font_ = nullptr;
};

// Letters fold to lower case; the last glyph is found; what the font lacks has no glyph.
TEST(FontGlyphIndex, CharsetPositions) {
  const std::pair<char, int> cases[] = {{'a', 0}, {'A', 0}, {'&', FONT_GLYPH_COUNT - 1}, {' ', FONT_NO_GLYPH},
                                        {'\0', FONT_NO_GLYPH}, {'#', FONT_NO_GLYPH}, {char(0xE1), FONT_NO_GLYPH}};
  for (const auto& [c, index] : cases) EXPECT_EQ(font_glyph_index(c), index) << int(c);
}

TEST_F(FontTest, CursorAdvancesAndLineFeedReturnsToMargin) {
  font_draw_text("ab");
  EXPECT_EQ(inked_columns(0), (std::vector<int>{0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(std::tuple(at(0, 7), text_cursor_x), std::tuple(PAPER, 14));  // COLOR_KEY row stays transparent
  font_draw_text("\n");
  EXPECT_EQ(std::tuple(text_cursor_x, text_cursor_y), std::tuple(0, 8));
}

TEST_F(FontTest, LongLineWrapsAfterTheClippedCharacter) {
  text_margin = 3;
  font_draw_text(std::string(34, 'x').c_str());
  EXPECT_EQ(text_cursor_x, 238);
  font_draw_text("y");  // drawn at 238, clipped to two columns
  // One row more than a line feed.
  EXPECT_EQ(std::tuple(at(238, 0), at(239, 0), text_cursor_x, text_cursor_y), std::tuple(INK, INK, 3, 9));
  font_draw_text(" z");  // space advances without drawing
  EXPECT_EQ(std::tuple(at(3, 9), at(10, 9)), std::tuple(PAPER, INK));
}

TEST_F(FontTest, ClippingAtTheEdges) {
  font_draw_char('q', 236, 0);
  EXPECT_EQ(inked_columns(0), (std::vector<int>{236, 237, 238, 239}));
  draw_clear(PAPER);
  font_draw_char('q', -4, 146);
  EXPECT_EQ(std::tuple(inked_columns(146), inked_columns(149)), std::tuple(std::vector<int>{0, 1}, std::vector<int>{0, 1}));
  draw_clear(PAPER);
  font_draw_char('q', -6, 0);  // x = -glyph_width: inside the drawn range, nothing visible
  font_draw_char('q', 0, 150);
  font_draw_char('q', 0, -9);
  EXPECT_TRUE(inked_columns(0).empty());
}

Pixel presented_pixel = 0;
void remember_present(const Pixel* frame, const ConsoleCell*) { presented_pixel = frame[0]; }

TEST_F(FontTest, ErrorScreenWithoutAFontPresentsTheFrameUnchanged) {
  current_font = nullptr;
  draw_clear(pixel_rgba(1, 2, 3));
  con_set_present_hook(remember_present);
  font_error_screen(MSG_FILE_NOT_FOUND);
  con_set_present_hook(nullptr);
  EXPECT_EQ(std::tuple(presented_pixel, text_cursor_x), std::tuple(pixel_rgba(1, 2, 3), 0));
  EXPECT_EQ(std::count(fb_get(), fb_get() + FRAME_PIXELS, pixel_rgba(1, 2, 3)), FRAME_PIXELS);
}

TEST_F(FontTest, DefaultFontLoadsAGlyphStrip) {
  TgaHeaderFields h{.width = FONT_GLYPH_COUNT * 2, .height = 3, .depth = 32, .descriptor = 0x28};
  TempFile good(tga_header_bytes(h) + std::vector<uint8_t>(size_t(h.width) * 3 * 4, 0xFF));
  ASSERT_TRUE(font_load_default(good.path()));
  ASSERT_NE(current_font, nullptr);
  EXPECT_EQ(std::tuple(current_font->glyph_width, current_font->glyph_height), std::tuple(2, 3));

  h.width = 61;
  TempFile odd(tga_header_bytes(h) + std::vector<uint8_t>(size_t(h.width) * 3 * 4, 0xFF));
  testing::internal::CaptureStderr();
  EXPECT_FALSE(font_load_default(odd.path()));
  EXPECT_NE(testing::internal::GetCapturedStderr().find(odd.path()), std::string::npos);
  EXPECT_EQ(current_font, nullptr);
  font_free_default();
}

}  // namespace
