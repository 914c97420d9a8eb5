#include "display/psf_font.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>

#include "display/cp437.h"
#include "platform/printable.h"

namespace {

// Console fonts are a few kilobytes; anything bigger is not one.
constexpr size_t MAX_FONT_BYTES = 1 << 22;
constexpr int MAX_GLYPHS = 65536;
constexpr int MAX_SIDE = 64;

bool read_file(const char* path, std::vector<uint8_t>* out) {
  gzFile f = gzopen(path, "rb");  // reads plain files as they are
  if (!f) return false;
  uint8_t chunk[16384];
  bool ok = true;
  for (;;) {
    int n = gzread(f, chunk, sizeof chunk);
    if (n < 0) {
      ok = false;
      break;
    }
    if (n == 0) break;
    if (out->size() + static_cast<size_t>(n) > MAX_FONT_BYTES) {
      ok = false;
      break;
    }
    out->insert(out->end(), chunk, chunk + n);
  }
  gzclose(f);
  return ok;
}

uint32_t le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// PSF1 table: per glyph, 16-bit code points up to 0xFFFF; 0xFFFE starts
// combining sequences, which name no single code point and are skipped.
void read_psf1_table(const uint8_t* p, size_t n, PsfFont* font) {
  int glyph = 0;
  bool in_sequence = false;
  for (size_t i = 0; i + 1 < n && glyph < font->glyph_count; i += 2) {
    const uint32_t v = p[i] | p[i + 1] << 8;
    if (v == 0xFFFF) {
      ++glyph;
      in_sequence = false;
    } else if (v == 0xFFFE) {
      in_sequence = true;
    } else if (!in_sequence) {
      font->unicode_to_glyph.emplace(v, glyph);
    }
  }
}

// PSF2 table: per glyph, UTF-8 code points ended by 0xFF; 0xFE starts sequences.
void read_psf2_table(const uint8_t* p, size_t n, PsfFont* font) {
  int glyph = 0;
  bool in_sequence = false;
  size_t i = 0;
  while (i < n && glyph < font->glyph_count) {
    const uint8_t b = p[i];
    if (b == 0xFF) {
      ++glyph;
      in_sequence = false;
      ++i;
      continue;
    }
    if (b == 0xFE) {
      in_sequence = true;
      ++i;
      continue;
    }
    int extra = b < 0x80 ? 0 : b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
    if (extra < 0 || i + extra >= n) {  // stray continuation byte or cut short
      ++i;
      continue;
    }
    uint32_t cp = extra == 0 ? b : b & (0x3F >> extra);
    bool valid = true;
    for (int k = 1; k <= extra; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) valid = false;
      cp = cp << 6 | (p[i + k] & 0x3F);
    }
    if (valid && !in_sequence) font->unicode_to_glyph.emplace(cp, glyph);
    i += valid ? extra + 1 : 1;
  }
}

const char* parse(const std::vector<uint8_t>& d, PsfFont* font) {
  size_t data_at, table_at = 0;
  bool has_table;
  int charsize;
  if (d.size() >= 4 && d[0] == 0x36 && d[1] == 0x04) {
    font->width = 8;
    font->height = d[3];
    font->glyph_count = (d[2] & 1) ? 512 : 256;
    has_table = (d[2] & 6) != 0;
    charsize = font->height;
    data_at = 4;
  } else if (d.size() >= 32 && le32(&d[0]) == 0x864AB572u) {
    const uint32_t header = le32(&d[8]), flags = le32(&d[12]), count = le32(&d[16]);
    const uint32_t size = le32(&d[20]), h = le32(&d[24]), w = le32(&d[28]);
    if (w == 0 || h == 0 || w > MAX_SIDE || h > MAX_SIDE) return "bad glyph size";
    if (count == 0 || count > MAX_GLYPHS) return "bad glyph count";
    if (size != h * ((w + 7) / 8)) return "bad glyph byte count";
    if (header < 32 || header > d.size()) return "bad header size";
    font->width = static_cast<int>(w);
    font->height = static_cast<int>(h);
    font->glyph_count = static_cast<int>(count);
    has_table = (flags & 1) != 0;
    charsize = static_cast<int>(size);
    data_at = header;
  } else {
    return "not a PSF font";
  }
  if (font->height == 0) return "bad glyph size";
  const size_t glyph_bytes = static_cast<size_t>(font->glyph_count) * charsize;
  if (d.size() - data_at < glyph_bytes) return "truncated glyph data";
  font->bitmaps.assign(d.begin() + data_at, d.begin() + data_at + glyph_bytes);
  table_at = data_at + glyph_bytes;
  if (has_table) {
    const uint8_t* p = d.data() + table_at;
    const size_t n = d.size() - table_at;
    if (d[0] == 0x36) read_psf1_table(p, n, font);
    else read_psf2_table(p, n, font);
  }
  return nullptr;
}

// Stand-ins for the code page 437 shapes that the VGA fonts' tables lack.
struct LookAlike {
  uint8_t code;
  uint32_t unicode[2];
};
constexpr LookAlike LOOK_ALIKES[] = {
    {0x10, {0x25B6, 0x25B8}},  // right-pointing triangle
    {0x11, {0x25C0, 0x25C2}},  // left-pointing triangle
    {0x9E, {0x0050, 0x0050}},  // peseta sign: P
    {0xA9, {0x250C, 0x250C}},  // reversed not sign: box corner
    {0xEC, {0x221D, 0x006F}},  // infinity: proportional to, else o
    {0xEF, {0x006E, 0x006E}},  // intersection: n
    {0xF0, {0x003D, 0x003D}},  // identical to: equals
};

}  // namespace

bool psf_load(const char* path, PsfFont* font) {
  *font = PsfFont{};
  std::vector<uint8_t> data;
  const char* error = nullptr;
  if (!read_file(path, &data)) error = "cannot read";
  else error = parse(data, font);
  if (error) {
    std::fprintf(stderr, "%s: %s\n", platform_printable_text(path).c_str(), error);
    *font = PsfFont{};
    return false;
  }
  return true;
}

int psf_glyph_for_unicode(const PsfFont& font, uint32_t code_point) {
  auto it = font.unicode_to_glyph.find(code_point);
  return it == font.unicode_to_glyph.end() ? -1 : it->second;
}

int psf_glyph_for_cp437(const PsfFont& font, uint8_t code) {
  // Fonts without a table are laid out in code page order.
  if (font.unicode_to_glyph.empty()) return code < font.glyph_count ? code : -1;
  int glyph = psf_glyph_for_unicode(font, cp437_to_unicode(code));
  for (const LookAlike& l : LOOK_ALIKES) {
    if (l.code != code) continue;
    for (int i = 0; i < 2 && glyph < 0; ++i) glyph = psf_glyph_for_unicode(font, l.unicode[i]);
  }
  return glyph;
}

bool psf_pixel(const PsfFont& font, int glyph, int x, int y) {
  if (glyph < 0 || glyph >= font.glyph_count || x < 0 || x >= font.width || y < 0 ||
      y >= font.height)
    return false;
  const int row_bytes = (font.width + 7) / 8;
  const size_t at = (static_cast<size_t>(glyph) * font.height + y) * row_bytes + x / 8;
  return (font.bitmaps[at] >> (7 - x % 8)) & 1;
}

const char* psf_default_font_path(int height) {
  return height == 16 ? "/usr/share/consolefonts/Uni2-VGA16.psf.gz"
                      : "/usr/share/consolefonts/Uni2-VGA8.psf.gz";
}
