// Pictures with words: titles, end logo, banners, speech bubbles, facts,
// greetings and the font strip. All overlays are 240 x 150, transparent
// except for the lettering and its backing.
#include <algorithm>
#include <cstdio>

#include "image/font.h"
#include "tools/picgen/lettering.h"
#include "tools/picgen/pictures.h"
#include "platform/printable.h"

namespace {

constexpr int SAFE_W = 232;  // keep lettering off the very edge

struct Palette {
  PicColor top, bottom, accent;
};
constexpr Palette PALETTES[] = {
    // Console palette colours: flat fills that the cells show without dither.
    {{255, 255, 85}, {255, 85, 85}, {170, 0, 0}},       // sunset
    {{85, 255, 255}, {85, 85, 255}, {0, 0, 170}},       // ice
    {{255, 85, 255}, {255, 255, 255}, {170, 0, 170}},   // neon
    {{85, 255, 85}, {0, 170, 0}, {0, 170, 0}},          // terminal green
    {{255, 255, 255}, {170, 170, 170}, {85, 85, 85}},   // chrome
};
constexpr int PALETTE_COUNT = sizeof(PALETTES) / sizeof(PALETTES[0]);

const Palette& palette(int variant) { return PALETTES[((variant % PALETTE_COUNT) + PALETTE_COUNT) % PALETTE_COUNT]; }

// The largest whole scale from `largest` down to 3 at which the line fits;
// 3 when nothing fits (the line is then cut by the edge, and we say so).
int fitting_scale(const std::string& text, int largest) {
  for (int s = largest; s > 3; --s) {
    if (int(text.size()) * 8 * s <= SAFE_W) return s;
  }
  if (int(text.size()) * 24 > SAFE_W) {
    fprintf(stderr, "picgen: \"%s\" is too long for one line\n",
            platform_printable_text(text).c_str());
  }
  return 3;
}

PicTextStyle style_for(const Palette& p, int scale) {
  PicTextStyle s;
  s.scale_x = s.scale_y = scale;
  s.top = p.top;
  s.bottom = p.bottom;
  s.outline_px = scale >= 4 ? 2 : 1;
  s.shadow_px = scale >= 4 ? 3 : 2;
  return s;
}

// Draws the lines centred from row y, the first at `first_scale`; returns the
// row under the last line.
int draw_lines(PicCanvas* c, const PsfFont& font, const PicLines& lines, int y, int first_scale, int rest_scale,
               const Palette& first, const Palette& rest) {
  for (size_t i = 0; i < lines.size(); ++i) {
    const int scale = fitting_scale(lines[i], i == 0 ? first_scale : rest_scale);
    const PicTextStyle s = style_for(i == 0 ? first : rest, scale);
    pic_draw_text_centred(c, font, lines[i], PIC_OVERLAY_W / 2, y, s);
    y += pic_text_height(font, s) + 4;
  }
  return y;
}

int lines_height(const PsfFont& font, const PicLines& lines, int first_scale, int rest_scale) {
  int h = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    h += font.height * fitting_scale(lines[i], i == 0 ? first_scale : rest_scale) + 4;
  }
  return h > 0 ? h - 4 : 0;
}

// A translucent band across the picture with bright edges.
void band(PicCanvas* c, int y0, int y1, PicColor accent, float alpha) {
  pic_fill_rect(c, 0, y0, PIC_OVERLAY_W, y1, {0, 0, 0}, alpha);
  pic_fill_rect(c, 0, y0 - 3, PIC_OVERLAY_W, y0, accent, 0.9f);
  pic_fill_rect(c, 0, y1, PIC_OVERLAY_W, y1 + 3, accent, 0.9f);
}

}  // namespace

