#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "image/tgaread.h"
#include "image/tga_bytes.h"

namespace {

struct ReadResult {
  TgaReader header = {};
  TgaPicture picture = {};
  std::string errors;
  std::vector<uint8_t> pixels;
  ~ReadResult() {
    free(picture.id);
    free(picture.colormap);
    free(picture.pixels);
  }
};

// Opens, reads with the given flags, copies out `pixel_bytes` bytes and closes.
void read_tga(const std::vector<uint8_t>& bytes, uint32_t flags, size_t pixel_bytes, ReadResult* out) {
  TempFile file(bytes);
  testing::internal::CaptureStderr();
  TgaReader* reader = tga_reader_open(file.path(), "rb");
  ASSERT_NE(reader, nullptr);
  out->picture.flags = flags;
  tga_load_picture(reader, &out->picture);
  out->header = *reader;
  out->header.stream = nullptr;
  tga_reader_close(reader);
  out->errors = testing::internal::GetCapturedStderr();
  if (out->picture.pixels && (out->picture.flags & TGA_READ_PIXELS)) {
    out->pixels.assign(out->picture.pixels, out->picture.pixels + pixel_bytes);
  }
}

constexpr uint32_t LOAD = TGA_READ_PIXELS | TGA_SWAP_RB;

TEST(TgaOpen, MissingFileReportsWithSourceAndLineAndOddCodesReadAsError) {
  for (int32_t code : {8, 255, -1}) EXPECT_STREQ(tga_status_text(code), "Error");
  testing::internal::CaptureStderr();
  EXPECT_EQ(tga_reader_open("/nonexistent/dir/none.tga", "rb"), nullptr);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(err.starts_with("Tga:src/image/tga.cpp:") &&
              err.ends_with(": Failed to open file\n")) << err;
  tga_reader_close(nullptr);  // ignored
}

// Every failure class: a bad sub-format (the header, the depth, a mapped
// picture without entries), a short header, short pixel data, a huge header
// over a tiny file (nothing allocated) and cut run-length data. Each ends with
// its status, the pixel flag cleared and one report that is not "Success".
TEST(TgaRead, BadFilesFailWithTheirStatusAndNoPixels) {
  const std::vector<uint8_t> nine(9, 0xFF), pad(64, 0xFF);
  const std::pair<std::vector<uint8_t>, int32_t> cases[] = {
      {tga_header_bytes({.colormap_type = 1}), TGA_UNKNOWN_SUB_FORMAT},
      {tga_header_bytes({.depth = 12}) + std::vector<uint8_t>(16, 0), TGA_UNKNOWN_SUB_FORMAT},
      {tga_header_bytes({.colormap_type = 1, .image_type = 1, .colormap_depth = 24, .width = 3, .depth = 8}) +
           std::vector<uint8_t>{1, 0, 1},
       TGA_UNKNOWN_SUB_FORMAT},
      {std::vector<uint8_t>(17, 0), TGA_READ_FAILED},
      {tga_header_bytes({.width = 2, .height = 2}) + nine, TGA_READ_FAILED},
      {tga_header_bytes({.width = 65535, .height = 65535, .depth = 32, .descriptor = 8}) + pad, TGA_READ_FAILED},
      {tga_header_bytes({.image_type = 10, .width = 65535, .height = 65535, .depth = 32, .descriptor = 8}) + pad,
       TGA_READ_FAILED},
      {tga_header_bytes({.image_type = 10, .width = 3, .height = 2}) +
           std::vector<uint8_t>{0x82, 5, 6, 7, 0x00, 1, 2, 3, 0x81, 4, 4},
       TGA_READ_FAILED}};
  for (size_t i = 0; i < std::size(cases); ++i) {
    ReadResult r;
    read_tga(cases[i].first, LOAD, 0, &r);
    // Cut run-length data keeps its buffer; the cleared flag says it holds no picture.
    const bool allocated = i + 1 == std::size(cases);
    EXPECT_EQ(std::tuple(r.header.last_status, r.picture.flags & (TGA_READ_PIXELS | TGA_HAS_COLORMAP), r.picture.pixels != nullptr),
              std::tuple(cases[i].second, 0u, allocated)) << i;
    EXPECT_NE(r.errors.find(cases[i].second == TGA_READ_FAILED ? "Read failed" : "Unknown sub-format"), std::string::npos)
        << i << ": " << r.errors;
    EXPECT_EQ(r.errors.find("Success"), std::string::npos) << i;
  }
}

// The picture loader never asks for the id field: it must be skipped.
TEST(TgaIdField, SkippedWhenNotRequested) {
  ReadResult r;
  read_tga(tga_header_bytes({.id_length = 3}) + std::vector<uint8_t>{'a', 'b', 'c', 1, 2, 3}, LOAD, 3, &r);
  EXPECT_EQ(std::tuple(r.pixels, r.picture.id), std::tuple(std::vector<uint8_t>{3, 2, 1}, nullptr));
}

TEST(TgaRle, RunsAndLiteralsOfFullLength) {
  const TgaHeaderFields h{.image_type = 10, .width = 256};
  std::vector<uint8_t> data = {0xFF, 1, 2, 3, 0x7F};
  for (int i = 0; i < 128; ++i) data.insert(data.end(), {uint8_t(i), 0, 9});
  ReadResult r;
  read_tga(tga_header_bytes(h) + data, LOAD, 256 * 3, &r);
  ASSERT_EQ(r.pixels.size(), 256u * 3);
  for (int i = 0; i < 128; ++i) EXPECT_TRUE(r.pixels[i * 3] == 3 && r.pixels[(128 + i) * 3 + 2] == i) << i;
  EXPECT_EQ(std::tuple(r.header.image_type, r.header.last_status), std::tuple(2, TGA_OK));  // type lowered by 8
}

// Packets run on from one scanline into the next; only the picture's end
// cuts them. Without the swap the bytes stand as in the file.
TEST(TgaRle, PacketsCarryOnAcrossScanlinesUntilThePictureEnds) {
  const TgaHeaderFields h{.image_type = 10, .width = 2, .height = 3};
  // A run of 3 over lines 0 and 1, a literal of 2 over lines 1 and 2, then a
  // run of 5 of which the picture holds one pixel; the rest, and the bytes
  // after it, are never read as pixels.
  auto bytes = std::vector<uint8_t>{0x82, 1, 1, 1, 0x01, 2, 2, 2, 3, 3, 3, 0x84, 4, 4, 4, 9, 9};
  ReadResult r;
  read_tga(tga_header_bytes(h) + bytes, TGA_READ_PIXELS, 18, &r);
  EXPECT_EQ(r.pixels, (std::vector<uint8_t>{1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}));
  EXPECT_EQ(std::tuple(r.header.last_status, r.errors), std::tuple(TGA_OK, ""));
}

}  // namespace
