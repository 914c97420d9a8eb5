#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>

#include "image/image.h"
#include "render3d/mesh.h"
#include "render3d/mesh_load.h"
#include "support/files.h"
#include "support/temp_path.h"

namespace {

std::string write_temp(const char* name, const std::string& text) {
  const std::string path = temp_path(name);
  write_file(path, text);
  return path;
}

// Two triangles sharing the edge 1-2, walked 1-2 in one and 2-1 in the other.
const char* QUAD =
    "quad 4 2\n0.5 7 9\n"
    "7 1.5 -2 0.25 0.5 1\n"
    "3 1 0 0 1 0\n"
    "9 0 1 0 0 1\n"
    "1 1 1 0 1 1\n"
    "0 0 1 2\n"
    "5 2 1 3\n";

struct LoadedMesh : Mesh {
  LoadedMesh() : Mesh{} {}
  ~LoadedMesh() { mesh_free(this); }
};

}  // namespace

TEST(MeshLoad, SharedEdgeIndicesConversionsScaleAndFree) {
  LoadedMesh m;
  mesh_load(write_temp("quad.bof", QUAD).c_str(), &m);
  ASSERT_EQ(std::tuple(m.vertex_count, m.face_count, m.frame_count, m.edge_count), std::tuple(4, 2, 1, 5));
  // The shared edge is one record although walked both ways.
  EXPECT_EQ(m.faces[0].e12, m.faces[1].e01);
  EXPECT_EQ(std::tuple(m.edges[m.faces[0].e12].a, m.edges[m.faces[0].e12].b), std::tuple(1, 2));
  // The index leading each vertex entry (7, 3, 9) is ignored.
  const MeshVertex& v = m.vertices[0];
  EXPECT_EQ(std::tuple(v.x, v.y, v.z, v.u, v.v, m.vertices[1].x, m.faces[1].i0),
            std::tuple(6144, -8192, 1024, 16384, 32768, 4096, 2));
  // The three floats after the counts have no effect.
  EXPECT_EQ(std::tuple(m.pos.x, m.pos.z, m.yaw, m.texture, m.frame), std::tuple(0.0f, 0.0f, 0.0f, -1, 0));

  mesh_scale(&m, 0.1f);
  // 409/4096, not exactly 0.1; texture coordinates stay.
  EXPECT_EQ(std::tuple(m.vertices[0].x, m.vertices[0].y, m.vertices[0].u),
            std::tuple((6144 * 409) >> 12, (-8192 * 409) >> 12, 16384));
  m.texture = 3;
  mesh_free(&m);
  EXPECT_EQ(std::tuple(m.vertex_count, m.vertices, m.texture), std::tuple(0, nullptr, -1));
}

TEST(MeshLoad, MultiFrameVariant) {
  LoadedMesh m;
  mesh_load_frames(write_temp("frames.bof",
                              "anim 3 1 2 0 0 0\n"
                              "0 0 0 0 0 0  1 1 0 0 0 0  2 0 1 0 0 0\n"
                              "0 0 0 1 0 0  1 2 0 1 0 0  2 0 2 1 0 0\n"
                              "0 0 1 2\n")
                       .c_str(),
                   &m);
  ASSERT_EQ(std::tuple(m.frame_count, m.vertex_count, m.edge_count), std::tuple(2, 3, 3));
  EXPECT_EQ(m.vertices[4].x, 2 * FIX_ONE);
  mesh_compute_normals(&m);
  // Both frames get normals: the second frame's triangle faces along z too.
  EXPECT_EQ(std::tuple(m.vertices[0].nz, m.vertices[3].nz), std::tuple(FIX_ONE, FIX_ONE));
}

