// PSF reader: the real VGA fonts, both formats, compressed and plain, bad files.
#include "display/psf_font.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "display/cp437.h"
#include "support/files.h"
#include "support/temp_path.h"

namespace {

void write_gz(const std::string& path, const std::vector<uint8_t>& bytes) {
  gzFile f = gzopen(path.c_str(), "wb");
  gzwrite(f, bytes.data(), static_cast<unsigned>(bytes.size()));
  gzclose(f);
}

// A 10 x 4 PSF2 font of three glyphs: glyph 1 has its top-left and
// bottom-right pixels set; the table maps 'A' and U+2592 to glyph 1,
// U+1F600 (four UTF-8 bytes) and then a sequence (ignored) to glyph 2.
std::vector<uint8_t> small_psf2() {
  std::vector<uint8_t> v;
  // Magic, version, header size, has a table, glyphs, bytes per glyph (4 rows of 2), height, width.
  for (uint32_t field : {0x864AB572u, 0u, 32u, 1u, 3u, 8u, 4u, 10u})
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(field >> (8 * i)));
  v.insert(v.end(), 8, 0);
  const uint8_t g1[8] = {0x80, 0, 0, 0, 0, 0, 0, 0x40};  // (0,0) and (9,3)
  v.insert(v.end(), g1, g1 + 8);
  v.insert(v.end(), 8, 0xFF);
  const uint8_t table[] = {0x20, 0xFF,                          // glyph 0: space
                           'A', 0xE2, 0x96, 0x92, 0xFF,         // glyph 1
                           0xF0, 0x9F, 0x98, 0x80, 0xFE, 'e', 0xCC, 0x81, 0xFF};  // glyph 2
  v.insert(v.end(), table, table + sizeof table);
  return v;
}

// Ink for every code at both heights is checked through the console pictures;
// here the sizes, and the look-alikes standing in for shapes the 8 x 8 font lacks.
TEST(PsfFont, VgaFontsAndLookAlikes) {
  PsfFont font;
  for (int height : {16, 8}) {
    ASSERT_TRUE(psf_load(psf_default_font_path(height), &font));
    EXPECT_EQ(std::tuple(font.width, font.height, font.glyph_count, font.bitmaps.size()),
              std::tuple(8, height, 512, 512u * height));
  }
  EXPECT_EQ(psf_glyph_for_unicode(font, 0x25BA), -1);
  EXPECT_EQ(psf_glyph_for_cp437(font, 0x10), psf_glyph_for_unicode(font, 0x25B6));
  EXPECT_EQ(psf_glyph_for_cp437(font, 0xDB), psf_glyph_for_unicode(font, 0x2588));
}

TEST(PsfFont, Psf2PlainAndCompressedWithUtf8Table) {
  const std::vector<uint8_t> bytes = small_psf2();
  for (bool gz : {false, true}) {
    const std::string path = temp_path(gz ? "small.psf.gz" : "small.psf");
    if (gz) write_gz(path, bytes);
    else write_file(path, bytes);
    PsfFont font;
    ASSERT_TRUE(psf_load(path.c_str(), &font));
    EXPECT_EQ(std::tuple(font.width, font.height, font.glyph_count), std::tuple(10, 4, 3));
    // 0xB1 is U+2592; 'e' is only part of a sequence.
    EXPECT_EQ(std::tuple(psf_glyph_for_unicode(font, 'A'), psf_glyph_for_cp437(font, 0xB1),
                         psf_glyph_for_unicode(font, 'e'), psf_glyph_for_unicode(font, 0x1F600)),
              std::tuple(1, 1, -1, 2));
    // Set, clear, and outside the glyph or the font.
    EXPECT_EQ(std::tuple(psf_pixel(font, 1, 0, 0), psf_pixel(font, 1, 9, 3), psf_pixel(font, 1, 8, 3),
                         psf_pixel(font, 1, 10, 0), psf_pixel(font, 3, 0, 0), psf_pixel(font, -1, 0, 0)),
              std::tuple(true, true, false, false, false, false));
    std::remove(path.c_str());
  }
}

TEST(PsfFont, Psf1WithoutTableIsInCodePageOrder) {
  std::vector<uint8_t> v = {0x36, 0x04, 0x00, 2};
  for (int g = 0; g < 256; ++g) v.insert(v.end(), {static_cast<uint8_t>(g), 0});
  const std::string path = temp_path("notable.psf");
  write_file(path, v);
  PsfFont font;
  ASSERT_TRUE(psf_load(path.c_str(), &font));
  EXPECT_EQ(psf_glyph_for_cp437(font, 0x41), 0x41);
  // 0x41 = 0100 0001
  EXPECT_EQ(std::tuple(psf_pixel(font, 0x41, 1, 0), psf_pixel(font, 0x41, 7, 0), psf_pixel(font, 0x41, 0, 0)),
            std::tuple(true, true, false));
  std::remove(path.c_str());
}

TEST(PsfFont, BadFilesAreRejectedInOneLineAndLeaveTheFontEmpty) {
  std::vector<uint8_t> truncated = small_psf2();
  truncated.resize(40);
  std::vector<uint8_t> huge_glyphs = small_psf2();
  huge_glyphs[28] = 0xFF;  // width 255
  std::vector<uint8_t> bad_header = small_psf2();
  bad_header[8] = 0xF0;  // header size beyond the file
  const std::vector<std::vector<uint8_t>> cases = {
      {}, {0x36}, {0x36, 0x04, 0x02, 0x00}, {0x36, 0x04, 0x01, 0x10, 0, 0}, truncated, huge_glyphs,
      bad_header, std::vector<uint8_t>(100, 0x41)};
  const std::string path = temp_path("bad.psf");
  for (size_t i = 0; i < cases.size(); ++i) {
    write_file(path, cases[i]);
    PsfFont font;
    font.width = 99;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(psf_load(path.c_str(), &font)) << i;
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(path), std::string::npos) << i;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << i;
    EXPECT_TRUE(font.width == 0 && font.bitmaps.empty() && font.unicode_to_glyph.empty()) << i;
  }
  std::remove(path.c_str());
}

}  // namespace
