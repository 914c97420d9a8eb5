#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <numeric>
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

}  // namespace

// Every model fits the edge table, welds only what is meant to and is wound
// outward; the blocks leave the streets free.
TEST(Meshgen, ModelsWeldCleanlyFaceOutwardAndKeepTheirBounds) {
  const struct {
    BofMesh (*make)();
    float scale;
    bool block;
  } models[] = {{make_robot, 1.0f, false}, {make_saucer, 0.1f, false}, {make_building1, 1.0f, true}, {make_building2, 1.0f, true}};
  for (const auto& model : models) {
    Loaded m("model.bof", model.make(), model.scale);
    EXPECT_GT(m.edge_count, 0);
    EXPECT_LT(m.edge_count, EDGE_TABLE_CAPACITY);
    expect_outward(m, weld_groups(m));
    for (int i = 0; model.block && i < m.vertex_count; ++i)  // 4-unit streets on the 40-unit grid
      ASSERT_LE(std::hypot(fix_to_float(m.vertices[i].x), fix_to_float(m.vertices[i].z)), 18.0f) << i;
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
