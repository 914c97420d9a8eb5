#pragma once
// Every picture and mesh the show loads at start and again on F5, named in one
// table, plus the objects prepared from them (soft bodies, robot skins).
#include <cstdint>

#include "image/image.h"
#include "render3d/mesh.h"
#include "softbody/softbody.h"

constexpr int32_t ASSET_TABLE_SIZE = 32;
constexpr int32_t ASSET_PATH_MAX = 63;
constexpr int32_t OVERLAY_IMAGE_COUNT = 22;
constexpr int32_t BUILDING_MESH_COUNT = 4;
constexpr int32_t ROBOT_TEXTURE_COUNT = 8;

using AssetLoad = void (*)(const char* path, void* target);
using AssetRelease = void (*)(void* target);

// One row: the object to fill (null only in the terminating row), its file
// ("mesh|texture" for a textured mesh) and how to load and release it.
struct AssetEntry {
  void* target;
  const char* path;
  AssetLoad load;
  AssetRelease release;
};

extern AssetEntry asset_table[ASSET_TABLE_SIZE];

// The rows' operations.
void asset_load_mesh(const char* path, void* target);
void asset_load_mesh_frames(const char* path, void* target);
void asset_load_image(const char* path, void* target);
void asset_release_mesh(void* target);
void asset_release_image(void* target);

extern Mesh robot_mesh;        // chrome robot, driven by robot_body
extern Mesh robot_mesh_plain;  // same geometry, skinned with a robot texture per frame
extern Mesh saucer_mesh;       // driven by saucer_body
extern Image overlay_images[OVERLAY_IMAGE_COUNT];
extern Image greets_image;     // a strip of 150-row panels
extern Image sky_image;
// Paper-textured blocks 0 and 1, drawn together with the lit-window copies 2 and 3.
extern Mesh building_meshes[BUILDING_MESH_COUNT];
extern int32_t robot_textures[ROBOT_TEXTURE_COUNT];  // image_pool slots
extern SoftBody robot_body;
extern SoftBody saucer_body;

// Loads the rows in order up to the first row without a target.
void asset_load_all();
// Ground plane, soft bodies, saucer scale and height, building normals,
// robot textures; after every asset_load_all.
void asset_build_extras();
// Releases the rows' objects and the whole image pool.
void asset_free_all();
void asset_free_extras();
// Loads a mesh row named "mesh|texture" and gives the mesh its texture slot.
// False for rows it does not handle (pictures, meshes without "|"): only
// rows loaded by one of the two mesh loaders qualify.
bool asset_load_with_texture(const AssetEntry* entry);
