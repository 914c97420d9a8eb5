#pragma once
// Building blocks for the show's meshes. Every face is wound so that its
// right-hand normal, (p1 - p0) x (p2 - p0), points out of the solid: the
// rasterizer draws exactly the faces whose normal turns toward the camera.
#include <functional>
#include <vector>

#include "tools/common/bof_write.h"

struct V3 {
  float x, y, z;
};

V3 operator+(V3 a, V3 b);
V3 operator-(V3 a, V3 b);
V3 operator*(V3 a, float s);
V3 cross(V3 a, V3 b);
float dot(V3 a, V3 b);
V3 normalized(V3 a);
// Turned about the vertical axis by `angle` radians (x toward -z).
V3 turned_y(V3 p, float angle);

// Texture coordinates for a point of a face: (point, face normal) -> (u, v).
using UvMap = std::function<void(V3 p, V3 normal, float* u, float* v)>;

// One ring of a loft: centre, half sizes across (along the ring's "up" and
// "side" directions).
struct LoftRing {
  V3 centre;
  float up, side;
};

class MeshBuilder {
 public:
  // A flat-shaded rectangle o, o+U, o+U+V, o+V (U x V points outward),
  // cut into cells no larger than `cell` on either side.
  void face(V3 o, V3 u, V3 v, float cell, const UvMap& uv);
  // An axis-aligned box; `bottom` false leaves out the downward face.
  void box(V3 lo, V3 hi, float cell, const UvMap& uv, bool bottom = true);
  // A smooth tube through the rings, with `sides` corners a ring (4 gives a
  // rectangle of exactly the half sizes), closed at both ends by fans to
  // the given cap points. `up_hint` fixes the ring orientation. `brace`
  // adds hidden triangles inside the tube, both ways round so that they
  // cancel in the vertex normals: their edges become springs that keep a
  // soft body's tube from folding over.
  void loft(const std::vector<LoftRing>& rings, int sides, V3 up_hint, V3 start_cap, V3 end_cap,
            const UvMap& uv, bool brace = false);
  // Applies f to every vertex added since `first`.
  void transform_from(size_t first, const std::function<V3(V3)>& f);
  size_t vertex_count() const { return mesh_.vertices.size(); }
  const BofMesh& mesh() const { return mesh_; }

 private:
  int vertex(V3 p, V3 normal, const UvMap& uv);
  void tri(int a, int b, int c) { mesh_.faces.push_back({a, b, c}); }
  BofMesh mesh_;
};
