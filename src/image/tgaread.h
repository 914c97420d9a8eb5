#pragma once
// Reading a picture from an open TgaReader.
#include <cstddef>
#include <cstdint>

#include "image/tga.h"

// The whole read, driven by picture->flags. Afterwards TGA_READ_PIXELS still
// set means the pixels are complete; reader->last_status holds the outcome and
// the header fields are valid unless the header itself failed.
void tga_load_picture(TgaReader* reader, TgaPicture* picture);

// The steps of the read, exposed for tests.
void tga_seek(TgaReader* reader, long offset, int origin);
size_t tga_read_block(TgaReader* reader, void* destination, size_t size, size_t count);
bool tga_load_header(TgaReader* reader);
bool tga_load_id(TgaReader* reader, TgaPicture* picture);
bool tga_load_colormap(TgaReader* reader, TgaPicture* picture);
// Returns the number of complete scanlines (count on success).
int32_t tga_load_scanlines(TgaReader* reader, uint8_t* buffer, int32_t count, uint32_t flags);
// One RLE scanline of `width` pixels into output: 0 on success, 1 on failure.
// A packet left unfinished at the end of a line goes on in the next; the
// scanline read starts the picture with a fresh packet.
int32_t tga_decode_rle_line(TgaReader* reader, uint8_t* output);
void tga_swap_rb(uint8_t* buffer, size_t size, size_t step);
