#pragma once
// Which loops the effects run: the AVX2 ones where the processor has them,
// else the plain ones; both give the same pixels. Tests switch it off to
// check the plain loops as well.
inline bool fx_use_avx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));

#define FX_AVX2 __attribute__((target("avx2")))
