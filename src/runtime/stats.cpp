#include "runtime/stats.h"

#include <algorithm>
#include <vector>

#include "display/console.h"

namespace {

std::vector<FrameSample> samples;
uint64_t frames_seen = 0;

struct Summary {
  double median, p95;
};

// Median and 95th percentile of one field over the frames that match `scene`
// (any scene when scene is INT32_MIN).
template <typename Field>
Summary summarise(Field field, int scene, std::vector<uint32_t>& scratch) {
  scratch.clear();
  for (const FrameSample& s : samples) {
    if (scene == INT32_MIN || s.scene == scene) scratch.push_back(field(s));
  }
  if (scratch.empty()) return {0, 0};
  std::sort(scratch.begin(), scratch.end());
  auto at = [&](double q) { return scratch[static_cast<size_t>(q * (scratch.size() - 1))] / 1000.0; };
  return {at(0.5), at(0.95)};
}

void print_row(std::FILE* out, const char* label, int scene, std::vector<uint32_t>& scratch) {
  size_t count = 0;
  for (const FrameSample& s : samples) count += (scene == INT32_MIN || s.scene == scene);
  if (count == 0) return;
  auto total = [](const FrameSample& s) { return s.draw_us + s.convert_us + s.encode_us; };
  Summary d = summarise([](const FrameSample& s) { return s.draw_us; }, scene, scratch);
  Summary c = summarise([](const FrameSample& s) { return s.convert_us; }, scene, scratch);
  Summary e = summarise([](const FrameSample& s) { return s.encode_us; }, scene, scratch);
  Summary w = summarise([](const FrameSample& s) { return s.write_us; }, scene, scratch);
  Summary t = summarise(total, scene, scratch);
  std::fprintf(out,
               "  %-10s %7zu  %6.3f/%6.3f  %6.3f/%6.3f  %6.3f/%6.3f  %6.3f/%6.3f  %6.3f/%6.3f\n",
               label, count, d.median, d.p95, c.median, c.p95, e.median, e.p95, w.median, w.p95,
               t.median, t.p95);
}

}  // namespace

void stats_begin(uint32_t capacity) {
  samples.reserve(capacity);
  frames_seen = 0;
}

void stats_record(const FrameSample& sample) {
  ++frames_seen;
  if (samples.size() < samples.capacity()) samples.push_back(sample);
}

void stats_print(std::FILE* out, double wall_seconds) {
  std::fprintf(out, "frames: %llu in %.2f s (%.1f fps)\n",
               static_cast<unsigned long long>(frames_seen), wall_seconds,
               wall_seconds > 0 ? frames_seen / wall_seconds : 0.0);
  if (samples.empty()) return;
  uint64_t bytes = 0, elided = 0, cells = 0;
  for (const FrameSample& s : samples) {
    bytes += s.bytes;
    elided += s.elided;
    cells += s.cells;
  }
  std::fprintf(out, "bytes per frame: %.0f; cells elided: %.1f%%\n",
               static_cast<double>(bytes) / samples.size(),
               cells ? 100.0 * static_cast<double>(elided) / static_cast<double>(cells) : 0.0);
  std::fprintf(out, "times in ms, median/p95:\n");
  std::fprintf(out, "  %-10s %7s  %-13s  %-13s  %-13s  %-13s  %-13s\n", "scene", "frames", "draw",
               "convert", "encode", "write", "draw+conv+enc");
  std::vector<uint32_t> scratch;
  scratch.reserve(samples.size());
  print_row(out, "all", INT32_MIN, scratch);
  static const char* const names[] = {"end", "0 robot", "1 stars", "2 flash", "3 saucer",
                                      "4 wave"};
  for (int scene = -1; scene <= 4; ++scene) print_row(out, names[scene + 1], scene, scratch);
  if (frames_seen > samples.size()) {
    std::fprintf(out, "(timings kept for the first %zu frames)\n", samples.size());
  }
}
