#pragma once
// Writing .bof mesh files: a tag, the counts, three unused numbers, then one
// line per vertex (index, x, y, z, u, v) and per face (index, i0, i1, i2).
#include <string>
#include <vector>

struct BofVertex {
  float x, y, z, u, v;
};

struct BofFace {
  int i0, i1, i2;
};

struct BofMesh {
  std::vector<BofVertex> vertices;
  std::vector<BofFace> faces;
};

// The file text; numbers with a fixed number of decimals, so the same mesh
// always gives the same bytes.
std::string bof_format(const char* tag, const BofMesh& mesh);
// Writes the text to `path`; false (with one line naming the file on
// standard error) when it cannot be written.
bool bof_write(const char* path, const char* tag, const BofMesh& mesh);