PicCanvas pic_title(const PsfFont& font, const PicLines& lines, int variant) {
  PicCanvas c(PIC_OVERLAY_W, PIC_OVERLAY_H);
  const Palette& p = palette(variant);
  const int h = lines_height(font, lines, 5, 3);
  // Top, bottom or middle of the frame, in turn.
  const int place = variant % 3;
  const int y = place == 0 ? 12 : place == 1 ? PIC_OVERLAY_H - h - 14 : (PIC_OVERLAY_H - h) / 2;
  band(&c, y - 7, y + h + 7, p.accent, 0.5f);
  draw_lines(&c, font, lines, y, 5, 3, p, palette(4));
  return c;
}

PicCanvas pic_end_logo(const PsfFont& font, const PicLines& lines) {
  PicCanvas c(PIC_OVERLAY_W, PIC_OVERLAY_H);
  if (lines.empty()) return c;
  // Speed stripes behind the name, fading to the sides.
  const int logo_h = font.height * 6;
  const int y = (PIC_OVERLAY_H - logo_h) / 2 - 12;
  const PicColor stripes[] = {{255, 85, 85}, {255, 255, 85}, {85, 255, 85}, {85, 255, 255}};
  for (int i = 0; i < 4; ++i) {
    const int sy = y + 6 + i * 10;
    for (int x = 0; x < PIC_OVERLAY_W; ++x) {
      const float fade = 1.0f - std::abs(x - PIC_OVERLAY_W / 2) / float(PIC_OVERLAY_W / 2);
      for (int k = 0; k < 6; ++k) pic_blend(&c, x, sy + k, stripes[i], 0.9f * fade);
    }
  }
  PicTextStyle logo;
  logo.scale_x = std::min(5, SAFE_W / std::max<int>(1, int(lines[0].size()) * 8));
  logo.scale_y = 6;
  logo.top = {255, 255, 255};
  logo.bottom = {85, 255, 255};
  logo.outline_px = 3;
  logo.shadow_px = 4;
  pic_draw_text_centred(&c, font, lines[0], PIC_OVERLAY_W / 2, y, logo);
  PicLines rest(lines.begin() + 1, lines.end());
  draw_lines(&c, font, rest, y + logo_h + 10, 3, 3, palette(0), palette(0));
  return c;
}

PicCanvas pic_banner(const PsfFont& font, const PicLines& lines, int variant) {
  PicCanvas c(PIC_OVERLAY_W, PIC_OVERLAY_H);
  const Palette& p = palette(variant + 1);
  const int h = lines_height(font, lines, 5, 4);
  const int y = (PIC_OVERLAY_H - h) / 2 + (variant % 2 ? 18 : -18);
  band(&c, y - 8, y + h + 8, p.accent, 0.35f);
  draw_lines(&c, font, lines, y, 5, 4, p, p);
  return c;
}

PicCanvas pic_vox(const PsfFont& font, const PicLines& lines, int variant) {
  PicCanvas c(PIC_OVERLAY_W, PIC_OVERLAY_H);
  int w = 0;
  for (const std::string& l : lines) w = std::max(w, int(l.size()) * 24);
  const int h = int(lines.size()) * (font.height * 3 + 3);
  const int bw = std::min(w + 20, PIC_OVERLAY_W - 8), bh = h + 16;
  const bool right = variant % 2 == 1, low = variant >= 2;
  const int x0 = right ? PIC_OVERLAY_W - bw - 6 : 6;
  const int y0 = low ? PIC_OVERLAY_H - bh - 30 : 8;
  // The tail points from the bubble towards the middle of the frame.
  const int tail_x = right ? x0 + 24 : x0 + bw - 24;
  for (int k = 0; k < 22; ++k) {
    const int ty = low ? y0 - k : y0 + bh + k;
    const int half = 10 - k / 2;
    const int shift = right ? -k : k;
    pic_fill_rect(&c, tail_x + shift - half - 2, ty, tail_x + shift + half + 2, ty + 1, {0, 0, 0}, 1);
    pic_fill_rect(&c, tail_x + shift - half, ty, tail_x + shift + half, ty + 1, {255, 255, 255}, 1);
  }
  pic_fill_round_rect(&c, x0 - 2, y0 - 2, x0 + bw + 2, y0 + bh + 2, 10, {0, 0, 0}, 1);
  pic_fill_round_rect(&c, x0, y0, x0 + bw, y0 + bh, 8, {255, 255, 255}, 1);
  PicTextStyle s;
  s.top = {0, 0, 0};
  s.bottom = {170, 0, 0};
  s.outline_px = 0;
  s.shadow_px = 0;
  int y = y0 + 8;
  for (const std::string& l : lines) {
    pic_draw_text_centred(&c, font, l, x0 + bw / 2, y, s);
    y += font.height * 3 + 3;
  }
  return c;
}

