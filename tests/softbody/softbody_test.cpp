#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <tuple>
#include <vector>

#include "common/simd.h"
#include "softbody/softbody.h"
#include "softbody/particle_step.h"
#include "softbody/spring_forces.h"
#include "support/skip_policy.h"

namespace {

// A mesh over test-owned arrays; positions in mesh units.
struct TestMesh {
  std::vector<MeshVertex> vertices;
  std::vector<MeshFace> faces;
  Mesh mesh{};

  TestMesh(std::vector<Vec3f> points, std::vector<std::array<int, 3>> triangles) {
    for (const Vec3f& p : points) {
      vertices.push_back({});
      std::tie(vertices.back().x, vertices.back().y, vertices.back().z) =
          std::tuple(Fixed(p.x * 4096.0f), Fixed(p.y * 4096.0f), Fixed(p.z * 4096.0f));
    }
    for (const auto& t : triangles) faces.push_back({t[0], t[1], t[2], 0, 0, 0, 0, 0});
    std::tie(mesh.vertex_count, mesh.face_count, mesh.frame_count, mesh.texture) =
        std::tuple(static_cast<int32_t>(vertices.size()), static_cast<int32_t>(faces.size()), 1, -1);
    std::tie(mesh.vertices, mesh.faces) = std::tuple(vertices.data(), faces.data());
  }
};

struct SoftBodyTest : testing::Test {
  SoftBody body{};
  void SetUp() override { soft_set_ground(0.0f, 0.2f, 100.0f, 2.0f); }
  void TearDown() override { soft_free(&body); }
  void build(TestMesh& m, float pin_radius = 1.0f, float stiffness = 1000.0f) {
    soft_build(&body, &m.mesh, {0.0f, 0.0f, 0.0f}, pin_radius, 0.05f, 0.2f, stiffness, 0.02f);
  }
};

}  // namespace

TEST_F(SoftBodyTest, WeldsVerticesCloserThanATenthAndMovesThemTogether) {
  // 0.1 apart still welds (truncated fixed point: 409 * 409 >> 12 = 40 < 0.01 * 4096); 0.11 does not.
  TestMesh m({{3, 3, 0}, {3.1f, 3, 0}, {3, 3.11f, 0}, {4, 4, 0}}, {{0, 2, 3}, {1, 2, 3}});
  build(m);
  EXPECT_EQ(std::tuple(body.particle_count, body.vertex_map[0] == body.vertex_map[1], body.vertex_map[0] == body.vertex_map[2]),
            std::tuple(3, true, false));
  for (int i = 0; i < 20; ++i) soft_step(&body, 0.002f);
  soft_write_back(&body);
  EXPECT_EQ(std::tuple(m.vertices[0].x, m.vertices[0].y), std::tuple(m.vertices[1].x, m.vertices[1].y));
  EXPECT_NE(m.vertices[0].y, static_cast<Fixed>(3 * 4096));  // it fell
}

TEST_F(SoftBodyTest, OneSpringPerDistinctParticlePair) {
  // Two triangles sharing the edge 1-2, walked in opposite directions.
  TestMesh quad({{2, 2, 0}, {3, 2, 0}, {2, 3, 0}, {3, 3, 0}}, {{0, 1, 2}, {2, 1, 3}});
  build(quad);
  EXPECT_EQ(std::tuple(body.spring_count, body.springs[1].rest), std::tuple(5, std::sqrt(2.0f)));
  soft_free(&body);
  // A triangle with two welded corners is one spring, not three.
  TestMesh sliver({{2, 2, 0}, {2.01f, 2, 0}, {2, 3, 0}}, {{0, 1, 2}});
  build(sliver);
  EXPECT_EQ(body.spring_count, 1);
}

TEST_F(SoftBodyTest, PinnedParticlesFollowTheRigidMotionExactly) {
  TestMesh m({{0.5f, 0.5f, 0}, {0.25f, 0.5f, 0.25f}, {3, 2, 0}}, {{0, 1, 2}});
  build(m);
  ASSERT_EQ(std::tuple(body.particles[0].mass, body.particles[1].mass, body.particles[2].mass),
            std::tuple(0.0f, 0.0f, 0.05f));
  const Vec3f velocity = {1.0f, 0.5f, -2.0f}, spin = {0.7f, 0.0f, 0.0f};
  soft_set_motion(&body, &velocity, &spin);
  for (int i = 0; i < 50; ++i) soft_step(&body, 0.002f);
  soft_write_back(&body);
  EXPECT_EQ(std::tuple(m.vertices[0].x, m.vertices[0].y, m.vertices[1].z, body.particles[0].vel.x),
            std::tuple(2048, 2048, 1024, 0.0f));
  EXPECT_TRUE(std::abs(m.mesh.pos.x - 0.1f) < 1e-5f && std::abs(m.mesh.yaw - 0.07f) < 1e-5f) << m.mesh.pos.x << " " << m.mesh.yaw;
  EXPECT_NE(body.particles[2].vel.x, 0.0f);  // the free particle is pulled along
}

TEST_F(SoftBodyTest, GroundPushesParticlesBackUpAndHoldsTheBody) {
  TestMesh m({{3, 0.05f, 0}}, {});
  build(m);
  float lowest = 1.0f;
  bool rose = false;
  for (int i = 0; i < 400; ++i) {
    soft_step(&body, 0.002f);
    lowest = std::min(lowest, body.particles[0].pos.y);
    rose |= body.particles[0].vel.y > 0.0f;
  }
  EXPECT_TRUE(lowest < 0.0f && lowest > -0.2f && rose) << lowest;
  soft_free(&body);

  // The rigid body itself is kept on the ground.
  TestMesh rigid({{0, 0.5f, 0}}, {});
  build(rigid);
  body.pos.y = 0.1f;
  const Vec3f falling = {1.0f, -5.0f, 0.0f};
  soft_set_motion(&body, &falling, nullptr);
  soft_step(&body, 0.1f);
  EXPECT_EQ(std::tuple(body.pos.y, body.vel.y, body.vel.x), std::tuple(0.0f, 0.0f, 1.0f));
  EXPECT_NEAR(rigid.mesh.pos.y, -0.1f, 1e-6f);  // the mesh moved by what the body really moved
}

