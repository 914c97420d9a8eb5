#pragma once
// Whether the processor runs AVX2. The eight-lane loops are chosen by this at
// run time; the plain loops beside them give the same results elsewhere.
inline bool cpu_has_avx2() {
  static const bool has = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
  return has;
}
