// Arbitrary .bof text through both mesh loaders, then the whole draw path
// (normals, transform, environment map, rasterizer) on whatever loaded: a
// loaded mesh only names its own vertices and edges, and no geometry may write
// outside the frame or read outside the mesh or texture.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "image/image_pool.h"
#include "render3d/camera.h"
#include "render3d/mesh_load.h"
#include "render3d/raster.h"
#include "render3d/transform.h"

namespace {

void draw(Mesh* mesh) {
  static Pixel texels[8 * 4];
  image_pool[0] = {texels, 4, 8, 3};
  raster_clear_depth();
  const CameraParams params = {0.5f, 1, -6, 10, -5, 3, 1, 400, 200};
  cam_apply(&params);
  mesh_compute_normals(mesh);
  mesh_set_texture(mesh, 0);
  for (int pose = 0; pose < 3; ++pose) {
    mesh_set_pose(mesh, 0, 0, pose * 2.0f, pose * 1.3f, pose * 0.7f, 0);
    mesh_transform(mesh);
    if (pose == 1) mesh_env_map(mesh);
    raster_select_alpha(pose == 2);
    raster_draw_mesh(mesh);
  }
  raster_select_alpha(0);
  image_pool[0] = {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/fuzz_bof_" + std::to_string(getpid()) + ".bof";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  for (auto load : {mesh_load, mesh_load_frames}) {
    Mesh mesh = {};
    load(path.c_str(), &mesh);
    for (int32_t i = 0; i < mesh.face_count; ++i) {
      const MeshFace& face = mesh.faces[i];
      for (int32_t v : {face.i0, face.i1, face.i2}) {
        if (v < 0 || v >= mesh.vertex_count) std::abort();
      }
      for (int32_t e : {face.e01, face.e12, face.e20}) {
        if (e < 0 || e >= mesh.edge_count) std::abort();
      }
    }
    if (mesh.face_count > 0 && mesh.vertex_count > 0) draw(&mesh);
    mesh_free(&mesh);
  }
  return 0;
}
