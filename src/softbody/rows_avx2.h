#pragma once
// Eight records at a time in AVX2 registers: four-float rows of records k and
// k + 4 share a register (low and high half), and transposing four such rows
// gives one field per register with record k in lane k.
#include <immintrin.h>

#include <cstddef>

#include "common/simd.h"
#include "softbody/softbody.h"

SIMD_AVX2 inline void transpose4x2(__m256 r[4]) {
  const __m256 t0 = _mm256_unpacklo_ps(r[0], r[1]), t1 = _mm256_unpacklo_ps(r[2], r[3]);
  const __m256 t2 = _mm256_unpackhi_ps(r[0], r[1]), t3 = _mm256_unpackhi_ps(r[2], r[3]);
  r[0] = _mm256_shuffle_ps(t0, t1, 0x44);
  r[1] = _mm256_shuffle_ps(t0, t1, 0xEE);
  r[2] = _mm256_shuffle_ps(t2, t3, 0x44);
  r[3] = _mm256_shuffle_ps(t2, t3, 0xEE);
}

// The four floats at byte `offset` of particles p[0..7], one field per register.
SIMD_AVX2 inline void load_particle_fields(const SoftParticle* p, size_t offset, __m256 r[4]) {
  for (int k = 0; k < 4; ++k) {
    const auto* low = reinterpret_cast<const char*>(p + k) + offset;
    const auto* high = reinterpret_cast<const char*>(p + k + 4) + offset;
    r[k] = _mm256_loadu2_m128(reinterpret_cast<const float*>(high), reinterpret_cast<const float*>(low));
  }
  transpose4x2(r);
}

SIMD_AVX2 inline void store_particle_fields(SoftParticle* p, size_t offset, const __m256 fields[4]) {
  __m256 r[4] = {fields[0], fields[1], fields[2], fields[3]};
  transpose4x2(r);
  for (int k = 0; k < 4; ++k) {
    auto* low = reinterpret_cast<char*>(p + k) + offset;
    auto* high = reinterpret_cast<char*>(p + k + 4) + offset;
    _mm256_storeu2_m128(reinterpret_cast<float*>(high), reinterpret_cast<float*>(low), r[k]);
  }
}

// Row offsets: mass and pos; vel and force.x; vel.z and force.
constexpr size_t ROW_MASS_POS = offsetof(SoftParticle, mass);
constexpr size_t ROW_VEL = offsetof(SoftParticle, vel);
constexpr size_t ROW_FORCE = offsetof(SoftParticle, force) - 4;
static_assert(offsetof(SoftParticle, pos) == ROW_MASS_POS + 4 && offsetof(SoftParticle, force) == ROW_VEL + 12 &&
              sizeof(SoftParticle) == ROW_FORCE + 16);
