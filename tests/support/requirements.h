#pragma once
// What a test needs from the machine. A missing tool or missing data/ is a
// failure with the command that provides it, never a quiet skip: `make deps`
// installs every tool the suite runs and `make data` generates data/.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

inline bool tool_installed(const std::string& name) {
  return std::system(("command -v " + name + " > /dev/null 2>&1").c_str()) == 0;
}

// data/ as `make data` leaves it (the conversion tables are written last).
inline bool data_generated() {
  return std::filesystem::exists("data/charmap.lut") && std::filesystem::exists("data/colmap.lut");
}

#define KOLV_REQUIRE_TOOL(name) \
  if (!tool_installed(name)) FAIL() << name << " is not installed: run `make deps`"
#define KOLV_REQUIRE_DATA() \
  if (!data_generated()) FAIL() << "data/ is not generated: run `make data`"
