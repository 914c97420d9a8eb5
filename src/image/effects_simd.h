#pragma once
// Which loops the effects run: the AVX2 ones where the processor has them,
// else the plain ones; both give the same pixels. Tests switch it off to
// check the plain loops as well.
#include "common/simd.h"

inline bool fx_use_avx2 = cpu_has_avx2();

#define FX_AVX2 __attribute__((target("avx2")))
