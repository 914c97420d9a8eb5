#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "image/image_pool.h"
#include "render3d/camera.h"
#include "render3d/raster.h"

namespace {

constexpr int SLOT = IMAGE_POOL_SIZE - 1;
constexpr int32_t Z = 1060000000;  // a depth between near and far

// A 4 x 4 texture of one colour in the last pool slot, removed afterwards.
struct Texture {
  Pixel texels[16];
  explicit Texture(Pixel colour) {
    for (Pixel& t : texels) t = colour;
    image_pool[SLOT] = {texels, 4, 4, 2};
  }
  ~Texture() { image_pool[SLOT] = {}; }
};

// A mesh given directly in screen space (pixels), as mesh_transform leaves it.
struct ScreenMesh {
  std::vector<MeshVertex> vertices;
  std::vector<MeshFace> faces;
  Mesh mesh = {};
  ScreenMesh(const std::vector<std::array<double, 2>>& points, const std::vector<std::array<int, 3>>& tris,
             int32_t z = Z) {
    for (const auto& p : points) {
      vertices.push_back({});
      std::tie(vertices.back().tx, vertices.back().ty, vertices.back().tz, vertices.back().tw) =
          std::tuple(static_cast<Fixed>(p[0] * 4096), static_cast<Fixed>(p[1] * 4096), z, FIX_ONE);
    }
    for (const auto& t : tris) faces.push_back({t[0], t[1], t[2], 0, 0, 0, 0, 0});
    std::tie(mesh.vertex_count, mesh.face_count, mesh.frame_count, mesh.texture, mesh.transformed) =
        std::tuple(static_cast<int32_t>(vertices.size()), static_cast<int32_t>(faces.size()), 1, SLOT, 1);
    std::tie(mesh.vertices, mesh.faces) = std::tuple(vertices.data(), faces.data());
    mesh_build_edges(&mesh);
  }
  ~ScreenMesh() { std::free(mesh.edges); }
};

void clear_frame() {
  std::fill(frame_buffer, frame_buffer + FRAME_PIXELS, Pixel{0});
  raster_clear_depth();
  raster_select_alpha(0);
}

int row_count(int y, Pixel colour) {
  return static_cast<int>(std::count(frame_buffer + y * FRAME_W, frame_buffer + (y + 1) * FRAME_W, colour));
}

const Pixel RED = pixel_rgba(255, 0, 0);

}  // namespace

TEST(Raster, RowCoverageStartRowsAndClipping) {
  clear_frame();
  Texture tex(RED);
  ScreenMesh sm({{50, 10}, {100, 10}, {50, 20.5}}, {{0, 1, 2}});
  raster_draw_mesh(&sm.mesh);
  // Rows 10 and 11 both use the edges' start values.
  EXPECT_EQ(std::tuple(row_count(9, RED), row_count(10, RED), row_count(11, RED), row_count(12, RED), row_count(21, RED)),
            std::tuple(0, 50, 50, 45, 0));
  EXPECT_TRUE(frame_buffer[11 * FRAME_W + 50] == RED && frame_buffer[11 * FRAME_W + 99] == RED && row_count(20, RED) > 0);
  EXPECT_EQ(std::tuple(depth_buffer[10 * FRAME_W + 60], sm.faces[0].visible), std::tuple(Z, -1));
  // Clipped to the frame.
  clear_frame();
  ScreenMesh big({{-100, -40}, {400, -40}, {-100, 300}}, {{0, 1, 2}});
  raster_draw_mesh(&big.mesh);
  EXPECT_EQ(std::tuple(frame_buffer[149 * FRAME_W], row_count(0, RED)), std::tuple(RED, FRAME_W));
}

