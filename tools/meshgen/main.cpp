// meshgen: writes the show's meshes as .bof files into a directory.
#include <cstdio>
#include <string>

#include "tools/common/bof_write.h"
#include "tools/meshgen/models.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: meshgen DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  struct Output {
    const char* name;
    const char* tag;
    BofMesh (*make)();
  };
  const Output outputs[] = {{"bot1.bof", "bot1", make_robot},
                            {"saucer.bof", "saucer", make_saucer},
                            {"building1.bof", "building1", make_building1},
                            {"building2.bof", "building2", make_building2}};
  bool ok = true;
  for (const Output& o : outputs) ok &= bof_write((dir + "/" + o.name).c_str(), o.tag, o.make());
  return ok ? 0 : 1;
}
