// picgen: paints every picture of the show into a directory as TGA files.
//     picgen DIR TEXTS
#include <cstdio>
#include <string>

#include "tools/common/tga_write.h"
#include "tools/picgen/pictures.h"
#include "tools/picgen/texts.h"
#include "platform/printable.h"

namespace {

std::string two_digits(int n) {
  char buffer[8];
  snprintf(buffer, sizeof buffer, "%02d", n);
  return buffer;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: picgen DIR TEXTS\n");
    return 2;
  }
  const std::string dir = argv[1];
  std::vector<PicTextSection> texts;
  if (!pic_read_texts(argv[2], &texts)) return 1;
  PsfFont font;
  if (!psf_load(psf_default_font_path(8), &font)) return 1;

  bool ok = true;
  auto write = [&](const std::string& name, const PicCanvas& c, bool alpha) {
    ok &= tga_write((dir + "/" + name + ".tga").c_str(), c.w, c.h, c.px.data(), alpha, true);
  };
  auto words = [&](const std::string& name) {
    PicLines lines = pic_text_lines(texts, name);
    if (lines.empty()) {
      fprintf(stderr, "picgen: %s has no [%s] section\n", platform_printable_text(argv[2]).c_str(),
              name.c_str());
      ok = false;
    }
    return lines;
  };

  write("sky01", pic_sky(), false);
  write("env", pic_env(), false);
  write("paper", pic_paper(), false);
  write("plite2", pic_plite2(), false);
  for (int i = 0; i < PIC_ROBOT_TEXTURES; ++i) {
    write(i == 0 ? "robot_tex" : "robot_tex" + std::to_string(i), pic_robot_texture(i), true);
  }
  for (int i = 0; i < 10; ++i) write("ttl" + two_digits(i), pic_title(font, words("ttl" + two_digits(i)), i), true);
  write("logoEnd", pic_end_logo(font, words("logoEnd")), true);
  for (int i = 0; i < 4; ++i) {
    write("weback" + two_digits(i), pic_banner(font, words("weback" + two_digits(i)), i), true);
  }
  for (int i = 1; i <= 4; ++i) write("vox" + std::to_string(i), pic_vox(font, words("vox" + std::to_string(i)), i - 1), true);
  for (int i = 0; i < 3; ++i) write("info" + std::to_string(i), pic_info(font, words("info" + std::to_string(i)), i), true);
  const auto panels = pic_text_all(texts, "greets");
  if (panels.size() < 6) {
    fprintf(stderr, "picgen: %s has %zu [greets] panels, the show needs at least 6\n",
            platform_printable_text(argv[2]).c_str(), panels.size());
    ok = false;
  }
  write("greets", pic_greets(font, panels), true);
  write("font", pic_font_strip(font, 3), true);
  return ok ? 0 : 1;
}