TEST(Raster, CullingRules) {
  Texture tex(RED);
  auto drawn = [](ScreenMesh& sm) {
    clear_frame();
    raster_draw_mesh(&sm.mesh);
    return std::count(frame_buffer, frame_buffer + FRAME_PIXELS, RED);
  };
  ScreenMesh cw({{20, 20}, {60, 20}, {20, 60}}, {{0, 1, 2}});
  ScreenMesh ccw({{20, 20}, {20, 60}, {60, 20}}, {{0, 1, 2}});
  EXPECT_GT(drawn(cw), 0);
  EXPECT_EQ(drawn(ccw), 0);  // last two vertices exchanged: turned away

  cw.vertices[1].behind = -1;  // one vertex behind the camera drops the face
  EXPECT_EQ(std::tuple(drawn(cw), cw.faces[0].visible), std::tuple(0, -1));
  cw.vertices[1].behind = 0;
  for (auto& v : cw.vertices) v.outcode = 0x104;  // only the low byte counts
  EXPECT_EQ(std::tuple(drawn(cw), cw.faces[0].visible), std::tuple(0, 0));
  cw.vertices[0].outcode = 0x100;
  EXPECT_GT(drawn(cw), 0);

  // Off the frame, within one pixel row, or starting on the last row.
  ScreenMesh off({{-30, 20}, {-1, 20}, {-30, 60}, {20, 30.1}, {90, 30.2}, {40, 30.9}, {20, 149}, {90, 149}, {20, 160}},
                 {{0, 1, 2}, {3, 4, 5}, {6, 7, 8}});
  EXPECT_EQ(drawn(off), 0);

  cw.mesh.transformed = 0;
  EXPECT_EQ(drawn(cw), 0);
  cw.mesh.transformed = 1;
  for (int32_t texture : {-1, 17}) {  // none, an empty pool slot
    cw.mesh.texture = texture;
    EXPECT_EQ(drawn(cw), 0) << texture;
  }
}

TEST(Raster, DepthTiesNearPlaneAndColourKey) {
  clear_frame();
  Texture tex(RED);
  ScreenMesh first({{20, 20}, {60, 20}, {20, 60}}, {{0, 1, 2}});
  raster_draw_mesh(&first.mesh);
  // The same face at equal depth with another texture: the later one wins.
  const Pixel BLUE = pixel_rgba(0, 0, 255);
  Texture tex2(BLUE);
  raster_draw_mesh(&first.mesh);
  EXPECT_EQ(frame_buffer[25 * FRAME_W + 25], BLUE);
  // A nearer-than-stored but not beyond-near depth is not drawn.
  ScreenMesh at_near({{20, 20}, {60, 20}, {20, 60}}, {{0, 1, 2}}, camera.near);
  Texture tex3(RED);
  raster_draw_mesh(&at_near.mesh);
  // A colour-key texel changes neither the pixel nor the depth.
  ScreenMesh nearer({{20, 20}, {60, 20}, {20, 60}}, {{0, 1, 2}}, Z - 1000);
  Texture key(COLOR_KEY);
  raster_draw_mesh(&nearer.mesh);
  EXPECT_EQ(std::tuple(frame_buffer[25 * FRAME_W + 25], depth_buffer[25 * FRAME_W + 25]), std::tuple(BLUE, Z));
}

// A second coat over a mesh leaves out the faces the first found hidden, and
// still gives exactly the pixels and depths of a full draw; a face that moved
// on screen since is filled in full.
TEST(Raster, SecondCoatMatchesAFullDraw) {
  // Pixels, depths, and what the first coat's two faces reached.
  auto draw = [](bool over, double coat_x1) {
    clear_frame();
    Texture grey(pixel_rgba(200, 150, 100));
    ScreenMesh wall({{10, 10}, {120, 10}, {10, 120}}, {{0, 1, 2}}, Z - 100000);
    raster_draw_mesh(&wall.mesh);
    // Face 0 wholly behind the wall, face 1 in the open.
    ScreenMesh under({{20, 20}, {60, 20}, {20, 60}, {150, 30}, {200, 30}, {150, 80}}, {{0, 1, 2}, {3, 4, 5}});
    raster_draw_mesh(&under.mesh);
    ScreenMesh coat({{20, 20}, {coat_x1, 20}, {20, 60}, {150, 30}, {200, 30}, {150, 80}}, {{0, 1, 2}, {3, 4, 5}});
    Texture tint(pixel_rgba(128, 255, 64));
    raster_select_multiply(1);
    if (over) raster_draw_mesh_over(&coat.mesh, &under.mesh);
    else raster_draw_mesh(&coat.mesh);
    raster_select_multiply(0);
    return std::tuple(std::vector<Pixel>(frame_buffer, frame_buffer + FRAME_PIXELS),
                      std::vector<int32_t>(depth_buffer, depth_buffer + FRAME_PIXELS), under.faces[0].reached,
                      under.faces[1].reached);
  };
  for (double x1 : {60.0, 180.0}) {
    const auto coat = draw(true, x1);
    EXPECT_EQ(std::tuple(std::get<2>(coat), std::get<3>(coat)), std::tuple(0, 1)) << x1;
    EXPECT_TRUE(coat == draw(false, x1)) << x1;
  }
  // The moved face does reach pixels the wall leaves open.
  EXPECT_EQ(std::get<1>(draw(true, 180.0))[25 * FRAME_W + 150], Z);
}

