#pragma once
// TGA pictures: the reader record, the picture record, status codes and the
// reader's lifetime. Reading itself is in tgaread.h.
#include <cstdint>
#include <cstdio>

enum TgaStatus : int32_t {
  TGA_OK = 0,
  TGA_ERROR = 1,
  TGA_OUT_OF_MEMORY = 2,
  TGA_OPEN_FAILED = 3,
  TGA_SEEK_FAILED = 4,
  TGA_READ_FAILED = 5,
  TGA_WRITE_FAILED = 6,
  TGA_UNKNOWN_SUB_FORMAT = 7,
};

constexpr uint32_t TGA_HEADER_SIZE = 18;

// Request and result bits of TgaPicture::flags.
constexpr uint32_t TGA_READ_ID = 0x01;       // cleared when there is no id field
constexpr uint32_t TGA_READ_PIXELS = 0x04;   // still set afterwards = pixels complete
constexpr uint32_t TGA_HAS_COLORMAP = 0x08;  // set when a colour map was read
constexpr uint32_t TGA_SWAP_RB = 0x20;       // B,G,R(,A) in the file becomes R,G,B(,A)

// One per open file; serves one picture read (RLE decoding lowers image_type).
struct TgaReader {
  FILE* stream;
  uint32_t offset;  // stream position after the last seek or read
  int32_t last_status;
  uint8_t id_length;
  uint8_t colormap_type;
  uint8_t image_type;
  uint16_t colormap_first;
  uint16_t colormap_length;
  uint8_t colormap_depth;
  uint16_t x_origin;
  uint16_t y_origin;
  uint16_t width;
  uint16_t height;
  uint8_t depth;
  uint8_t alpha_bits;
  uint8_t right_to_left;
  uint8_t top_to_bottom;
  // Run-length packet state: a packet may carry on from one scanline into
  // the next, so it lives as long as the picture read.
  uint32_t rle_left;   // pixels still to come from the current packet
  uint8_t rle_is_run;  // the packet repeats rle_value
  uint8_t rle_value[4];
};

// Filled by a picture read; the buffers belong to the caller in every outcome
// (release with free()). Pixels are the file's scanlines in file order, not
// reoriented; 15- and 16-bit pixels and colour-map entries arrive expanded to
// four bytes: their 5-bit fields (bits 10-14, 5-9, 0-4, that is red, green,
// blue) and the top bit (bit 15, the alpha bit where there is one).
struct TgaPicture {
  uint8_t* id;
  uint8_t* colormap;
  uint8_t* pixels;
  uint32_t flags;
};

// Text of a status code; codes out of range give "Error".
const char* tga_status_text(int32_t status);
// Opens the file with the given fopen mode; null (after a report) on failure.
TgaReader* tga_reader_open(const char* path, const char* mode);
// Closes the stream and releases the reader; null is ignored.
void tga_reader_close(TgaReader* reader);
// Writes "Tga:<unit>:<line>: <status text>" to stderr.
void tga_report(int32_t status, const char* unit, int32_t line);
// Bytes a pixel or colour-map entry of this many bits takes in the file.
constexpr uint32_t tga_bytes_per_entry(uint32_t bits) { return (bits + 7) / 8; }
