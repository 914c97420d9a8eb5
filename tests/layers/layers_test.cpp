// The subsystems form layers in the order CMakeLists.txt lists them: a
// subsystem may include headers of its own layer and the ones before it,
// never of one after it. Within a layer, no unit (a header with its source)
// includes one that includes it back.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The layer order, read from the one place that states it.
std::vector<std::string> layer_order() {
  std::ifstream cmake("CMakeLists.txt");
  std::stringstream text;
  text << cmake.rdbuf();
  std::smatch found;
  const std::string all = text.str();
  if (!std::regex_search(all, found, std::regex(R"(set\(KOLV_SUBSYSTEMS([^)]*)\))"))) return {};
  std::vector<std::string> order;
  std::istringstream words(found[1].str());
  for (std::string word; words >> word;) order.push_back(word);
  return order;
}

TEST(Layers, NoSubsystemIncludesALaterOne) {
  const std::vector<std::string> order = layer_order();
  ASSERT_GE(order.size(), 10u) << "KOLV_SUBSYSTEMS not found in CMakeLists.txt";
  std::map<std::string, size_t> rank;
  for (size_t i = 0; i < order.size(); ++i) rank[order[i]] = i;

  const std::regex include(R"(^\s*#\s*include\s+"(\w+)/[^"]+")");
  std::set<std::string> upward;  // "file -> header"
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator("src")) {
    if (!entry.is_regular_file()) continue;
    const std::string path = entry.path().generic_string();
    const std::string layer = entry.path().parent_path().filename().string();
    ASSERT_TRUE(rank.count(layer)) << path << " lies in a folder that is no layer";
    std::ifstream file(entry.path());
    for (std::string line; std::getline(file, line);) {
      std::smatch m;
      if (!std::regex_search(line, m, include) || !rank.count(m[1].str())) continue;
      if (rank[m[1].str()] > rank[layer]) {
        const std::string header = line.substr(line.find('"') + 1, line.rfind('"') - line.find('"') - 1);
        upward.insert(path + " -> " + header);
      }
    }
  }
  for (const std::string& edge : upward) ADD_FAILURE() << "an include runs up the layers: " << edge;
}

// A unit is a path under src/ without its extension: foo.h and foo.cpp.
TEST(Layers, NoUnitIncludesOneThatIncludesItBack) {
  const std::regex include(R"(^\s*#\s*include\s+"([\w/]+)\.h")");
  std::map<std::string, std::set<std::string>> uses;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator("src")) {
    if (!entry.is_regular_file()) continue;
    fs::path unit_path = entry.path().lexically_relative("src");
    const std::string unit = unit_path.replace_extension().generic_string();
    std::ifstream file(entry.path());
    for (std::string line; std::getline(file, line);) {
      std::smatch m;
      if (std::regex_search(line, m, include) && m[1].str() != unit) uses[unit].insert(m[1].str());
    }
  }
  // Depth-first: a unit met again while still on the path closes a cycle.
  std::map<std::string, int> state;  // 1 on the path, 2 done
  std::vector<std::string> path;
  std::function<void(const std::string&)> visit = [&](const std::string& unit) {
    state[unit] = 1;
    path.push_back(unit);
    for (const std::string& next : uses[unit]) {
      if (state[next] == 1) {
        std::string cycle;
        for (auto it = std::find(path.begin(), path.end(), next); it != path.end(); ++it) cycle += *it + " -> ";
        ADD_FAILURE() << "units include each other: " << cycle << next;
      } else if (state[next] == 0) {
        visit(next);
      }
    }
    path.pop_back();
    state[unit] = 2;
  };
  for (const auto& [unit, used] : uses)
    if (state[unit] == 0) visit(unit);
}

}  // namespace
