#pragma once
// Big outlined lettering from the VGA console font, sized so that every font
// pixel covers at least one 3 x 3 console cell of the 80 x 50 picture.
#include <string>

#include "display/psf_font.h"
#include "tools/picgen/canvas.h"

struct PicTextStyle {
  int scale_x = 3, scale_y = 3;  // picture pixels per font pixel
  // Fill of the upper and the lower half of a line: a hard split, like a
  // chrome logo, converts to clean cells where a gradient would dither.
  PicColor top = {255, 255, 255};
  PicColor bottom = {255, 255, 255};
  PicColor outline = {0, 0, 0};
  int outline_px = 2;  // 0: none
  int shadow_px = 3;   // drop shadow offset down and right; 0: none
  float shadow_alpha = 0.6f;
};

// Width in pixels of one line of text (8 font pixels a character).
int pic_text_width(const std::string& text, const PicTextStyle& style);
int pic_text_height(const PsfFont& font, const PicTextStyle& style);
// Draws one line with its top-left corner at (x, y).
void pic_draw_text(PicCanvas* c, const PsfFont& font, const std::string& text, int x, int y,
                   const PicTextStyle& style);
// Draws one line centred on column cx.
void pic_draw_text_centred(PicCanvas* c, const PsfFont& font, const std::string& text, int cx, int y,
                           const PicTextStyle& style);
