#include "image/tga_rgba.h"

#include <cstdio>

namespace {

// After an RLE read the reader has lowered the type by 8 (9, 10, 11 become
// 1, 2, 3); any type other than colour-mapped and grey is taken as true colour.
constexpr uint8_t TYPE_MAPPED = 1;
constexpr uint8_t TYPE_GREY = 3;

// How an entry of `depth` bits reads, for true-colour pixels and map entries
// alike; false for depths without a colour meaning.
bool colour_kind(uint8_t depth, uint8_t alpha_bits, TgaRgba* rgba) {
  rgba->alpha_bit = false;
  switch (depth) {
    case 15:
    case 16:  // arrives expanded to four bytes
      rgba->kind = TgaRgba::RGB555;
      rgba->step = 4;
      rgba->alpha_bit = alpha_bits == 1;
      return true;
    case 24:
      rgba->kind = TgaRgba::RGB;
      rgba->step = 3;
      return true;
    case 32:
      rgba->kind = TgaRgba::RGBA;
      rgba->step = 4;
      return true;
    default: return false;
  }
}

// The descriptor's alpha bits must fit the depth: none at 24 bits, some at
// 32, at most the one top bit at 15 and 16.
bool alpha_fits(uint8_t depth, uint8_t alpha_bits) {
  if (depth == 32) return alpha_bits != 0;
  if (depth == 15 || depth == 16) return alpha_bits <= 1;
  return alpha_bits == 0;
}

bool prepare_mapped(const TgaReader* reader, const TgaPicture* picture, TgaRgba* rgba, char* why,
                    size_t why_size) {
  if (!(picture->flags & TGA_HAS_COLORMAP) || !picture->colormap) {
    snprintf(why, why_size, "colour-mapped picture without a colour map");
    return false;
  }
  // A map entry reads like a true-colour pixel of its depth; a 32-bit entry
  // always brings its own alpha, a 16-bit one when the descriptor says so.
  TgaRgba entry;
  if (!colour_kind(reader->colormap_depth, reader->alpha_bits, &entry)) {
    snprintf(why, why_size, "colour map of %d-bit entries is not supported", reader->colormap_depth);
    return false;
  }
  rgba->kind = TgaRgba::MAPPED;
  rgba->step = 1;
  rgba->alpha_bit = false;
  for (uint32_t index = 0; index < 256; ++index) {
    const uint32_t e = index - reader->colormap_first;  // wraps above the map when index < first
    rgba->outside_map[index] = e >= reader->colormap_length;
    rgba->palette[index] =
        rgba->outside_map[index] ? pixel_rgba(0, 0, 0, 255) : tga_rgba_pixel(entry, picture->colormap + e * entry.step);
  }
  return true;
}

}  // namespace

bool tga_rgba_prepare(const TgaReader* reader, const TgaPicture* picture, TgaRgba* rgba, char* why,
                      size_t why_size) {
  if (reader->image_type == TYPE_MAPPED) return prepare_mapped(reader, picture, rgba, why, why_size);
  if (reader->image_type == TYPE_GREY) {
    if (reader->depth != 8 || reader->alpha_bits != 0) {
      snprintf(why, why_size, "%d-bit grey picture with %d alpha bits is not supported", reader->depth,
               reader->alpha_bits);
      return false;
    }
    rgba->kind = TgaRgba::GREY;
    rgba->step = 1;
    rgba->alpha_bit = false;
    return true;
  }
  if (!alpha_fits(reader->depth, reader->alpha_bits) || !colour_kind(reader->depth, reader->alpha_bits, rgba)) {
    snprintf(why, why_size, "%d-bit picture with %d alpha bits is not supported", reader->depth,
             reader->alpha_bits);
    return false;
  }
  return true;
}