// A coat whose faces each show one texel is laid over the spans recorded from
// the draw under it; that must give exactly what walking its rows gives, for
// every filler: faces overlapping at equal depths, sharing corners, cut by the
// frame's edges (the last row included), and a draw too big to record; a coat
// that moved or shows more than one texel on a face is walked.
TEST(Raster, CoatOnRecordedSpansMatchesWalkingIt) {
  Pixel texels[16];
  for (int i = 0; i < 16; ++i) texels[i] = i % 5 == 0 ? COLOR_KEY : pixel_rgba(16 * i, 255 - 9 * i, 40 + i, 60 + 12 * i);
  std::srand(7);
  for (int trial = 0; trial < 90; ++trial) {
    const bool big = trial == 0;
    // Six groups of six corners, one texture coordinate per group; a face joins corners of one group.
    std::vector<std::array<double, 2>> points;
    for (int i = 0; i < 36; ++i) points.push_back({std::rand() % 320 - 40.0, std::rand() % 200 - 25.0});
    std::vector<std::array<int, 3>> tris;
    for (int f = 0; f < 40; ++f) {
      const int g = 6 * (std::rand() % 6);
      tris.push_back({g + std::rand() % 6, g + std::rand() % 6, g + std::rand() % 6});
    }
    if (trial % 5 == 1) tris.back()[0] = (tris.back()[0] + 6) % 36;  // one face over two groups: walked

    if (big) {  // 120 faces over every row: more spans than a record holds
      points = {{0, -10}, {FRAME_W, -10}, {0, FRAME_H + 10}};
      tris.assign(120, {0, 1, 2});
    }
    const int moved = std::rand() % 36;
    // Pixels, depths and each face's verdicts; the coat walks when under is
    // a copy of the mesh drawn, as the record then is not its.
    auto draw = [&](int filler, bool replay) {
      clear_frame();
      image_pool[SLOT] = {texels, 4, 4, 2};
      ScreenMesh under(points, tris), coat(points, tris);
      for (ScreenMesh* m : {&under, &coat}) {
        for (size_t i = 0; i < m->vertices.size(); ++i) {
          m->vertices[i].tz = Z + 1000 * static_cast<int32_t>(i % 3);
          m->vertices[i].u = static_cast<int32_t>(i / 6 + (m == &coat)) * 2500;
          m->vertices[i].v = static_cast<int32_t>(i / 6) * 1500;
          const auto [x, y] = points[i];
          m->vertices[i].outcode = (x < 0) | (x >= FRAME_W) << 1 | (y < 0) << 2 | (y >= FRAME_H) << 3;
        }
      }
      raster_draw_mesh(&under.mesh);
      if (trial % 5 == 2) coat.vertices[moved].tx += FIX_ONE;  // moved since: walked
      Mesh copy = under.mesh;
      raster_select_alpha(filler == 1);
      raster_select_multiply(filler == 2);
      raster_draw_mesh_over(&coat.mesh, replay ? &under.mesh : &copy);
      raster_select_multiply(0);
      std::vector<int32_t> faces;
      for (const MeshFace& f : coat.faces) faces.insert(faces.end(), {f.visible, f.reached});
      image_pool[SLOT] = {};
      return std::tuple(std::vector<Pixel>(frame_buffer, frame_buffer + FRAME_PIXELS),
                        std::vector<int32_t>(depth_buffer, depth_buffer + FRAME_PIXELS), faces);
    };
    const int filler = trial % 3;
    ASSERT_TRUE(draw(filler, true) == draw(filler, false)) << "trial " << trial;
  }
}

