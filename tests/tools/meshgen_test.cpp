#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <numeric>
#include <set>
#include <string>
#include <tuple>

#include "tools/common/bof_write.h"
#include "tools/meshgen/models.h"
#include "render3d/mesh.h"
#include "render3d/mesh_load.h"
#include "render3d/vec.h"
#include "support/files.h"
#include "support/temp_path.h"

namespace {

struct Loaded : Mesh {
  Loaded(const char* name, const BofMesh& bof, float scale = 1.0f) : Mesh{} {
    const std::string path = temp_path(name);
    write_file(path, bof_format("test", bof));
    mesh_load(path.c_str(), this);
    if (scale != 1.0f) mesh_scale(this, scale);
  }
  ~Loaded() { mesh_free(this); }
  FixVec3 at(int i) const { return {vertices[i].x, vertices[i].y, vertices[i].z}; }
};

// Welded groups (equal positions); fails on distinct positions close enough to weld.
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

// Each welded part is wound outward: positive volume from a point on its lowest plane.
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
    auto rel = [&](int i) { return std::array{m.at(i).x / 4096.0, m.at(i).y / 4096.0 - low[c], m.at(i).z / 4096.0}; };
    const auto a = rel(face.i0), b = rel(face.i1), d = rel(face.i2);
    volume[c] += a[0] * (b[1] * d[2] - b[2] * d[1]) - a[1] * (b[0] * d[2] - b[2] * d[0]) + a[2] * (b[0] * d[1] - b[1] * d[0]);
  }
  for (const auto& [c, v] : volume) EXPECT_GT(v, 0.0) << "part " << c << " is wound inward";
}

// Free particles (beyond radius 1) must hang on a pinned one, or their part falls away.
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

TEST(Meshgen, RobotAndSaucerWeldCleanlyAndWobbleOnlyAtTheEnds) {
  Loaded robot("bot1.bof", make_robot());
  float lo = 1e9f, hi = -1e9f;
  for (int i = 0; i < robot.vertex_count; ++i) {
    lo = std::min(lo, fix_to_float(robot.vertices[i].y));
    hi = std::max(hi, fix_to_float(robot.vertices[i].y));
  }
  EXPECT_NEAR(lo, -1.0f, 0.01f);  // feet
  EXPECT_GT(hi - lo, 2.0f);
  EXPECT_LT(hi - lo, 2.8f);
  Loaded saucer("saucer.bof", make_saucer(), 0.1f);  // shown at a tenth
  EXPECT_NEAR(extent(saucer, 0, 2), 2.05f, 0.05f);
  for (const Loaded* m : {&robot, &saucer}) {
    EXPECT_GT(m->edge_count, 0);
    EXPECT_LT(m->edge_count, EDGE_TABLE_CAPACITY);
    const std::vector<int> group = weld_groups(*m);
    expect_outward(*m, group);
    expect_held_by_pins(*m, group);
  }
}

TEST(Meshgen, BuildingBlocksLeaveStreetsAtAnyTurn) {
  for (auto make : {make_building1, make_building2}) {
    Loaded m("building.bof", make());
    EXPECT_LT(m.edge_count, EDGE_TABLE_CAPACITY);
    EXPECT_LE(extent(m, 0, 2), 18.0f);  // 4-unit streets on the 40-unit grid
    float top = 0;
    for (int i = 0; i < m.vertex_count; ++i) top = std::max(top, fix_to_float(m.vertices[i].y));
    EXPECT_GT(top, 40.0f);  // above the deepest sink of 18.6
    expect_outward(m, weld_groups(m));
  }
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
