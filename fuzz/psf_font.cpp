// Arbitrary bytes as a font file (plain, and gzip-compressed when they start
// like gzip): the reader either rejects them or yields a font whose every
// glyph and table entry can be read within its bitmaps.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "display/psf_font.h"

namespace {
// The reader takes a path: each input goes through one scratch file, removed at exit.
struct Scratch {
  std::string path = "/tmp/fuzz_psf_font_" + std::to_string(getpid()) + ".psf";
  ~Scratch() { std::remove(path.c_str()); }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Scratch scratch;
  const std::string& path = scratch.path;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  PsfFont font;
  if (psf_load(path.c_str(), &font)) {
    const size_t row_bytes = static_cast<size_t>(font.width + 7) / 8;
    if (font.bitmaps.size() != static_cast<size_t>(font.glyph_count) * font.height * row_bytes) __builtin_trap();
    for (const auto& [code_point, glyph] : font.unicode_to_glyph) {
      if (glyph < 0 || glyph >= font.glyph_count) __builtin_trap();
      (void)code_point;
    }
    int ink = 0;
    for (int code = 0; code < 256; ++code) {
      const int glyph = psf_glyph_for_cp437(font, static_cast<uint8_t>(code));
      for (int y = -1; y <= font.height; ++y)
        for (int x = -1; x <= font.width; ++x) ink += psf_pixel(font, glyph, x, y);
    }
    if (ink < 0) __builtin_trap();  // keeps the reads
  } else if (font.glyph_count != 0 || !font.bitmaps.empty() || !font.unicode_to_glyph.empty()) {
    __builtin_trap();
  }
  return 0;
}
