#pragma once
// The blit's row twins, declared for tests: colour bytes of dst[begin..end)
// blended with src's by src's alpha, the same bytes from both.
#include <cstdint>

#include "common/frame.h"
#include "common/simd.h"

void blend_row_plain(const Pixel* src, Pixel* dst, int32_t begin, int32_t end);
SIMD_AVX2 void blend_row_avx2(const Pixel* src, Pixel* dst, int32_t begin, int32_t end);