TEST(MeshLoad, BadFilesLeaveTheMeshEmpty) {
  const char* bad[] = {
      "t 3 1 0 0 0  0 0 0 0 0 0  1 1 0 0 0 0  2 0 1 0 0 0  0 0 1 3",      // index not below count
      "t 3 1 0 0 0  0 0 0 0 0 0  1 1 0 zero 0 0  2 0 1 0 0 0  0 0 1 2",   // unparsable
      "t 3 1 0 0 0  0 0 0 0 0 0  1 1 0 0 0 0  2 0 1 0 0 0  0 0 -1 2",     // negative index
      "t 99999999 1 0 0 0  0 0 0 0 0 0",                                  // counts beyond the file
      "t",
      "",
  };
  for (const char* text : bad) {
    LoadedMesh m;
    m.texture = 5;
    testing::internal::CaptureStderr();
    mesh_load(write_temp("bad.bof", text).c_str(), &m);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::tuple(m.vertex_count, m.face_count, m.edge_count, m.texture), std::tuple(0, 0, 0, -1)) << text;
    EXPECT_NE(err.find("bad.bof"), std::string::npos) << text;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  }
}

// A file that is there but wrong is called malformed, with what is wrong and
// on which line; only a file that cannot be opened is "not found".
TEST(MeshLoad, MalformedIsToldApartFromMissing) {
  const std::string bad = write_temp("lines.bof", "t\n3 1 1\n0 0 0\n0 0 0 0 0 0\n1 1 0 zero 0 0\n2 0 1 0 0 0\n0 0 1 2\n");
  LoadedMesh m;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  mesh_load_frames(bad.c_str(), &m);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), MSG_MALFORMED_FILE);
  EXPECT_EQ(err, "Bof:" + bad + ":5: bad or missing vertex number\n");

  LoadedMesh missing;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  mesh_load_frames("no/such/file.bof", &missing);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Bof:no/such/file.bof: cannot open\n");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), MSG_FILE_NOT_FOUND);
  EXPECT_EQ(std::tuple(missing.vertices, missing.texture), std::tuple(nullptr, -1));
}

namespace {

// A fan of `n` triangles around vertex 0 (2n + 1 distinct edges), closed by
// one more triangle when `close` is set (one edge more).
std::string fan_mesh(int n, bool close) {
  std::string text = "fan " + std::to_string(n + 2) + " " + std::to_string(n + close) + " 0 0 0\n";
  for (int i = 0; i < n + 2; ++i) text += std::to_string(i) + " " + std::to_string(i) + " 0 0 0 0\n";
  for (int i = 0; i < n; ++i) text += "0 0 " + std::to_string(i + 1) + " " + std::to_string(i + 2) + "\n";
  if (close) text += "0 0 " + std::to_string(n + 1) + " 1\n";
  return text;
}

}  // namespace

TEST(MeshLoad, DistinctEdgesBeyondTheTableAreRefused) {
  LoadedMesh full;
  mesh_load(write_temp("fan.bof", fan_mesh(8191, true)).c_str(), &full);
  EXPECT_EQ(full.edge_count, EDGE_TABLE_CAPACITY);

  LoadedMesh over;
  testing::internal::CaptureStderr();
  mesh_load(write_temp("fan2.bof", fan_mesh(8192, false)).c_str(), &over);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("fan2.bof"), std::string::npos);
  EXPECT_EQ(std::tuple(over.edge_count, over.face_count, over.edges), std::tuple(0, 0, nullptr));
}

TEST(MeshNormals, AreaWeightedAndUnitLength) {
  LoadedMesh m;
  mesh_load(write_temp("quadn.bof", QUAD).c_str(), &m);
  mesh_compute_normals(&m);
  for (int i = 0; i < m.vertex_count; ++i) {
    const MeshVertex& v = m.vertices[i];
    const int64_t len2 = int64_t{v.nx} * v.nx + int64_t{v.ny} * v.ny + int64_t{v.nz} * v.nz;
    EXPECT_TRUE(len2 <= 4096 * 4096 && len2 >= 4080 * 4080) << i;
  }
  // A vertex used by no face keeps a zero normal.
  LoadedMesh lone;
  mesh_load(write_temp("lone.bof", "t 4 1 0 0 0 0 0 0 0 0 0 1 1 0 0 0 0 2 0 1 0 0 0 3 5 5 5 0 0 0 0 1 2").c_str(), &lone);
  mesh_compute_normals(&lone);
  EXPECT_EQ(std::tuple(lone.vertices[3].nx, lone.vertices[3].nz, lone.vertices[0].nz), std::tuple(0, 0, FIX_ONE));
}
