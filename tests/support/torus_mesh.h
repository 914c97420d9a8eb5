#pragma once
// A torus mesh built in memory (tests and benchmarks): `rings` around the
// axis, `sides` around the tube, two triangles per quad, texture u running
// round the ring `u_turns` times.
#include <cmath>
#include <cstdlib>
#include <vector>

#include "render3d/mesh.h"

struct TorusMesh {
  std::vector<MeshVertex> vertices;
  std::vector<MeshFace> faces;
  Mesh mesh = {};

  TorusMesh(int rings, int sides, double tube, int u_turns) {
    for (int i = 0; i < rings; ++i) {
      for (int j = 0; j < sides; ++j) {
        const double a = 2 * M_PI * i / rings, b = 2 * M_PI * j / sides;
        const double r = 1.0 + tube * std::cos(b);
        MeshVertex v = {};
        v.x = fix_from_float(static_cast<float>(r * std::cos(a)));
        v.y = fix_from_float(static_cast<float>(tube * std::sin(b)));
        v.z = fix_from_float(static_cast<float>(r * std::sin(a)));
        v.u = UV_ONE * u_turns * i / rings;
        v.v = UV_ONE * j / sides;
        vertices.push_back(v);
      }
    }
    auto at = [&](int i, int j) { return (i % rings) * sides + j % sides; };
    for (int i = 0; i < rings; ++i) {
      for (int j = 0; j < sides; ++j) {
        faces.push_back({at(i, j), at(i, j + 1), at(i + 1, j + 1), 0, 0, 0, 0, 0});
        faces.push_back({at(i, j), at(i + 1, j + 1), at(i + 1, j), 0, 0, 0, 0, 0});
      }
    }
    mesh.vertex_count = rings * sides;
    mesh.face_count = static_cast<int32_t>(faces.size());
    mesh.frame_count = 1;
    mesh.vertices = vertices.data();
    mesh.faces = faces.data();
    mesh_build_edges(&mesh);
    mesh_compute_normals(&mesh);
  }
  ~TorusMesh() { std::free(mesh.edges); }
  TorusMesh(const TorusMesh&) = delete;
  TorusMesh& operator=(const TorusMesh&) = delete;
};
