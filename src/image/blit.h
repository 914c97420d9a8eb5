#pragma once
// Alpha-blended picture compositing onto the FrameBuffer.
#include <cstdint>

#include "image/image.h"

// Composites `image` with its top-left corner at (x, y), clipped to the
// frame. Alpha 0 leaves the frame pixel; otherwise each colour byte becomes
// (src * a + dst * (255 - a)) >> 8, so opaque 255 lands as 254. The frame's
// alpha bytes stay. An empty image draws nothing.
void img_blit(const Image* image, int32_t x, int32_t y);
