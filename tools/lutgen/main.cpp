// lutgen OUTDIR: writes OUTDIR/charmap.lut and OUTDIR/colmap.lut from the
// shapes of the VGA 8 x 8 console font, and prints how well they render.
#include <cstdio>
#include <string>
#include <thread>

#include "tools/lutgen/lut_tables.h"
#include "platform/printable.h"

namespace {

uint8_t char_map[CHAR_MAP_SIZE];
uint8_t pair_map[COLOR_CODES];
float mix_map[COLOR_CODES];

// Written beside the target and renamed, so a failed run never leaves a half file.
bool write_file(const std::string& path, const void* a, size_t a_size, const void* b, size_t b_size) {
  const std::string temp = path + ".tmp";
  FILE* f = std::fopen(temp.c_str(), "wb");
  bool ok = f && std::fwrite(a, 1, a_size, f) == a_size && (b_size == 0 || std::fwrite(b, 1, b_size, f) == b_size);
  if (f && std::fclose(f) != 0) ok = false;
  if (ok && std::rename(temp.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) {
    std::fprintf(stderr, "lutgen: %s: cannot write\n", platform_printable_text(path).c_str());
    std::remove(temp.c_str());
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: lutgen OUTDIR [FONT.psf[.gz]]\n");
    return 2;
  }
  const char* font_path = argc == 3 ? argv[2] : psf_default_font_path(8);
  PsfFont font;
  if (!psf_load(font_path, &font)) return 1;

  float ramp_coverage[DENSITY_RAMP_SIZE];
  lut_ramp_coverage(font, ramp_coverage);
  const std::vector<GlyphShape> candidates = lut_candidate_shapes(font);
  const int threads = static_cast<int>(std::thread::hardware_concurrency() > 1 ? 2 : 1);
  const ColorTableReport colors = lut_build_color_tables(ramp_coverage, pair_map, mix_map, threads);
  const double pattern_error = lut_build_char_map(candidates, char_map);

  const std::string dir = argv[1];
  if (!write_file(dir + "/charmap.lut", char_map, sizeof char_map, nullptr, 0) ||
      !write_file(dir + "/colmap.lut", pair_map, sizeof pair_map, mix_map, sizeof mix_map)) {
    return 1;
  }
  std::printf("lutgen: %zu candidate glyphs; flat path CIEDE2000 mean %.2f, worst %.2f (colour15 0x%04X);"
              " mean pattern error %.3f\n",
              candidates.size(), colors.mean_error, colors.worst_error, colors.worst_color, pattern_error);
  return 0;
}
