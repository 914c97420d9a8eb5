#pragma once
// What a shell command writes to standard output (tests only).
#include <cstdio>
#include <string>

inline std::string command_output(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, p)) > 0) out.append(chunk, n);
    pclose(p);
  }
  return out;
}
