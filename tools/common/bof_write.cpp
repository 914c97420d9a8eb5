#include "tools/common/bof_write.h"

#include <cstdio>

#include "platform/printable.h"

namespace {

void append_number(std::string* out, float value) {
  char buf[32];
  // Positions are authored on a 1/10000 grid; -0 prints as 0.
  std::snprintf(buf, sizeof buf, " %.4f", value == 0.0f ? 0.0f : value);
  *out += buf;
}

}  // namespace

std::string bof_format(const char* tag, const BofMesh& mesh) {
  std::string out = tag;
  out += " " + std::to_string(mesh.vertices.size()) + " " + std::to_string(mesh.faces.size());
  out += "\n0 0 0\n";
  for (size_t i = 0; i < mesh.vertices.size(); ++i) {
    const BofVertex& v = mesh.vertices[i];
    out += std::to_string(i);
    for (float f : {v.x, v.y, v.z, v.u, v.v}) append_number(&out, f);
    out += "\n";
  }
  for (size_t i = 0; i < mesh.faces.size(); ++i) {
    const BofFace& f = mesh.faces[i];
    out += std::to_string(i) + " " + std::to_string(f.i0) + " " + std::to_string(f.i1) + " " +
           std::to_string(f.i2) + "\n";
  }
  return out;
}

bool bof_write(const char* path, const char* tag, const BofMesh& mesh) {
  const std::string text = bof_format(tag, mesh);
  FILE* file = std::fopen(path, "wb");
  bool ok = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (file && std::fclose(file) != 0) ok = false;
  if (!ok) {
    std::fprintf(stderr, "bof_write: %s: cannot write\n", platform_printable_text(path).c_str());
  }
  return ok;
}
