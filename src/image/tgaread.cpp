#include "image/tgaread.h"

#include <cstdlib>
#include <cstring>

namespace {

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

bool fail(TgaReader* reader, int32_t status, int32_t line) {
  tga_report(status, __FILE__, line);
  reader->last_status = status;
  return false;
}

bool is_rle(const TgaReader* reader) { return reader->image_type > 8 && reader->image_type < 12; }

size_t line_bytes(const TgaReader* reader) {
  return size_t{reader->width} * tga_bytes_per_entry(reader->depth);
}

size_t colormap_bytes(const TgaReader* reader) {
  return size_t{reader->colormap_length} * tga_bytes_per_entry(reader->colormap_depth);
}

long data_position(const TgaReader* reader) {
  return static_cast<long>(TGA_HEADER_SIZE + reader->id_length + colormap_bytes(reader));
}

// Whether the rest of the file can hold the pixel data at all, so that a
// header promising gigabytes is refused before anything is allocated. An RLE
// packet of at least two bytes yields at most 128 pixels.
bool file_can_hold_pixels(TgaReader* reader) {
  FILE* f = reader->stream;
  long here = ftell(f);
  if (fseek(f, 0, SEEK_END) != 0) return true;
  long end = ftell(f);
  fseek(f, here, SEEK_SET);
  long start = data_position(reader);
  uint64_t remaining = end > start ? static_cast<uint64_t>(end - start) : 0;
  uint64_t pixels = uint64_t{reader->width} * reader->height;
  if (is_rle(reader)) return pixels <= remaining * 64;
  return pixels * tga_bytes_per_entry(reader->depth) <= remaining;
}

// 2-byte little-endian 5-5-5 values become four bytes: bits 10-14, 5-9, 0-4
// and the top bit. Returns the grown buffer, or null (the old one still valid)
// when out of memory.
uint8_t* expand_15bit(uint8_t* buffer, size_t entries) {
  auto* grown = static_cast<uint8_t*>(realloc(buffer, entries * 4 + 1));
  if (!grown) return nullptr;
  for (size_t i = entries; i-- > 0;) {  // backwards: output outruns input
    uint16_t v = le16(grown + i * 2);
    grown[i * 4] = static_cast<uint8_t>((v >> 10) & 31);
    grown[i * 4 + 1] = static_cast<uint8_t>((v >> 5) & 31);
    grown[i * 4 + 2] = static_cast<uint8_t>(v & 31);
    grown[i * 4 + 3] = static_cast<uint8_t>(v >> 15);
  }
  return grown;
}

bool is_15bit(uint8_t depth) { return depth == 15 || depth == 16; }

// Byte by byte without the stream lock: the show reads on one thread, and a
// locked fread per pixel costs more than the decoding itself.
bool read_pixel(FILE* f, uint8_t* out, size_t bpp) {
  for (size_t i = 0; i < bpp; ++i) {
    const int c = getc_unlocked(f);
    if (c == EOF) return false;
    out[i] = static_cast<uint8_t>(c);
  }
  return true;
}

}  // namespace

void tga_seek(TgaReader* reader, long offset, int origin) {
  fseek(reader->stream, offset, origin);
  reader->offset = static_cast<uint32_t>(ftell(reader->stream));
}

size_t tga_read_block(TgaReader* reader, void* destination, size_t size, size_t count) {
  size_t items = fread(destination, size, count, reader->stream);
  reader->offset = static_cast<uint32_t>(ftell(reader->stream));
  return items;
}

void tga_swap_rb(uint8_t* buffer, size_t size, size_t step) {
  for (size_t p = 0; p + 2 < size; p += step) {
    uint8_t t = buffer[p];
    buffer[p] = buffer[p + 2];
    buffer[p + 2] = t;
  }
}

