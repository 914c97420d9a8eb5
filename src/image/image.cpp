#include "image/image.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "image/tga_rgba.h"
#include "image/tgaread.h"
#include "platform/printable.h"

namespace {

// Fills the Image from a picture read in file scanline order; returns how
// many pixels index outside the colour map.
size_t copy_oriented(const TgaReader* reader, const uint8_t* source, const TgaRgba& rgba, Image* image) {
  const uint32_t w = reader->width, h = reader->height;
  size_t outside = 0;
  for (uint32_t y = 0; y < h; ++y) {
    const uint32_t sy = reader->top_to_bottom ? y : h - 1 - y;
    Pixel* out = image->pixels + size_t{y} * w;
    for (uint32_t x = 0; x < w; ++x) {
      const uint32_t sx = reader->right_to_left ? w - 1 - x : x;
      const uint8_t* p = source + (size_t{sy} * w + sx) * rgba.step;
      out[x] = tga_rgba_pixel(rgba, p);
      if (rgba.kind == TgaRgba::MAPPED) outside += rgba.outside_map[*p];
    }
  }
  return outside;
}

// Reads one decimal side of at most four characters from [begin, end):
// leading blanks, then digits only. 0 when it is not such a number.
int32_t parse_side(const char* begin, const char* end) {
  if (end - begin < 1 || end - begin > 4) return 0;
  while (begin < end && *begin == ' ') ++begin;
  if (begin == end) return 0;
  int32_t value = 0;
  for (; begin < end; ++begin) {
    if (*begin < '0' || *begin > '9') return 0;
    value = value * 10 + (*begin - '0');
  }
  return value;
}

}  // namespace

uint8_t img_width_log2(uint32_t width) {
  uint8_t log2 = 0;
  for (uint32_t w = width >> 1; w != 0; w >>= 1) ++log2;
  return log2;
}

bool img_is_tga_name(const char* path) {
  return strstr(path, ".tga") != nullptr || strstr(path, ".TGA") != nullptr;
}

bool img_parse_raw_size(const char* path, int32_t* width, int32_t* height) {
  const char* dot = strrchr(path, '.');
  if (!dot) return false;
  const char* x = dot;
  while (x > path && *x != 'x') --x;
  if (*x != 'x') return false;
  const char* underscore = x;
  while (underscore > path && *underscore != '_') --underscore;
  if (*underscore != '_') return false;
  int32_t w = parse_side(underscore + 1, x);
  int32_t h = parse_side(x + 1, dot);
  if (w <= 0 || h <= 0) return false;
  *width = w;
  *height = h;
  return true;
}

void img_free(Image* image) {
  free(image->pixels);
  image->pixels = nullptr;
  image->height = 0;
  image->width = 0;
}

void img_load_tga(const char* path, Image* image) {
  // The reader's reports name its own source line; this names the picture.
  auto not_loaded = [path] {
    fprintf(stderr, "Image:%s: TGA picture not loaded\n", platform_printable_text(path).c_str());
  };
  TgaReader* reader = tga_reader_open(path, "rb");
  if (!reader) {
    not_loaded();
    return;
  }
  TgaPicture picture = {nullptr, nullptr, nullptr, TGA_READ_PIXELS | TGA_SWAP_RB};
  tga_load_picture(reader, &picture);
  const uint32_t w = reader->width, h = reader->height;
  TgaRgba rgba;
  char why[96];
  if (!(picture.flags & TGA_READ_PIXELS)) {
    not_loaded();
  } else if (!tga_rgba_prepare(reader, &picture, &rgba, why, sizeof why)) {
    fprintf(stderr, "Image:%s: %s\n", platform_printable_text(path).c_str(), why);
  } else if (w == 0 || h == 0) {
    fprintf(stderr, "Image:%s: picture has no pixels\n", platform_printable_text(path).c_str());
  } else if (!(image->pixels = static_cast<Pixel*>(malloc(size_t{w} * h * sizeof(Pixel))))) {
    tga_report(TGA_OUT_OF_MEMORY, __FILE__, __LINE__);
    not_loaded();
  } else {
    image->width = static_cast<uint16_t>(w);
    image->height = static_cast<uint16_t>(h);
    image->width_log2 = img_width_log2(w);
    if (size_t outside = copy_oriented(reader, picture.pixels, rgba, image)) {
      fprintf(stderr, "Image:%s: %zu pixels index outside the colour map; shown black\n",
              platform_printable_text(path).c_str(), outside);
    }
  }
  tga_reader_close(reader);
  free(picture.id);
  free(picture.colormap);
  free(picture.pixels);
}

void img_load_raw(const char* path, Image* image, int32_t width, int32_t height) {
  FILE* f = fopen(path, "rb");
  if (!f) {
    fputs(MSG_FILE_NOT_FOUND, stdout);
    return;
  }
  const size_t count = size_t(uint16_t(width)) * uint16_t(height);
  image->pixels = static_cast<Pixel*>(calloc(count ? count : 1, sizeof(Pixel)));
  if (!image->pixels) {
    fputs(MSG_NOT_NUFF_MEM, stdout);
    fclose(f);
    return;
  }
  image->width = static_cast<uint16_t>(width);
  image->height = static_cast<uint16_t>(height);
  image->width_log2 = img_width_log2(image->width);
  // The file is the pixel array as bytes R,G,B,A; a short file leaves the rest 0.
  size_t got = fread(image->pixels, 1, count * sizeof(Pixel), f);
  (void)got;
  fclose(f);
}

void img_load(const char* path, Image* image) {
  if (img_is_tga_name(path)) {
    img_load_tga(path, image);
    return;
  }
  int32_t width = 0, height = 0;
  if (!img_parse_raw_size(path, &width, &height)) {
    fprintf(stderr, "Image:%s: not a TGA name and no _WxH size before the extension\n",
            platform_printable_text(path).c_str());
    return;
  }
  img_load_raw(path, image, width, height);
}
