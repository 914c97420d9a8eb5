#pragma once
// Every picture picgen makes. Textures come from code alone; overlays take
// their words from the texts file and their letters from the VGA font.
#include <string>
#include <vector>

#include "display/psf_font.h"
#include "tools/picgen/canvas.h"

constexpr int PIC_OVERLAY_W = 240;
constexpr int PIC_OVERLAY_H = 150;

PicCanvas pic_sky();      // 240 x 150 dusk over the city
PicCanvas pic_env();      // 256 x 256 chrome sphere map
PicCanvas pic_paper();    // 128 x 128 tiling facade with windows
PicCanvas pic_plite2();   // 128 x 128 light map multiplied over the facades
PicCanvas pic_robot_texture(int index);  // 64 x 64 skins 0-7 with alpha
constexpr int PIC_ROBOT_TEXTURES = 8;

using PicLines = std::vector<std::string>;
// A title card: the first line big, the others smaller beneath. `variant`
// picks the layout so that the ten titles do not all look alike.
PicCanvas pic_title(const PsfFont& font, const PicLines& lines, int variant);
PicCanvas pic_end_logo(const PsfFont& font, const PicLines& lines);
// A big banner across the middle.
PicCanvas pic_banner(const PsfFont& font, const PicLines& lines, int variant);
// A speech bubble in a corner.
PicCanvas pic_vox(const PsfFont& font, const PicLines& lines, int variant);
// A fact on a translucent panel.
PicCanvas pic_info(const PsfFont& font, const PicLines& lines, int variant);
// One 150-row panel per entry, stacked top to bottom.
PicCanvas pic_greets(const PsfFont& font, const std::vector<PicLines>& panels);
// The show's bitmap font: the 60 glyphs of the font charset side by side in
// cells of 9 x scale by 8 x scale pixels, ink white with a dark edge on
// magenta COLOR_KEY.
PicCanvas pic_font_strip(const PsfFont& font, int scale);
