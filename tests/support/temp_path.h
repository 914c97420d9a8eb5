#pragma once
// Scratch file names that belong to this test process: the plain and the
// sanitizer suites run side by side and must not write each other's files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

inline std::string temp_path(const std::string& name) {
  return testing::TempDir() + "kolv_" + std::to_string(getpid()) + "_" + name;
}
