#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numeric>
#include <set>
#include <string>
#include <tuple>

#include "common/bof_write.h"
#include "meshgen/models.h"
#include "render3d/mesh.h"
#include "render3d/mesh_load.h"
#include "render3d/vec.h"
#include "support/files.h"

namespace {

struct Loaded : Mesh {
  Loaded(const char* name, const BofMesh& bof, float scale = 1.0f) : Mesh{} {
    const std::string path = testing::TempDir() + name;
    write_file(path, bof_format("test", bof));
    mesh_load(path.c_str(), this);
    if (scale != 1.0f) mesh_scale(this, scale);
  }
  ~Loaded() { mesh_free(this); }
  FixVec3 at(int i) const { return {vertices[i].x, vertices[i].y, vertices[i].z}; }
};

// Groups of vertices the soft body welds: exactly equal positions. Fails
// the test when two distinct positions are close enough to weld.
std::vector<int> weld_groups(const Loaded& m) {
  std::vector<int> group(m.vertex_count);
  std::map<std::tuple<int, int, int>, int> seen;
  std::vector<int> reps;
  for (int i = 0; i < m.vertex_count; ++i) {
    auto key = std::make_tuple(m.vertices[i].x, m.vertices[i].y, m.vertices[i].z);
    auto it = seen.find(key);
    if (it != seen.end()) {
      group[i] = it->second;
      continue;
    }
    for (int r : reps) {
      FixVec3 d;
      vec_sub(&d, m.at(r), m.at(i));
      EXPECT_GE(fix_to_float(vec_length_sq(d)), 0.0100000007f)
          << "vertices " << r << " and " << i << " would weld near (" << fix_to_float(m.vertices[i].x)
          << ", " << fix_to_float(m.vertices[i].y) << ", " << fix_to_float(m.vertices[i].z) << ")";
    }
    group[i] = static_cast<int>(reps.size());
    seen[key] = group[i];
    reps.push_back(i);
  }
  return group;
}

int find(std::vector<int>& parent, int i) {
  while (parent[i] != i) i = parent[i] = parent[parent[i]];
  return i;
}

// Per vertex, the part (faces joined through welded vertices) it belongs to.
std::vector<int> parts(const Loaded& m, const std::vector<int>& group) {
  std::vector<int> parent(*std::max_element(group.begin(), group.end()) + 1);
  std::iota(parent.begin(), parent.end(), 0);
  for (int f = 0; f < m.face_count; ++f) {
    const MeshFace& face = m.faces[f];
    parent[find(parent, group[face.i0])] = find(parent, group[face.i1]);
    parent[find(parent, group[face.i1])] = find(parent, group[face.i2]);
  }
  std::vector<int> part(m.vertex_count);
  for (int i = 0; i < m.vertex_count; ++i) part[i] = find(parent, group[i]);
  return part;
}

// Every welded part is closed or open only at its foot, and wound outward:
// its volume measured from a point on its lowest plane is positive.
void expect_outward(const Loaded& m, const std::vector<int>& group) {
  const std::vector<int> part = parts(m, group);
  std::map<int, double> low, volume;
  for (int i = 0; i < m.vertex_count; ++i) {
    const double y = m.vertices[i].y / 4096.0;
    if (!low.count(part[i]) || y < low[part[i]]) low[part[i]] = y;
  }
  for (int f = 0; f < m.face_count; ++f) {
    const MeshFace& face = m.faces[f];
    const int c = part[face.i0];
    double p[3][3];
    const int idx[3] = {face.i0, face.i1, face.i2};
    for (int k = 0; k < 3; ++k) {
      const FixVec3 v = m.at(idx[k]);
      p[k][0] = v.x / 4096.0, p[k][1] = v.y / 4096.0 - low[c], p[k][2] = v.z / 4096.0;
    }
    volume[c] += p[0][0] * (p[1][1] * p[2][2] - p[1][2] * p[2][1]) -
                 p[0][1] * (p[1][0] * p[2][2] - p[1][2] * p[2][0]) +
                 p[0][2] * (p[1][0] * p[2][1] - p[1][1] * p[2][0]);
  }
  for (const auto& [c, v] : volume) EXPECT_GT(v, 0.0) << "part " << c << " is wound inward";
}

// Every particle the soft body leaves free (beyond radius 1 of the origin)
// hangs on a pinned one through edges; a part with no pinned vertex would
// fall away from the body.
void expect_held_by_pins(const Loaded& m, const std::vector<int>& group) {
  const std::vector<int> part = parts(m, group);
  std::set<int> pinned_parts;
  int free_count = 0;
  for (int i = 0; i < m.vertex_count; ++i) {
    const Vec3f p = {fix_to_float(m.vertices[i].x), fix_to_float(m.vertices[i].y), fix_to_float(m.vertices[i].z)};
    if (vec3f_length(p) <= 1.0f) pinned_parts.insert(part[i]);
    else ++free_count;
  }
  for (int i = 0; i < m.vertex_count; ++i) EXPECT_TRUE(pinned_parts.count(part[i])) << "vertex " << i << " is on a part with no pin";
  EXPECT_GT(free_count, 20) << "nothing left to wobble";
}

float extent(const Loaded& m, int axis_a, int axis_b) {
  float r = 0;
  for (int i = 0; i < m.vertex_count; ++i) {
    const Fixed c[3] = {m.vertices[i].x, m.vertices[i].y, m.vertices[i].z};
    r = std::max(r, std::hypot(c[axis_a] / 4096.0f, c[axis_b] / 4096.0f));
  }
  return r;
}

}  // namespace

