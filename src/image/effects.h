#pragma once
// Picture effects on 240 x 150 buffers, applied in place between the scene
// and the presentation. A null buffer means the FrameBuffer. Regions are
// x0, y0 inclusive, x1, y1 exclusive, clamped to the frame. Only the colour
// bytes change, except where whole pixels move (lens, tear). Scratch space is
// fixed; nothing is allocated per call.
#include <cstdint>

#include "common/frame.h"

// Box blur of signed 32-bit values, horizontally then vertically, over the
// window parts inside the region. Radius 0 does nothing.
void fx_blur_int(int32_t* values, int16_t x0, int16_t y0, int16_t x1, int16_t y1, uint8_t radius);
// amount > 0: box blur of that radius; amount <= 0: sharpen with radius -amount.
void fx_blur(Pixel* buffer, int16_t x0, int16_t y0, int16_t x1, int16_t y1, int8_t amount);
// Grey noise: (rand % amount) - amount / 2 added to all three bytes, one draw a pixel.
void fx_noise(Pixel* buffer, int16_t x0, int16_t y0, int16_t x1, int16_t y1, uint8_t amount);
// Contrast stretch: c * (256 / (high - low)) - low, clamped. high must differ from low.
void fx_levels(Pixel* buffer, int16_t x0, int16_t y0, int16_t x1, int16_t y1, int16_t low,
               int16_t high);
// Lens distortion of the whole frame: a and b blend the effect in
// horizontally and vertically, c sets the radius (units of 120 pixels) and zoom.
void fx_lens(Pixel* buffer, float a, float b, float c);
// Row tearing of the whole frame; both chances must be at least 1.
void fx_tear(Pixel* buffer, float jump_scale, float settle_scale, int32_t jump_chance,
             int32_t settle_chance);
// Darkens pixels that lie deeper than their blurred neighbourhood; pixels
// whose depth is DEPTH_CLEAR stay.
void fx_depth_shade(Pixel* buffer, const int32_t* depth, int32_t depth_far, int32_t depth_near,
                    float radius, float strength);