TEST_F(SoftBodyTest, SpeedCutOffs) {
  soft_set_ground(-1000.0f, 0.2f, 100.0f, 2.0f);
  TestMesh m({{3, 0, 0}}, {});
  build(m);
  // A step so short that gravity adds less than the rest cut-off: the
  // velocity is stopped every step and the particle barely creeps.
  for (int i = 0; i < 10; ++i) soft_step(&body, 1e-7f);
  EXPECT_TRUE(body.particles[0].vel.y == 0.0f && body.particles[0].pos.y > -1e-11f);
  // A runaway particle moves once more and is then stopped.
  body.particles[0].vel = {200000.0f, 0.0f, 0.0f};
  soft_step(&body, 0.001f);
  EXPECT_TRUE(body.particles[0].vel.x == 0.0f && std::abs(body.particles[0].pos.x - (3.0f + 199.92f)) < 0.01f)
      << body.particles[0].pos.x;
}

TEST_F(SoftBodyTest, FaultsHoldTheBodyInsteadOfSpreadingNaN) {
  TestMesh m({{2, 2, 0}, {3, 2, 0}, {2, 3, 0}}, {{0, 1, 2}});
  build(m, 1.0f, 1e30f);
  body.particles[0].pos.x = 2.5f;  // stretch a spring with an absurd stiffness
  const SoftParticle held = body.particles[1];
  soft_step(&body, 0.002f);
  EXPECT_EQ(std::tuple(body.active, body.particles[1].pos.x, body.particles[1].pos.y), std::tuple(0, held.pos.x, held.pos.y));
  soft_free(&body);

  build(m);
  const Vec3f nan_velocity = {NAN, 0.0f, 0.0f};
  soft_set_motion(&body, &nan_velocity, nullptr);
  for (int i = 0; i < 2; ++i) soft_step(&body, 0.002f);
  EXPECT_EQ(body.active, 0);
  soft_write_back(&body);
  for (const MeshVertex& v : m.vertices) EXPECT_GT(v.x, 4096);
  EXPECT_TRUE(std::isfinite(m.mesh.pos.x));
}

// The eight-wide step parts against the one-at-a-time definition on random
// particles: blocks of eight and a rest, zero length, NaN, pinned particles,
// particles under the ground, and a non-finite state that stops the Euler step.
TEST(SoftStepLanes, EightAtATimeMatchesOneAtATimeBitForBit) {
  if (!cpu_has_avx2()) GTEST_SKIP() << SKIP_NO_AVX2;
  std::mt19937 rng(17);
  std::uniform_real_distribution<float> coord(-2.0f, 2.0f);
  std::vector<SoftParticle> plain(43);
  for (SoftParticle& p : plain)
    p = {rng() % 3 ? 0.05f : 0.0f, {coord(rng), coord(rng), coord(rng)}, {coord(rng), coord(rng), coord(rng)}, {coord(rng), 0.0f, -0.0f}};
  plain[1].pos = plain[0].pos;  // spring 3 has length 0
  plain[2].vel.x = NAN;
  plain[40].vel = {1e-6f, 0.0f, 0.0f};
  plain[41].vel.y = 2e5f;
  std::vector<SoftSpring> springs(37);
  for (size_t s = 0; s < springs.size(); ++s)
    springs[s] = {static_cast<int32_t>(s % 3), static_cast<int32_t>(rng() % 43), 1000.0f * coord(rng), coord(rng), coord(rng)};
  springs[3].b = 1;
  std::vector<SoftParticle> fast = plain;
  SoftBody body{};
  std::tie(body.springs, body.spring_count, body.particle_count, body.drag) = std::tuple(springs.data(), 37, 43, 0.02f);
  soft_set_ground(0.5f, 0.2f, 100.0f, 2.0f);
  ASSERT_TRUE(soft_index_springs(&body));
  auto both = [&](auto step) {
    body.particles = plain.data();
    const bool plain_result = step(&body, false);
    body.particles = fast.data();
    EXPECT_EQ(step(&body, true), plain_result);
    return std::memcmp(plain.data(), fast.data(), plain.size() * sizeof(SoftParticle)) == 0;
  };
  auto spring_step = [](SoftBody* b, bool avx2) { return avx2 ? add_spring_forces_avx2(b) : add_spring_forces_plain(b); };
  EXPECT_TRUE(both(spring_step));  // with a NaN force: the plain order of sums
  EXPECT_TRUE(both([](SoftBody* b, bool avx2) { return avx2 ? add_particle_forces_avx2(b) : add_particle_forces_plain(b); }));
  plain[2].vel.x = fast[2].vel.x = 0.0f;
  EXPECT_TRUE(both(spring_step));  // each particle's own sum
  auto integrate = [](SoftBody* b, bool avx2) { return avx2 ? integrate_avx2(b, 0.002f) : integrate_plain(b, 0.002f); };
  EXPECT_TRUE(both(integrate));
  for (auto* p : {&plain, &fast}) std::tie((*p)[13].mass, (*p)[13].force.z) = std::tuple(0.05f, INFINITY);
  EXPECT_TRUE(both(integrate));
  EXPECT_TRUE(integrate(&body, false));  // particle 13 still stops it
  delete[] body.spring_force;
  delete[] body.incident;
  delete[] body.incident_start;
}
