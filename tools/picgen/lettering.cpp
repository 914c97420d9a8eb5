#include "tools/picgen/lettering.h"

#include <vector>

int pic_text_width(const std::string& text, const PicTextStyle& style) {
  return int(text.size()) * 8 * style.scale_x;
}

int pic_text_height(const PsfFont& font, const PicTextStyle& style) { return font.height * style.scale_y; }

void pic_draw_text(PicCanvas* c, const PsfFont& font, const std::string& text, int x, int y,
                   const PicTextStyle& style) {
  // Ink mask of the whole line with a margin for outline and shadow.
  const int margin = style.outline_px + style.shadow_px + 1;
  const int mw = pic_text_width(text, style) + 2 * margin;
  const int mh = pic_text_height(font, style) + 2 * margin;
  std::vector<uint8_t> ink(size_t(mw) * mh, 0);
  for (size_t i = 0; i < text.size(); ++i) {
    const int glyph = psf_glyph_for_cp437(font, static_cast<uint8_t>(text[i]));
    for (int gy = 0; gy < font.height; ++gy) {
      for (int gx = 0; gx < 8; ++gx) {
        if (!psf_pixel(font, glyph, gx, gy)) continue;
        for (int sy = 0; sy < style.scale_y; ++sy) {
          for (int sx = 0; sx < style.scale_x; ++sx) {
            const int mx = margin + int(i) * 8 * style.scale_x + gx * style.scale_x + sx;
            ink[size_t(margin + gy * style.scale_y + sy) * mw + mx] = 1;
          }
        }
      }
    }
  }
  auto inked = [&](int mx, int my) { return mx >= 0 && my >= 0 && mx < mw && my < mh && ink[size_t(my) * mw + mx]; };
  auto near_ink = [&](int mx, int my, int r) {
    for (int dy = -r; dy <= r; ++dy) {
      for (int dx = -r; dx <= r; ++dx) {
        if (dx * dx + dy * dy <= r * r + r && inked(mx + dx, my + dy)) return true;
      }
    }
    return false;
  };
  const int ox = x - margin, oy = y - margin;
  const int glyph_h = pic_text_height(font, style);
  for (int my = 0; my < mh; ++my) {
    for (int mx = 0; mx < mw; ++mx) {
      const int px = ox + mx, py = oy + my;
      if (!c->inside(px, py)) continue;
      const bool body = inked(mx, my);
      const bool edge = !body && style.outline_px > 0 && near_ink(mx, my, style.outline_px);
      const int s = style.shadow_px;
      if (!body && !edge && s > 0 && near_ink(mx - s, my - s, style.outline_px)) {
        pic_blend(c, px, py, {0, 0, 0}, style.shadow_alpha);
      }
      if (edge) pic_blend(c, px, py, style.outline, 1.0f);
      if (body) {
        pic_blend(c, px, py, 2 * (my - margin) < glyph_h ? style.top : style.bottom, 1.0f);
      }
    }
  }
}

void pic_draw_text_centred(PicCanvas* c, const PsfFont& font, const std::string& text, int cx, int y,
                           const PicTextStyle& style) {
  pic_draw_text(c, font, text, cx - pic_text_width(text, style) / 2, y, style);
}
