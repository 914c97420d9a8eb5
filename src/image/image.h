#pragma once
// Pictures in memory in the frame's pixel format, read from TGA files or from
// headerless 32-bit files whose size is in the name (prefix_WxH.extension).
#include <cstdint>

#include "common/frame.h"

// The fixed failure messages, shared with the font's error screen and
// the mesh loader.
constexpr char MSG_FILE_NOT_FOUND[] = "EEEEEEEEEEEK!!!     file not found!!";
constexpr char MSG_NOT_NUFF_MEM[] = "EEEEEEEEEEEK!!!     not nuff mem!!";
// A file that opens but does not read as what it should be.
constexpr char MSG_MALFORMED_FILE[] = "EEEEEEEEEEEK!!!     malformed file!!";

// Empty while `pixels` is null. Texture pictures have power-of-two sides:
// the rasterizer wraps with width - 1 / height - 1 and shifts rows by
// width_log2.
struct Image {
  Pixel* pixels;  // width * height, row-major, top row first; owned
  uint16_t height;
  uint16_t width;
  uint8_t width_log2;  // halvings of width before it reaches 1 (256 -> 8, 255 -> 7, 1 and 0 -> 0)
};

// Fills an empty `image` from the file: TGA when the name contains ".tga" or
// ".TGA", otherwise a raw picture sized by its name. On any failure a message
// is printed and the Image is left empty; nothing is returned.
void img_load(const char* path, Image* image);
// Plain substring test: "pic.tga.bak" counts, "pic.Tga" does not.
bool img_is_tga_name(const char* path);
// Every standard kind: 8-bit grey, 8-bit colour-mapped, 15/16-bit (the top
// bit as alpha with one alpha bit), 24-bit without alpha bits and 32-bit with
// them, in every orientation. Anything else is rejected with one line naming
// the file.
void img_load_tga(const char* path, Image* image);
// The file is the pixel array itself; a short file leaves the rest 0.
void img_load_raw(const char* path, Image* image, int32_t width, int32_t height);
// Reads W and H from prefix_WxH.extension (each at most four digits, leading
// blanks allowed). False, with *width and *height untouched, when the name
// does not have that form or a side is 0.
bool img_parse_raw_size(const char* path, int32_t* width, int32_t* height);
// Releases the pixels and zeroes height and width; width_log2 keeps its value.
void img_free(Image* image);
// How often `width` can be halved before it reaches 1.
uint8_t img_width_log2(uint32_t width);
