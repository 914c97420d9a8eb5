#pragma once
// Whole-mesh rejection: proves from a box around a mesh that transforming and
// drawing it with the current camera would draw nothing, so both can be skipped.
#include "render3d/mesh.h"
#include "render3d/vec.h"

struct MeshBounds {
  FixVec3 lo, hi;  // object space, inclusive
};

// The box around the current frame's vertices. False for a mesh without any.
bool mesh_bounds(const Mesh* mesh, MeshBounds* bounds);
// Its loop: widens `bounds`, which holds the first vertex's point, over the
// rest of the `count` vertices; one at a time or eight at a time.
void widen_box_plain(const MeshVertex* v, int32_t count, MeshBounds* bounds);
void widen_box_avx2(const MeshVertex* v, int32_t count, MeshBounds* bounds);

// True only when every vertex inside `bounds`, transformed as mesh_transform
// would with the mesh's pose and the current camera, lies behind the camera or
// gets one clip-code bit shared by all: then raster_draw_mesh rejects every
// face. False whenever that cannot be proved, never wrongly true.
bool mesh_outside_view(const Mesh* mesh, const MeshBounds* bounds);
