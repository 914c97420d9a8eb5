#include "softbody/spring_forces.h"

#include "softbody/rows_avx2.h"
#include "softbody/soft_checks.h"

namespace {

inline void add_to_pair(SoftBody* body, const SoftSpring& spring, Vec3f f) {
  SoftParticle& a = body->particles[spring.a];
  SoftParticle& b = body->particles[spring.b];
  vec3f_add(&a.force, a.force, f);
  vec3f_sub(&b.force, b.force, f);
}

// Springs [0, end), last first.
bool add_springs_below(SoftBody* body, int32_t end) {
  bool fault = false;
  for (int32_t s = end - 1; s >= 0; --s) {
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
    fault |= soft_oversized(f);
    add_to_pair(body, spring, f);
  }
  return fault;
}

// Particle rows of four floats ending with a vector's x, y, z, so that no load
// reaches the force that the sums are writing.
static_assert(offsetof(SoftParticle, pos) == 4 && offsetof(SoftParticle, vel) == 16);

// Row k of each 128-bit half: the four floats that end with the vector at
// byte `offset` in the particles of spring k (low half) and spring k + 4
// (high half), a minus b.
template <size_t offset>
__attribute__((target("avx2"))) inline __m256 difference_row(const SoftBody* body, const SoftSpring* springs, int k) {
  auto row = [body](int32_t particle) {
    return reinterpret_cast<const float*>(reinterpret_cast<const char*>(&body->particles[particle]) + offset - 4);
  };
  return _mm256_sub_ps(_mm256_loadu2_m128(row(springs[k + 4].a), row(springs[k].a)),
                       _mm256_loadu2_m128(row(springs[k + 4].b), row(springs[k].b)));
}

// Spring rows as four floats from `b`: b, stiffness, rest, damping.
static_assert(offsetof(SoftSpring, stiffness) == offsetof(SoftSpring, b) + 4 &&
              offsetof(SoftSpring, rest) == offsetof(SoftSpring, b) + 8 &&
              offsetof(SoftSpring, damping) == offsetof(SoftSpring, b) + 12);

}  // namespace

bool add_spring_forces_plain(SoftBody* body) { return add_springs_below(body, body->spring_count); }

// Each lane runs the plain sequence for one spring: the same operations in the
// same order, with square root and division exact in both. The block's forces
// are then added one spring at a time, last first, as the plain loop does.
__attribute__((target("avx2"))) bool add_spring_forces_avx2(SoftBody* body) {
  const __m256 zero = _mm256_setzero_ps(), sign = _mm256_set1_ps(-0.0f);
  const __m256 limit = _mm256_set1_ps(SOFT_FORCE_LIMIT), one = _mm256_set1_ps(1.0f);
  __m256 in_limit = _mm256_castsi256_ps(_mm256_set1_epi32(-1));
  int32_t s = body->spring_count;
  for (; s >= 8; s -= 8) {
    const SoftSpring* springs = body->springs + s - 8;
    __m256 position[4], velocity[4], params[4];
    for (int k = 0; k < 4; ++k) {
      position[k] = difference_row<offsetof(SoftParticle, pos)>(body, springs, k);
      velocity[k] = difference_row<offsetof(SoftParticle, vel)>(body, springs, k);
      params[k] = _mm256_loadu2_m128(reinterpret_cast<const float*>(&springs[k + 4].b),
                                     reinterpret_cast<const float*>(&springs[k].b));
    }
    transpose4x2(position);
    transpose4x2(velocity);
    transpose4x2(params);
    const __m256* d = &position[1];
    const __m256* relative = &velocity[1];
    const __m256 stiffness = params[1], rest = params[2], damping = params[3];
    const __m256 length = _mm256_sqrt_ps(_mm256_add_ps(
        _mm256_add_ps(_mm256_mul_ps(d[0], d[0]), _mm256_mul_ps(d[1], d[1])), _mm256_mul_ps(d[2], d[2])));
    const __m256 stretching = _mm256_cmp_ps(length, zero, _CMP_NEQ_UQ);
    const __m256 inverse = _mm256_div_ps(one, length);
    const __m256 pull = _mm256_mul_ps(_mm256_xor_ps(_mm256_sub_ps(length, rest), sign), stiffness);
    const __m256 drag = _mm256_xor_ps(damping, sign);
    alignas(32) float f[3][8];
    for (int k = 0; k < 3; ++k) {
      const __m256 stretch = _mm256_and_ps(_mm256_mul_ps(_mm256_mul_ps(d[k], inverse), pull), stretching);
      const __m256 fk = _mm256_add_ps(_mm256_add_ps(zero, stretch), _mm256_mul_ps(relative[k], drag));
      in_limit = _mm256_and_ps(in_limit, _mm256_cmp_ps(_mm256_andnot_ps(sign, fk), limit, _CMP_LE_OQ));
      _mm256_store_ps(f[k], fk);
    }
    for (int j = 7; j >= 0; --j) add_to_pair(body, springs[j], {f[0][j], f[1][j], f[2][j]});
  }
  const bool fault = _mm256_movemask_ps(in_limit) != 0xFF;
  _mm256_zeroupper();  // the rest runs plain SSE code
  return add_springs_below(body, s) || fault;
}
