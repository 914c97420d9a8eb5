#pragma once
// Loops that run eight lanes at a time come as twins with one signature:
// `name_plain` for any x86-64 and `name_avx2`, compiled for AVX2, which gives
// the same results bit for bit. A unit picks once, as the program starts, into
// a constant pointer its callers use:
//   const auto name = simd_pick(name_plain, name_avx2);
// Callers never test the processor themselves. Nothing runs a picked loop
// before main, so the order in which units start does not matter.

#define SIMD_AVX2 __attribute__((target("avx2")))

inline bool cpu_has_avx2() {
  static const bool has = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
  return has;
}

template <typename Fn>
Fn* simd_pick(Fn* plain, Fn* avx2) {
  return cpu_has_avx2() ? avx2 : plain;
}