TEST(Meshgen, RobotLoadsWeldsCleanlyAndWobblesOnlyAtTheEnds) {
  const BofMesh bof = make_robot();
  Loaded m("bot1.bof", bof);
  ASSERT_EQ(m.vertex_count, static_cast<int>(bof.vertices.size()));
  ASSERT_EQ(m.face_count, static_cast<int>(bof.faces.size()));
  EXPECT_GT(m.edge_count, 0);
  EXPECT_LT(m.edge_count, EDGE_TABLE_CAPACITY);
  float lo = 1e9f, hi = -1e9f;
  for (int i = 0; i < m.vertex_count; ++i) {
    lo = std::min(lo, fix_to_float(m.vertices[i].y));
    hi = std::max(hi, fix_to_float(m.vertices[i].y));
  }
  EXPECT_NEAR(lo, -1.0f, 0.01f);  // feet
  EXPECT_GT(hi - lo, 2.0f);
  EXPECT_LT(hi - lo, 2.8f);
  const std::vector<int> group = weld_groups(m);
  expect_outward(m, group);
  expect_held_by_pins(m, group);
}

TEST(Meshgen, SaucerShownAtATenthWithAFreeRim) {
  const BofMesh bof = make_saucer();
  Loaded m("saucer.bof", bof, 0.1f);
  ASSERT_EQ(m.vertex_count, static_cast<int>(bof.vertices.size()));
  EXPECT_LT(m.edge_count, EDGE_TABLE_CAPACITY);
  EXPECT_NEAR(extent(m, 0, 2), 2.05f, 0.05f);
  const std::vector<int> group = weld_groups(m);
  expect_outward(m, group);
  expect_held_by_pins(m, group);
}

TEST(Meshgen, BuildingBlocksLeaveStreetsAtAnyTurn) {
  for (auto make : {make_building1, make_building2}) {
    const BofMesh bof = make();
    Loaded m("building.bof", bof);
    ASSERT_EQ(m.face_count, static_cast<int>(bof.faces.size()));
    EXPECT_LT(m.edge_count, EDGE_TABLE_CAPACITY);
    EXPECT_LE(extent(m, 0, 2), 18.0f);  // 4-unit streets on the 40-unit grid
    float top = 0;
    for (int i = 0; i < m.vertex_count; ++i) top = std::max(top, fix_to_float(m.vertices[i].y));
    EXPECT_GT(top, 40.0f);  // above the deepest sink of 18.6
    expect_outward(m, weld_groups(m));
  }
  EXPECT_NE(bof_format("b", make_building1()), bof_format("b", make_building2()));
}

TEST(BofWrite, TextRoundTripsThroughTheLoader) {
  BofMesh bof;
  bof.vertices = {{1.5f, -2, 0.25f, 0.5f, 1}, {0, 1, 0, 0, 0}, {-0.0f, 0, 1, 2.25f, 0}};
  bof.faces = {{0, 1, 2}};
  EXPECT_EQ(bof_format("t", bof),
            "t 3 1\n0 0 0\n0 1.5000 -2.0000 0.2500 0.5000 1.0000\n1 0.0000 1.0000 0.0000 0.0000 "
            "0.0000\n2 0.0000 0.0000 1.0000 2.2500 0.0000\n0 0 1 2\n");
  Loaded m("rt.bof", bof);
  EXPECT_EQ(m.vertices[0].x, 6144);
  EXPECT_EQ(m.vertices[2].u, 73728);
  EXPECT_FALSE(bof_write("/no/such/dir/x.bof", "t", bof));
}