bool tga_load_header(TgaReader* reader) {
  tga_seek(reader, 0, SEEK_SET);
  if (reader->offset != 0) return fail(reader, TGA_SEEK_FAILED, __LINE__);
  uint8_t h[TGA_HEADER_SIZE] = {};
  if (tga_read_block(reader, h, TGA_HEADER_SIZE, 1) != 1) return fail(reader, TGA_READ_FAILED, __LINE__);
  reader->id_length = h[0];
  reader->colormap_type = h[1];
  reader->image_type = h[2];
  reader->colormap_first = le16(h + 3);
  reader->colormap_length = le16(h + 5);
  reader->colormap_depth = h[7];
  reader->x_origin = le16(h + 8);
  reader->y_origin = le16(h + 10);
  reader->width = le16(h + 12);
  reader->height = le16(h + 14);
  reader->depth = h[16];
  reader->alpha_bits = h[17] & 0x0F;
  reader->right_to_left = (h[17] >> 4) & 1;
  reader->top_to_bottom = (h[17] >> 5) & 1;
  uint8_t d = reader->depth;
  if (reader->colormap_type != 0 && d != 8) return fail(reader, TGA_UNKNOWN_SUB_FORMAT, __LINE__);
  if (d != 8 && d != 15 && d != 16 && d != 24 && d != 32) {
    return fail(reader, TGA_UNKNOWN_SUB_FORMAT, __LINE__);
  }
  reader->last_status = TGA_OK;
  return true;
}

bool tga_load_id(TgaReader* reader, TgaPicture* picture) {
  if (reader->offset != TGA_HEADER_SIZE) tga_seek(reader, TGA_HEADER_SIZE, SEEK_SET);
  if (reader->offset != TGA_HEADER_SIZE) return fail(reader, TGA_SEEK_FAILED, __LINE__);
  picture->id = static_cast<uint8_t*>(malloc(reader->id_length));
  if (!picture->id) return fail(reader, TGA_OUT_OF_MEMORY, __LINE__);
  if (tga_read_block(reader, picture->id, reader->id_length, 1) != 1) {
    free(picture->id);
    picture->id = nullptr;
    return fail(reader, TGA_READ_FAILED, __LINE__);
  }
  reader->last_status = TGA_OK;
  return true;
}

bool tga_load_colormap(TgaReader* reader, TgaPicture* picture) {
  size_t size = colormap_bytes(reader);
  // A colour-mapped picture without entries cannot be shown; say so rather
  // than end the read with a "Success" report.
  if (size == 0) return fail(reader, TGA_UNKNOWN_SUB_FORMAT, __LINE__);
  uint32_t position = TGA_HEADER_SIZE + reader->id_length;
  if (reader->offset != position) tga_seek(reader, position, SEEK_SET);
  if (reader->offset != position) return fail(reader, TGA_SEEK_FAILED, __LINE__);
  picture->colormap = static_cast<uint8_t*>(malloc(size));
  if (!picture->colormap) return fail(reader, TGA_OUT_OF_MEMORY, __LINE__);
  if (tga_read_block(reader, picture->colormap, size, 1) != 1) return fail(reader, TGA_READ_FAILED, __LINE__);
  uint8_t d = reader->colormap_depth;
  if ((d == 24 || d == 32) && (picture->flags & TGA_SWAP_RB)) tga_swap_rb(picture->colormap, size, d / 8);
  if (is_15bit(d)) {
    uint8_t* grown = expand_15bit(picture->colormap, reader->colormap_length);
    if (!grown) return fail(reader, TGA_OUT_OF_MEMORY, __LINE__);
    picture->colormap = grown;
  }
  reader->last_status = TGA_OK;
  return true;
}

