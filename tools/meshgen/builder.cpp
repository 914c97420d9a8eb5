#include "tools/meshgen/builder.h"

#include <cmath>

V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 normalized(V3 a) {
  const float l = std::sqrt(dot(a, a));
  return l > 0 ? a * (1.0f / l) : a;
}
V3 turned_y(V3 p, float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  return {p.x * c + p.z * s, p.y, -p.x * s + p.z * c};
}

int MeshBuilder::vertex(V3 p, V3 normal, const UvMap& uv) {
  BofVertex v = {p.x, p.y, p.z, 0, 0};
  uv(p, normal, &v.u, &v.v);
  mesh_.vertices.push_back(v);
  return static_cast<int>(mesh_.vertices.size() - 1);
}

void MeshBuilder::face(V3 o, V3 u, V3 v, float cell, const UvMap& uv) {
  const V3 n = normalized(cross(u, v));
  const int nu = std::max(1, static_cast<int>(std::ceil(std::sqrt(dot(u, u)) / cell - 0.01f)));
  const int nv = std::max(1, static_cast<int>(std::ceil(std::sqrt(dot(v, v)) / cell - 0.01f)));
  const int base = static_cast<int>(mesh_.vertices.size());
  for (int j = 0; j <= nv; ++j) {
    for (int i = 0; i <= nu; ++i) vertex(o + u * (float(i) / nu) + v * (float(j) / nv), n, uv);
  }
  auto at = [&](int i, int j) { return base + j * (nu + 1) + i; };
  for (int j = 0; j < nv; ++j) {
    for (int i = 0; i < nu; ++i) {
      tri(at(i, j), at(i + 1, j), at(i + 1, j + 1));
      tri(at(i, j), at(i + 1, j + 1), at(i, j + 1));
    }
  }
}

void MeshBuilder::box(V3 lo, V3 hi, float cell, const UvMap& uv, bool bottom) {
  const float dx = hi.x - lo.x, dy = hi.y - lo.y, dz = hi.z - lo.z;
  face({hi.x, lo.y, hi.z}, {0, 0, -dz}, {0, dy, 0}, cell, uv);  // +x
  face({lo.x, lo.y, lo.z}, {0, 0, dz}, {0, dy, 0}, cell, uv);   // -x
  face({lo.x, lo.y, hi.z}, {dx, 0, 0}, {0, dy, 0}, cell, uv);   // +z
  face({hi.x, lo.y, lo.z}, {-dx, 0, 0}, {0, dy, 0}, cell, uv);  // -z
  face({lo.x, hi.y, hi.z}, {dx, 0, 0}, {0, 0, -dz}, cell, uv);  // top
  if (bottom) face({lo.x, lo.y, lo.z}, {dx, 0, 0}, {0, 0, dz}, cell, uv);
}

void MeshBuilder::loft(const std::vector<LoftRing>& rings, int sides, V3 up_hint, V3 start_cap,
                       V3 end_cap, const UvMap& uv, bool brace) {
  const int n = static_cast<int>(rings.size());
  std::vector<int> first(n);
  for (int k = 0; k < n; ++k) {
    const V3 prev = rings[k > 0 ? k - 1 : k].centre;
    const V3 next = rings[k < n - 1 ? k + 1 : k].centre;
    const V3 t = normalized(next - prev);
    const V3 a = normalized(up_hint - t * dot(up_hint, t));
    const V3 b = cross(t, a);
    // Four sides: corners at 45 degrees, scaled so the half sizes are exact.
    const float scale = sides == 4 ? std::sqrt(2.0f) : 1.0f;
    const float offset = sides == 4 ? float(M_PI) / 4 : 0.0f;
    first[k] = static_cast<int>(mesh_.vertices.size());
    for (int j = 0; j < sides; ++j) {
      const float angle = offset + 2 * float(M_PI) * j / sides;
      const V3 radial = a * (std::cos(angle) * rings[k].up * scale) + b * (std::sin(angle) * rings[k].side * scale);
      vertex(rings[k].centre + radial, normalized(radial), uv);
    }
  }
  for (int k = 0; k + 1 < n; ++k) {
    for (int j = 0; j < sides; ++j) {
      const int j1 = (j + 1) % sides;
      tri(first[k] + j, first[k] + j1, first[k + 1] + j1);
      tri(first[k] + j, first[k + 1] + j1, first[k + 1] + j);
    }
  }
  const int s = vertex(start_cap, normalized(rings[0].centre - rings[1].centre), uv);
  const int e = vertex(end_cap, normalized(rings[n - 1].centre - rings[n - 2].centre), uv);
  for (int j = 0; j < sides; ++j) {
    const int j1 = (j + 1) % sides;
    tri(s, first[0] + j1, first[0] + j);
    tri(e, first[n - 1] + j, first[n - 1] + j1);
  }
  if (!brace) return;
  auto both_ways = [&](int a, int b2, int c) {
    tri(a, b2, c);
    tri(a, c, b2);
  };
  for (int k = 0; k < n; ++k) {  // each ring rigid in itself
    for (int j = 1; j + 1 < sides; ++j) both_ways(first[k], first[k] + j, first[k] + j + 1);
  }
  // Bars that skip a ring, through the tube's middle: with bars only between
  // neighbouring rings, everything beyond a ring could fold over as its
  // mirror image through that ring's plane, with no spring stretched.
  const int half = sides / 2;
  both_ways(s, first[1] + 0, first[1] + half);
  both_ways(e, first[n - 2] + half, first[n - 2] + 0);
  for (int k = 0; k + 2 < n; ++k) {
    for (int j = 0; j < sides; ++j) {
      both_ways(first[k] + j, first[k + 2] + (j + half) % sides, first[k + 2] + (j + half + 1) % sides);
    }
  }
}

void MeshBuilder::transform_from(size_t first, const std::function<V3(V3)>& f) {
  for (size_t i = first; i < mesh_.vertices.size(); ++i) {
    BofVertex& v = mesh_.vertices[i];
    const V3 p = f({v.x, v.y, v.z});
    v.x = p.x;
    v.y = p.y;
    v.z = p.z;
  }
}