PicCanvas pic_info(const PsfFont& font, const PicLines& lines, int variant) {
  PicCanvas c(PIC_OVERLAY_W, PIC_OVERLAY_H);
  const Palette& p = palette(variant + 3);
  const int h = lines_height(font, lines, 3, 3);
  const int y = PIC_OVERLAY_H - h - 16;
  pic_fill_round_rect(&c, 4, y - 8, PIC_OVERLAY_W - 4, y + h + 8, 6, {0, 0, 20}, 0.7f);
  pic_fill_rect(&c, 4, y - 8, 10, y + h + 8, p.accent, 1);
  draw_lines(&c, font, lines, y, 3, 3, p, palette(4));
  return c;
}

PicCanvas pic_greets(const PsfFont& font, const std::vector<PicLines>& panels) {
  PicCanvas strip(PIC_OVERLAY_W, PIC_OVERLAY_H * int(panels.size()));
  for (size_t i = 0; i < panels.size(); ++i) {
    PicCanvas panel(PIC_OVERLAY_W, PIC_OVERLAY_H);
    const Palette& p = palette(int(i));
    PicLines heading = {"GREETINGS"};
    draw_lines(&panel, font, heading, 10, 3, 3, palette(4), palette(4));
    const int h = lines_height(font, panels[i], 4, 3);
    const int y = 36 + (PIC_OVERLAY_H - 36 - h) / 2;
    band(&panel, y - 6, y + h + 6, p.accent, 0.45f);
    draw_lines(&panel, font, panels[i], y, 4, 3, p, p);
    std::copy(panel.px.begin(), panel.px.end(), strip.px.begin() + long(i) * PIC_OVERLAY_W * PIC_OVERLAY_H);
  }
  return strip;
}

PicCanvas pic_font_strip(const PsfFont& font, int scale) {
  // A gap of `scale` key pixels after each glyph: with 8 x 3 + 3 = 27 the
  // ninth glyph of a line ends exactly at x 240 and the tenth wraps. A width
  // that divides 240 would draw one glyph a line just past the edge, lost.
  const int cell = 8 * scale + scale;
  PicCanvas strip(cell * FONT_GLYPH_COUNT, font.height * scale, COLOR_KEY);
  PicTextStyle s;
  s.scale_x = s.scale_y = scale;
  s.top = {255, 255, 255};
  s.bottom = {255, 255, 255};
  s.outline = {16, 16, 24};
  s.outline_px = 1;
  s.shadow_px = 0;
  for (int g = 0; g < FONT_GLYPH_COUNT; ++g) {
    // Each glyph in its own cell so edges never spill into a neighbour.
    PicCanvas one(cell, strip.h, COLOR_KEY);
    // Letters are drawn as capitals: the index folds case anyway, and
    // capitals read better in console cells.
    char shape = FONT_CHARSET[g];
    if (shape >= 'a' && shape <= 'z') shape = char(shape - 'a' + 'A');
    pic_draw_text(&one, font, std::string(1, shape), 0, 0, s);
    for (int y = 0; y < strip.h; ++y) {
      for (int x = 0; x < cell; ++x) strip.at(g * cell + x, y) = one.at(x, y);
    }
  }
  return strip;
}
