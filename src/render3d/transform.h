#pragma once
// Per-frame transform of a mesh to screen space, and environment mapping.
#include "render3d/mat.h"
#include "render3d/mesh.h"
#include "render3d/outcode.h"

// The mesh's rotation R (about z, then x, then y) and the object-to-clip
// matrix (R x translation) x the camera's view_proj.
void mesh_clip_matrix(const Mesh* mesh, FixMat4* rotation, FixMat4* clip);
// Transforms, projects and clip-codes the current frame, rotates normals.
void mesh_transform(Mesh* mesh);
// What mesh_transform gives for a mesh whose current frame has the same
// object-space positions and pose as `shape`, just transformed with the same
// camera: the screen positions and clip codes are copied, only normals turned.
void mesh_transform_like(Mesh* mesh, const Mesh* shape);
// u, v of the current frame from the view-space normals.
void mesh_env_map(Mesh* mesh);
