#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "assets/assets.h"
#include "image/image_pool.h"
#include "render3d/mesh_load.h"
#include "scenes/show_assets.h"

namespace {

void reload_like_f5() {
  asset_free_all();
  asset_free_extras();
  asset_load_all();
  asset_build_extras();
}

// The pool slots the show's textures use: each loaded, none shared, and no
// picture in the pool that nothing uses.
std::vector<int32_t> texture_slots() {
  std::vector<int32_t> slots = {robot_mesh.texture, saucer_mesh.texture};
  for (const Mesh& building : building_meshes) slots.push_back(building.texture);
  for (int32_t skin : robot_textures) slots.push_back(skin);
  for (int32_t slot : slots) {
    EXPECT_TRUE(slot >= 0 && slot < IMAGE_POOL_SIZE && image_pool[slot].pixels) << slot;
  }
  std::set<int32_t> distinct(slots.begin(), slots.end());
  EXPECT_EQ(distinct.size(), slots.size()) << "two textures share a slot";
  int32_t used = 0;
  for (const Image& image : image_pool) used += image.pixels != nullptr;
  EXPECT_EQ(used, static_cast<int32_t>(slots.size())) << "the pool holds pictures nothing uses";
  // The bare mesh row has no texture until the robot scene gives it a skin.
  EXPECT_EQ(robot_mesh_plain.texture, -1);
  EXPECT_GT(robot_mesh_plain.vertex_count, 0);
  return slots;
}

}  // namespace

using AssetTable = ShowAssetsTest;

TEST_F(AssetTable, GivesEveryTextureASlotOfItsOwnTheSameWayAfterEveryReload) {
  const std::vector<int32_t> slots = texture_slots();
  for (auto* picture : {&overlay_images[0], &overlay_images[21], &greets_image, &sky_image})
    EXPECT_NE(picture->pixels, nullptr);
  reload_like_f5();
  EXPECT_EQ(texture_slots(), slots);
}

TEST_F(AssetTable, ScalesTheSaucerOnceAfterAReload) {
  reload_like_f5();
  reload_like_f5();
  Mesh fresh{};
  mesh_load("data/saucer.bof", &fresh);
  mesh_scale(&fresh, 0.1f);
  ASSERT_EQ(fresh.vertex_count, saucer_mesh.vertex_count);
  for (int32_t i = 0; i < fresh.vertex_count; ++i) {
    const MeshVertex &a = saucer_mesh.vertices[i], &b = fresh.vertices[i];
    EXPECT_TRUE(a.x == b.x && a.y == b.y && a.z == b.z) << i;
  }
  mesh_free(&fresh);
  EXPECT_EQ(std::tuple(saucer_mesh.pos.y, saucer_body.pos.y, saucer_body.mesh, robot_body.mesh),
            std::tuple(10.0f, 10.0f, &saucer_mesh, &robot_mesh));
}

TEST(AssetTableRows, ANullRowEndsTheLoadAndReleasePasses) {
  if (!show_data_present()) FAIL() << "data/ is not generated: run `make data`";
  void* row5 = asset_table[5].target;
  asset_table[5].target = nullptr;
  asset_load_all();
  // Rows 3 and 4 load, row 5 and everything after it do not.
  EXPECT_TRUE(overlay_images[0].pixels && overlay_images[1].pixels);
  EXPECT_FALSE(overlay_images[2].pixels || overlay_images[3].pixels || sky_image.pixels || building_meshes[3].vertices);
  asset_free_all();
  EXPECT_FALSE(overlay_images[1].pixels || robot_mesh.vertices || image_pool[0].pixels);
  asset_table[5].target = row5;
}

TEST(AssetTableRows, OnlyMeshRowsWithATexturePathAreSplit) {
  Mesh mesh{};
  Image picture{};
  mesh.texture = 7;
  // A bar beyond the 63 characters a path may hold is not seen.
  const std::string long_path = std::string(66, 'a') + "|data/env.tga";
  const AssetEntry rows[] = {{&mesh, "data/bot1.bof", asset_load_mesh, asset_release_mesh},
                             {&mesh, "", asset_load_mesh, asset_release_mesh},
                             {&picture, "data/a.tga|data/b.tga", asset_load_image, asset_release_image},
                             {&mesh, long_path.c_str(), asset_load_mesh, asset_release_mesh}};
  for (const AssetEntry& row : rows) EXPECT_FALSE(asset_load_with_texture(&row)) << row.path;
  // Nothing was loaded into the targets.
  EXPECT_EQ(std::tuple(mesh.vertices, mesh.texture, picture.pixels), std::tuple(nullptr, 7, nullptr));
}
