#pragma once
// A bitmap-font text writer into the frame, and the error screen.
//
// Error screen (used by the mesh loader when a file is missing or its arrays
// cannot be allocated):
//     font_error_screen(MSG_FILE_NOT_FOUND);   // or MSG_NOT_NUFF_MEM
// writes the message at the text cursor and presents the frame at once. With
// no font installed it presents the frame unchanged.
#include <cstdint>

#include "image/image.h"

// The glyph strip: glyph n at columns n * glyph_width .. (n + 1) * glyph_width - 1,
// rows 0 .. glyph_height - 1. Pixels equal to COLOR_KEY are transparent.
struct Font {
  Image image;
  int16_t glyph_width;
  int16_t glyph_height;
  int16_t spacing;
};

// Glyph n of the strip is the character at position n. Space is not in it.
extern const char FONT_CHARSET[];
constexpr int32_t FONT_GLYPH_COUNT = 60;
constexpr uint8_t FONT_NO_GLYPH = 255;

// The installed font; null (nothing is drawn) until one is installed.
extern Font* current_font;
// Only font_draw_text moves the cursor; it is never reset.
extern uint16_t text_cursor_x;
extern uint16_t text_cursor_y;
extern uint16_t text_margin;

// Position in FONT_CHARSET (A-Z folded to a-z), or FONT_NO_GLYPH.
uint8_t font_glyph_index(char character);
// Draws one glyph with its top-left corner at (x, y), clipped to the frame.
void font_draw_char(char character, int16_t x, int16_t y);
// Draws a NUL-terminated text at the cursor and advances it (line feed, wrap
// past x 240).
void font_draw_text(const char* text);
// font_draw_text(message), then fb_present().
void font_error_screen(const char* message);

// The show's own font strip, made by picgen.
constexpr char FONT_DEFAULT_PATH[] = "data/font.tga";
// Loads a glyph strip of FONT_GLYPH_COUNT glyphs (glyph size = width / 60 by
// the full height, spacing 0) into the program's font and installs it.
// Called once at start-up; on failure (message from the loader) nothing is
// installed and error screens stay blank. Returns whether a font is installed.
bool font_load_default(const char* path = FONT_DEFAULT_PATH);
// Uninstalls and releases the program's font (at exit).
void font_free_default();