// What an earlier draw found says nothing once a draw of the mesh is refused.
TEST(Raster, CoatOverAMeshNotDrawnIsFilled) {
  clear_frame();
  Texture tex(RED);
  ScreenMesh wall({{10, 10}, {120, 10}, {10, 120}}, {{0, 1, 2}}, Z - 100000);
  raster_draw_mesh(&wall.mesh);
  ScreenMesh under({{20, 20}, {60, 20}, {20, 60}}, {{0, 1, 2}});
  raster_draw_mesh(&under.mesh);
  ASSERT_EQ(under.faces[0].reached, 0);
  raster_clear_depth();
  under.mesh.texture = -1;
  raster_draw_mesh(&under.mesh);
  EXPECT_EQ(under.faces[0].reached, 1);
  ScreenMesh coat({{20, 20}, {60, 20}, {20, 60}}, {{0, 1, 2}});
  Texture tex2(pixel_rgba(0, 0, 255));
  raster_draw_mesh_over(&coat.mesh, &under.mesh);
  EXPECT_EQ(frame_buffer[25 * FRAME_W + 25], pixel_rgba(0, 0, 255));
}

// Edges marked by an earlier draw are set up again, also when the draw
// serial wraps round to the mark they hold.
TEST(Raster, EdgesOfAnEarlierDrawAreSetUpAgain) {
  Texture tex(RED);
  ScreenMesh tri({{10.5, 10.5}, {60.5, 12.5}, {30.5, 50.5}}, {{0, 1, 2}});
  clear_frame();
  raster_draw_mesh(&tri.mesh);
  for (int draw = 0; draw < 2; ++draw) {
    for (MeshVertex& v : tri.vertices) v.tx += 60 * 4096;
    if (draw == 0) tri.mesh.edge_serial = UINT32_MAX;
    clear_frame();
    raster_draw_mesh(&tri.mesh);
    EXPECT_EQ(std::count(frame_buffer + 20 * FRAME_W, frame_buffer + 20 * FRAME_W + 60 * (draw + 1), RED), 0)
        << "drawn with the edges of the draw before, " << draw;
    EXPECT_GT(row_count(20, RED), 0) << draw;
  }
}

TEST(SpanFillers, CombineArithmetic) {
  Pixel texel, dest;
  int32_t depth;
  SpanParams span = {};
  span.count = 1, span.z = Z, span.texels = &texel, span.dest = &dest, span.depth = &depth;
  auto run = [&](SpanFiller filler, Pixel t, Pixel d) {
    texel = t;
    dest = d;
    depth = DEPTH_CLEAR;
    filler(&span);
    return dest;
  };
  EXPECT_EQ(run(span_alpha, pixel_rgba(200, 100, 0, 128), pixel_rgba(0, 0, 200, 7)), pixel_rgba(100, 50, 99, 128));
  EXPECT_EQ(run(span_alpha, pixel_rgba(200, 100, 0, 255), pixel_rgba(0, 0, 200)), pixel_rgba(200, 100, 0, 255));
  EXPECT_EQ(run(span_multiply, pixel_rgba(255, 255, 255, 0), pixel_rgba(200, 0, 100, 9)), pixel_rgba(199, 0, 99, 9));
  EXPECT_EQ(run(span_additive, pixel_rgba(100, 5, 0, 0), pixel_rgba(200, 5, 0, 9)), pixel_rgba(255, 10, 0, 9));
  EXPECT_EQ(run(span_opaque, pixel_rgba(1, 2, 3, 4), 0), pixel_rgba(1, 2, 3, 4));
  // Depth is written for every non-key texel, even a transparent one: (9 x 255) >> 8.
  EXPECT_EQ(std::tuple(run(span_alpha, pixel_rgba(1, 2, 3, 0), pixel_rgba(9, 9, 9)), depth), std::tuple(pixel_rgba(8, 8, 8, 0), Z));
}

TEST(SpanFillers, TextureAddressingWraps) {
  Pixel texels[8] = {1, 2, 3, 4, 5, 6, 7, 8};  // 4 x 2
  Pixel dest[6] = {};
  int32_t depth[6] = {DEPTH_CLEAR, DEPTH_CLEAR, DEPTH_CLEAR, DEPTH_CLEAR, DEPTH_CLEAR, DEPTH_CLEAR};
  // Row 3 wraps to row 1.
  const SpanParams span = {.count = 6, .u = 2 * FIX_ONE, .v = 3 * FIX_ONE, .du = FIX_ONE, .dv = 0, .z = Z, .dz = 1,
                           .tex_width = 4, .tex_height = 2, .u_mask = 3, .v_mask = 1, .row_shift = 2,
                           .texels = texels, .dest = dest, .depth = depth, .room = 6};
  span_opaque(&span);
  EXPECT_EQ(std::vector<Pixel>(dest, dest + 6), (std::vector<Pixel>{7, 8, 5, 6, 7, 8}));
  EXPECT_EQ(depth[5], Z + 5);
}
