#pragma once
// The show's generated assets for tests that need real meshes and pictures.
// Tests fail when `make data` has not produced them yet.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "assets/assets.h"

// True when every file the asset table names (and the last robot skin) exists.
inline bool show_data_present() {
  auto exists = [](const std::string& path) { return std::filesystem::exists(path); };
  for (const AssetEntry* entry = asset_table; entry->target != nullptr; ++entry) {
    std::string path = entry->path;
    auto bar = path.find('|');
    if (!exists(path.substr(0, bar))) return false;
    if (bar != std::string::npos && !exists(path.substr(bar + 1))) return false;
  }
  return exists("data/robot_tex7.tga");
}

// Loads everything as start-up does and releases it as the exit does.
class ShowAssetsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!show_data_present()) FAIL() << "data/ is not generated: run `make data`";
    asset_load_all();
    asset_build_extras();
    loaded_ = true;
  }
  void TearDown() override {
    if (!loaded_) return;
    asset_free_all();
    asset_free_extras();
  }

 private:
  bool loaded_ = false;
};
