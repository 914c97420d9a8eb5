#include "assets/assets.h"

#include <cstring>

#include "image/font.h"
#include "image/image_pool.h"
#include "render3d/mesh_load.h"

Mesh robot_mesh;
Mesh robot_mesh_plain;
Mesh saucer_mesh;
Image overlay_images[OVERLAY_IMAGE_COUNT];
Image greets_image;
Image sky_image;
Mesh building_meshes[BUILDING_MESH_COUNT];
int32_t robot_textures[ROBOT_TEXTURE_COUNT];
SoftBody robot_body;
SoftBody saucer_body;

namespace {

constexpr const char* ROBOT_TEXTURE_PATHS[ROBOT_TEXTURE_COUNT] = {
    "data/robot_tex.tga",  "data/robot_tex1.tga", "data/robot_tex2.tga", "data/robot_tex3.tga",
    "data/robot_tex4.tga", "data/robot_tex5.tga", "data/robot_tex6.tga", "data/robot_tex7.tga",
};

constexpr Vec3f BODY_CENTRE{0.0f, 0.0f, 0.0f};
constexpr float SAUCER_SCALE = 0.1f;
constexpr float SAUCER_START_Y = 10.0f;

}  // namespace

void asset_load_mesh(const char* path, void* target) { mesh_load(path, static_cast<Mesh*>(target)); }
void asset_load_mesh_frames(const char* path, void* target) {
  mesh_load_frames(path, static_cast<Mesh*>(target));
}
void asset_load_image(const char* path, void* target) { img_load(path, static_cast<Image*>(target)); }
void asset_release_mesh(void* target) { mesh_free(static_cast<Mesh*>(target)); }
void asset_release_image(void* target) { img_free(static_cast<Image*>(target)); }

// Load order fixes the texture slots: env twice (0, 1), paper (2, 3),
// plite2 (4, 5), then the robot skins (6-13).
AssetEntry asset_table[ASSET_TABLE_SIZE] = {
    {&robot_mesh, "data/bot1.bof|data/env.tga", asset_load_mesh, asset_release_mesh},
    {&robot_mesh_plain, "data/bot1.bof", asset_load_mesh, asset_release_mesh},
    {&saucer_mesh, "data/saucer.bof|data/env.tga", asset_load_mesh, asset_release_mesh},
    {&overlay_images[0], "data/ttl00.tga", asset_load_image, asset_release_image},
    {&overlay_images[1], "data/ttl01.tga", asset_load_image, asset_release_image},
    {&overlay_images[2], "data/ttl02.tga", asset_load_image, asset_release_image},
    {&overlay_images[3], "data/ttl03.tga", asset_load_image, asset_release_image},
    {&overlay_images[4], "data/ttl04.tga", asset_load_image, asset_release_image},
    {&overlay_images[5], "data/ttl05.tga", asset_load_image, asset_release_image},
    {&overlay_images[6], "data/ttl06.tga", asset_load_image, asset_release_image},
    {&overlay_images[7], "data/ttl07.tga", asset_load_image, asset_release_image},
    {&overlay_images[8], "data/ttl08.tga", asset_load_image, asset_release_image},
    {&overlay_images[9], "data/ttl09.tga", asset_load_image, asset_release_image},
    {&overlay_images[10], "data/logoEnd.tga", asset_load_image, asset_release_image},
    {&overlay_images[11], "data/weback00.tga", asset_load_image, asset_release_image},
    {&overlay_images[12], "data/weback01.tga", asset_load_image, asset_release_image},
    {&overlay_images[13], "data/weback02.tga", asset_load_image, asset_release_image},
    {&overlay_images[14], "data/weback03.tga", asset_load_image, asset_release_image},
    {&overlay_images[15], "data/vox1.tga", asset_load_image, asset_release_image},
    {&overlay_images[16], "data/vox2.tga", asset_load_image, asset_release_image},
    {&overlay_images[17], "data/vox3.tga", asset_load_image, asset_release_image},
    {&overlay_images[18], "data/vox4.tga", asset_load_image, asset_release_image},
    {&overlay_images[19], "data/info0.tga", asset_load_image, asset_release_image},
    {&overlay_images[20], "data/info1.tga", asset_load_image, asset_release_image},
    {&overlay_images[21], "data/info2.tga", asset_load_image, asset_release_image},
    {&greets_image, "data/greets.tga", asset_load_image, asset_release_image},
    {&sky_image, "data/sky01.tga", asset_load_image, asset_release_image},
    {&building_meshes[0], "data/building1.bof|data/paper.tga", asset_load_mesh, asset_release_mesh},
    {&building_meshes[1], "data/building2.bof|data/paper.tga", asset_load_mesh, asset_release_mesh},
    {&building_meshes[2], "data/building1.bof|data/plite2.tga", asset_load_mesh, asset_release_mesh},
    {&building_meshes[3], "data/building2.bof|data/plite2.tga", asset_load_mesh, asset_release_mesh},
    {nullptr, nullptr, nullptr, nullptr},
};

bool asset_load_with_texture(const AssetEntry* entry) {
  if (entry->load != asset_load_mesh && entry->load != asset_load_mesh_frames) return false;
  // Paths are at most 63 characters; a longer one is cut rather than overrun.
  char buffer[ASSET_PATH_MAX + 1];
  std::strncpy(buffer, entry->path, ASSET_PATH_MAX);
  buffer[ASSET_PATH_MAX] = '\0';
  char* bar = std::strchr(buffer, '|');
  if (bar == nullptr) return false;
  *bar = '\0';
  entry->load(buffer, entry->target);
  mesh_set_texture(static_cast<Mesh*>(entry->target), img_pool_load(bar + 1));
  return true;
}

void asset_load_all() {
  mesh_set_error_screen(font_error_screen);
  for (const AssetEntry* entry = asset_table; entry->target != nullptr; ++entry) {
    if (!asset_load_with_texture(entry)) entry->load(entry->path, entry->target);
  }
}

void asset_build_extras() {
  soft_set_ground(-100.0f, 0.2f, 100.0f, 0.2f);
  soft_build(&robot_body, &robot_mesh, BODY_CENTRE, 1.0f, 0.05f, 0.2f, 1000.0f, 0.02f);
  // The saucer file is authored at ten times its shown size; it is scaled
  // after every load, before its body is built from it.
  mesh_scale(&saucer_mesh, SAUCER_SCALE);
  soft_build(&saucer_body, &saucer_mesh, BODY_CENTRE, 1.0f, 0.05f, 0.2f, 2000.0f, 0.02f);
  saucer_mesh.pos.y = SAUCER_START_Y;
  saucer_body.pos.y = SAUCER_START_Y;
  // The lit-window copies are environment-mapped, so they need normals.
  mesh_compute_normals(&building_meshes[2]);
  mesh_compute_normals(&building_meshes[3]);
  for (int32_t i = 0; i < ROBOT_TEXTURE_COUNT; ++i) {
    robot_textures[i] = img_pool_load(ROBOT_TEXTURE_PATHS[i]);
  }
}

void asset_free_all() {
  for (const AssetEntry* entry = asset_table; entry->target != nullptr; ++entry) {
    entry->release(entry->target);
  }
  img_pool_free_all();
}

void asset_free_extras() {
  soft_free(&robot_body);
  soft_free(&saucer_body);
}
