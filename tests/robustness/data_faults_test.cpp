#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "robustness/show_run.h"
#include "support/requirements.h"

// Every data file, one at a time, missing, empty, cut in half or replaced by
// noise of the same length: the show starts, runs to its end headless (one
// frame a second keeps this short; an F5 reload reads the bad file again)
// and names the bad file. Only the two conversion tables stop it.

namespace fs = std::filesystem;

namespace {

enum class Fault { Missing, Empty, Half, Noise };
const char* const FAULT_NAMES[] = {"missing", "empty", "half", "noise"};

std::vector<std::string> data_files() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("data", error)) {
    std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && name[0] != '.') names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

void apply(Fault fault, const fs::path& file, uint32_t seed) {
  const auto size = fs::file_size(file);
  if (fault == Fault::Missing) {
    fs::remove(file);
  } else if (fault != Fault::Noise) {
    fs::resize_file(file, fault == Fault::Half ? size / 2 : 0);
  } else {
    std::mt19937 random(seed);
    std::string noise(size, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << noise;
  }
}

bool is_table(const std::string& name) { return name == "charmap.lut" || name == "colmap.lut"; }

// Faults the show cannot tell from good data, or that it takes silently by
// design: noise in a table is a table; half an MP3 is a shorter song; a
// drawing is any text; a track file that is missing or holds nothing is an
// empty track.
bool reported(const std::string& name, Fault fault) {
  auto ends_with = [&](const char* end) { return name.ends_with(end); };
  if (is_table(name)) return fault != Fault::Noise;
  if (ends_with(".mp3")) return fault != Fault::Half;
  if (ends_with(".gml")) return fault == Fault::Missing;
  if (ends_with(".track")) return fault == Fault::Half || fault == Fault::Noise;
  return true;
}

class DataFault : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    root_ = show_temp_dir("faults");
    ASSERT_FALSE(root_.empty());
    std::ofstream(root_ + "/keys") << "30000 f5\n";
  }
  void TearDown() override { show_remove_tree(root_); }
  std::string root_;
};

}  // namespace

TEST_P(DataFault, ShowRunsToItsEndAndNamesTheFile) {
  const std::string& name = GetParam();
  for (Fault fault : {Fault::Missing, Fault::Empty, Fault::Half, Fault::Noise}) {
    SCOPED_TRACE(std::string(FAULT_NAMES[static_cast<int>(fault)]) + " " + name);
    fs::path copy = fs::path(root_) / "copy";
    fs::remove_all(copy);
    fs::create_directories(copy);
    fs::copy("data", copy / "data", fs::copy_options::recursive);
    apply(fault, copy / "data" / name, static_cast<uint32_t>(std::hash<std::string>{}(name)));

    std::vector<std::string> args = {"--headless", "--data", copy.string(), "--fps", "1",
                                     "--until", "200000", "--keys", root_ + "/keys"};
    if (name.ends_with(".gml")) args.push_back((copy / "data" / name).string());
    ShowRun run = show_run(args);

    ASSERT_TRUE(run.exited) << "crashed:\n" << run.output;
    bool stops = is_table(name) && fault != Fault::Noise;
    EXPECT_EQ(run.status, stops ? 1 : 0) << run.output;
    if (reported(name, fault)) {
      EXPECT_NE(run.output.find("data/" + name), std::string::npos)
          << "the bad file is not named:\n" << run.output;
    }
    if (stops) {
      EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EachFile, DataFault, ::testing::ValuesIn(data_files()),
                         [](const auto& info) {
                           std::string id;
                           for (char c : info.param) id += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return id;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(DataFault);

// Without data/ the cases above are never made; this says why instead of
// letting them vanish.
TEST(DataFaults, HaveDataToBreak) { KOLV_REQUIRE_DATA(); }
