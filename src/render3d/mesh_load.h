#pragma once
// Reading .bof mesh files. A file that cannot be read shows the error
// screen, reports one line naming the file and leaves the mesh empty
// (counts 0, texture -1), which draws nothing.
#include "render3d/mesh.h"

// Single-frame file.
void mesh_load(const char* path, Mesh* mesh);
// Multi-frame variant: a frame count follows the face count.
void mesh_load_frames(const char* path, Mesh* mesh);
