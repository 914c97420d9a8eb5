#include "image/font.h"

#include <cstdio>

#include "image/draw.h"
#include "platform/printable.h"

const char FONT_CHARSET[] = "abcdefghijklmnopqrstuvwxyz0123456789\"'(),.;:+-!?\\/<>*=_~$@%&";
static_assert(sizeof(FONT_CHARSET) - 1 == FONT_GLYPH_COUNT);

Font* current_font = nullptr;
uint16_t text_cursor_x = 0;
uint16_t text_cursor_y = 0;
uint16_t text_margin = 0;

namespace {
Font default_font;
}  // namespace

uint8_t font_glyph_index(char character) {
  if (character >= 'A' && character <= 'Z') character = static_cast<char>(character - 'A' + 'a');
  if (character == '\0') return FONT_NO_GLYPH;
  for (int32_t i = 0; i < FONT_GLYPH_COUNT; ++i) {
    if (FONT_CHARSET[i] == character) return static_cast<uint8_t>(i);
  }
  return FONT_NO_GLYPH;
}

void font_draw_char(char character, int16_t x, int16_t y) {
  const Font* font = current_font;
  if (!font || !font->image.pixels) return;
  const int32_t gw = font->glyph_width, gh = font->glyph_height;
  if (x < -gw || x >= FRAME_W || y < -gh || y >= FRAME_H) return;
  const uint8_t g = font_glyph_index(character);
  if (g == FONT_NO_GLYPH) return;
  const Image& strip = font->image;
  for (int32_t i = 0; i < gw; ++i) {
    const int32_t tx = x + i, sx = g * gw + i;
    if (tx < 0 || tx >= FRAME_W || sx >= strip.width) continue;
    for (int32_t j = 0; j < gh && j < strip.height; ++j) {
      const int32_t ty = y + j;
      if (ty < 0 || ty >= FRAME_H) continue;
      const Pixel p = strip.pixels[size_t(j) * strip.width + size_t(sx)];
      if (p != COLOR_KEY) draw_plot(static_cast<uint16_t>(tx), static_cast<uint16_t>(ty), p);
    }
  }
}

void font_draw_text(const char* text) {
  const Font* font = current_font;
  if (!font) return;
  for (; *text; ++text) {
    if (*text == '\n') {
      text_cursor_x = text_margin;
      text_cursor_y = static_cast<uint16_t>(text_cursor_y + font->glyph_height);
      continue;
    }
    font_draw_char(*text, static_cast<int16_t>(text_cursor_x), static_cast<int16_t>(text_cursor_y));
    text_cursor_x = static_cast<uint16_t>(text_cursor_x + font->glyph_width + font->spacing);
    if (static_cast<int16_t>(text_cursor_x) > FRAME_W) {
      text_cursor_x = text_margin;
      text_cursor_y = static_cast<uint16_t>(text_cursor_y + font->glyph_height + 1);
    }
  }
}

void font_error_screen(const char* message) {
  font_draw_text(message);
  fb_present();
}

bool font_load_default(const char* path) {
  font_free_default();
  img_load(path, &default_font.image);
  const Image& strip = default_font.image;
  if (!strip.pixels) return false;
  if (strip.width % FONT_GLYPH_COUNT != 0 || strip.height > INT16_MAX) {
    fprintf(stderr, "Font:%s: not a strip of %d glyphs\n", platform_printable_text(path).c_str(),
            FONT_GLYPH_COUNT);
    img_free(&default_font.image);
    return false;
  }
  default_font.glyph_width = static_cast<int16_t>(strip.width / FONT_GLYPH_COUNT);
  default_font.glyph_height = static_cast<int16_t>(strip.height);
  default_font.spacing = 0;
  current_font = &default_font;
  return true;
}

void font_free_default() {
  if (current_font == &default_font) current_font = nullptr;
  img_free(&default_font.image);
}
