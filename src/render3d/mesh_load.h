#pragma once
// Reading .bof mesh files. A file that cannot be read shows the error
// screen, reports one line naming the file and leaves the mesh empty
// (counts 0, texture -1), which draws nothing.
#include "render3d/mesh.h"

// What shows the error screen's message: the show gives its font's error
// screen (the asset table does, before it loads). Without one, only the
// report line is written.
using MeshErrorScreen = void (*)(const char* message);
void mesh_set_error_screen(MeshErrorScreen show);

// Single-frame file.
void mesh_load(const char* path, Mesh* mesh);
// Multi-frame variant: a frame count follows the face count.
void mesh_load_frames(const char* path, Mesh* mesh);