int32_t tga_decode_rle_line(TgaReader* reader, uint8_t* output) {
  if (!output) return 1;
  FILE* f = reader->stream;
  const size_t bpp = tga_bytes_per_entry(reader->depth);
  for (uint32_t x = 0; x < reader->width; ++x, output += bpp) {
    if (reader->rle_left == 0) {
      int header = getc_unlocked(f);
      if (header == EOF) return 1;
      reader->rle_is_run = header >= 128;
      reader->rle_left = static_cast<uint32_t>(header & 0x7F) + 1;
      if (reader->rle_is_run && !read_pixel(f, reader->rle_value, bpp)) return 1;
    }
    if (reader->rle_is_run) {
      memcpy(output, reader->rle_value, bpp);
    } else if (!read_pixel(f, output, bpp)) {
      return 1;
    }
    --reader->rle_left;
  }
  return 0;
}

int32_t tga_load_scanlines(TgaReader* reader, uint8_t* buffer, int32_t count, uint32_t flags) {
  const size_t line = line_bytes(reader);
  const long position = data_position(reader);
  if (reader->offset != static_cast<uint32_t>(position)) tga_seek(reader, position, SEEK_SET);
  if (reader->offset != static_cast<uint32_t>(position)) {
    fail(reader, TGA_SEEK_FAILED, __LINE__);
    return 0;
  }
  int32_t lines = 0;
  if (is_rle(reader)) {
    reader->rle_left = 0;  // the first packet starts with the picture
    while (lines < count && tga_decode_rle_line(reader, buffer + line * lines) == 0) ++lines;
    reader->offset = static_cast<uint32_t>(ftell(reader->stream));
    reader->image_type = static_cast<uint8_t>(reader->image_type - 8);
  } else {
    lines = static_cast<int32_t>(tga_read_block(reader, buffer, line, count));
  }
  if (lines != count) {
    fail(reader, TGA_READ_FAILED, __LINE__);
    return lines;
  }
  if ((reader->depth == 24 || reader->depth == 32) && (flags & TGA_SWAP_RB)) {
    tga_swap_rb(buffer, line * count, reader->depth / 8);
  }
  reader->last_status = TGA_OK;
  return count;
}

void tga_load_picture(TgaReader* reader, TgaPicture* picture) {
  if (!tga_load_header(reader)) {
    tga_report(reader->last_status, __FILE__, __LINE__);
    picture->flags &= ~TGA_READ_PIXELS;
    return;
  }
  if (picture->flags & TGA_READ_ID) {
    if (reader->id_length == 0 || !tga_load_id(reader, picture)) picture->flags &= ~TGA_READ_ID;
  }
  if (!(picture->flags & TGA_READ_PIXELS)) return;
  if (reader->colormap_type == 1) {
    if (tga_load_colormap(reader, picture)) {
      picture->flags |= TGA_HAS_COLORMAP;
    } else {
      picture->flags &= ~(TGA_HAS_COLORMAP | TGA_READ_PIXELS);
      tga_report(reader->last_status, __FILE__, __LINE__);
      return;
    }
  }
  if (!file_can_hold_pixels(reader)) {
    picture->flags &= ~TGA_READ_PIXELS;
    fail(reader, TGA_READ_FAILED, __LINE__);
    return;
  }
  const size_t size = line_bytes(reader) * reader->height;
  picture->pixels = static_cast<uint8_t*>(malloc(size + 1));  // +1: a 0-pixel picture still gets a buffer
  if (!picture->pixels) {
    picture->flags &= ~TGA_READ_PIXELS;
    fail(reader, TGA_OUT_OF_MEMORY, __LINE__);
    return;
  }
  if (tga_load_scanlines(reader, picture->pixels, reader->height, picture->flags) != reader->height) {
    picture->flags &= ~TGA_READ_PIXELS;
    tga_report(reader->last_status, __FILE__, __LINE__);
    return;
  }
  if (is_15bit(reader->depth)) {
    uint8_t* grown = expand_15bit(picture->pixels, size_t{reader->width} * reader->height);
    if (!grown) {
      picture->flags &= ~TGA_READ_PIXELS;
      fail(reader, TGA_OUT_OF_MEMORY, __LINE__);
      return;
    }
    picture->pixels = grown;
  }
  reader->last_status = TGA_OK;
}
