#include "softbody/spring_forces.h"

#include <immintrin.h>

#include <cmath>
#include <cstddef>

namespace {

// Springs [first, end) one at a time.
bool spring_range(const SoftBody* body, int32_t first, int32_t end, SpringForces out) {
  bool fault = false;
  for (int32_t s = first; s < end; ++s) {
    const SoftSpring& spring = body->springs[s];
    const SoftParticle& a = body->particles[spring.a];
    const SoftParticle& b = body->particles[spring.b];
    Vec3f d;
    vec3f_sub(&d, a.pos, b.pos);
    const float length = vec3f_length(d);
    Vec3f f = {0.0f, 0.0f, 0.0f};
    if (length != 0.0f) {
      Vec3f stretch;
      vec3f_scale(&stretch, d, 1.0f / length);
      vec3f_scale(&stretch, stretch, -(length - spring.rest) * spring.stiffness);
      vec3f_add(&f, f, stretch);
    }
    Vec3f relative;
    vec3f_sub(&relative, a.vel, b.vel);
    vec3f_scale(&relative, relative, -spring.damping);
    vec3f_add(&f, f, relative);
    fault |= !(std::fabs(f.x) <= SOFT_FORCE_LIMIT && std::fabs(f.y) <= SOFT_FORCE_LIMIT &&
               std::fabs(f.z) <= SOFT_FORCE_LIMIT);
    out.x[s] = f.x;
    out.y[s] = f.y;
    out.z[s] = f.z;
  }
  return fault;
}

bool cpu_has_avx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

// Field offsets in floats within the spring and particle records.
constexpr int SPRING_WORDS = sizeof(SoftSpring) / 4;
constexpr int PARTICLE_WORDS = sizeof(SoftParticle) / 4;
static_assert(sizeof(SoftSpring) % 4 == 0 && sizeof(SoftParticle) % 4 == 0);

}  // namespace

bool spring_forces_plain(const SoftBody* body, SpringForces out) {
  return spring_range(body, 0, body->spring_count, out);
}

// Each lane runs the plain sequence for one spring: the same operations in the
// same order, and square root and division are exact in both.
__attribute__((target("avx2"))) bool spring_forces_avx2(const SoftBody* body, SpringForces out) {
  const auto* spring_words = reinterpret_cast<const float*>(body->springs);
  const auto* particle_words = reinterpret_cast<const float*>(body->particles);
  const __m256i spring_step = _mm256_mullo_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7),
                                                 _mm256_set1_epi32(SPRING_WORDS));
  const __m256i particle_words_each = _mm256_set1_epi32(PARTICLE_WORDS);
  const __m256 zero = _mm256_setzero_ps();
  const __m256 sign = _mm256_set1_ps(-0.0f);
  const __m256 limit = _mm256_set1_ps(SOFT_FORCE_LIMIT);
  constexpr int POS = offsetof(SoftParticle, pos) / 4, VEL = offsetof(SoftParticle, vel) / 4;
  __m256 in_limit = _mm256_castsi256_ps(_mm256_set1_epi32(-1));
  int32_t s = 0;
  for (; s + 8 <= body->spring_count; s += 8) {
    const float* base = spring_words + static_cast<int64_t>(s) * SPRING_WORDS;
    const __m256i ia = _mm256_i32gather_epi32(reinterpret_cast<const int*>(base) + offsetof(SoftSpring, a) / 4,
                                              spring_step, 4);
    const __m256i ib = _mm256_i32gather_epi32(reinterpret_cast<const int*>(base) + offsetof(SoftSpring, b) / 4,
                                              spring_step, 4);
    const __m256 stiffness = _mm256_i32gather_ps(base + offsetof(SoftSpring, stiffness) / 4, spring_step, 4);
    const __m256 rest = _mm256_i32gather_ps(base + offsetof(SoftSpring, rest) / 4, spring_step, 4);
    const __m256 damping = _mm256_i32gather_ps(base + offsetof(SoftSpring, damping) / 4, spring_step, 4);
    const __m256i oa = _mm256_mullo_epi32(ia, particle_words_each);
    const __m256i ob = _mm256_mullo_epi32(ib, particle_words_each);
    __m256 d[3], relative[3];
    for (int k = 0; k < 3; ++k) {
      d[k] = _mm256_sub_ps(_mm256_i32gather_ps(particle_words + POS + k, oa, 4),
                           _mm256_i32gather_ps(particle_words + POS + k, ob, 4));
      relative[k] = _mm256_sub_ps(_mm256_i32gather_ps(particle_words + VEL + k, oa, 4),
                                  _mm256_i32gather_ps(particle_words + VEL + k, ob, 4));
    }
    const __m256 length = _mm256_sqrt_ps(_mm256_add_ps(
        _mm256_add_ps(_mm256_mul_ps(d[0], d[0]), _mm256_mul_ps(d[1], d[1])), _mm256_mul_ps(d[2], d[2])));
    const __m256 stretching = _mm256_cmp_ps(length, zero, _CMP_NEQ_UQ);
    const __m256 inverse = _mm256_div_ps(_mm256_set1_ps(1.0f), length);
    const __m256 pull = _mm256_mul_ps(_mm256_xor_ps(_mm256_sub_ps(length, rest), sign), stiffness);
    const __m256 drag = _mm256_xor_ps(damping, sign);
    __m256 f[3];
    for (int k = 0; k < 3; ++k) {
      const __m256 stretch = _mm256_and_ps(_mm256_mul_ps(_mm256_mul_ps(d[k], inverse), pull), stretching);
      f[k] = _mm256_add_ps(_mm256_add_ps(zero, stretch), _mm256_mul_ps(relative[k], drag));
      in_limit = _mm256_and_ps(in_limit, _mm256_cmp_ps(_mm256_andnot_ps(sign, f[k]), limit, _CMP_LE_OQ));
    }
    _mm256_storeu_ps(out.x + s, f[0]);
    _mm256_storeu_ps(out.y + s, f[1]);
    _mm256_storeu_ps(out.z + s, f[2]);
  }
  const bool fault = _mm256_movemask_ps(in_limit) != 0xFF;
  return spring_range(body, s, body->spring_count, out) || fault;
}

bool spring_forces(const SoftBody* body, SpringForces out) {
  return cpu_has_avx2() ? spring_forces_avx2(body, out) : spring_forces_plain(body, out);
}
