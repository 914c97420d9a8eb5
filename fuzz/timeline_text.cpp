// Any bytes as a timeline: the parser must refuse or accept them without
// crashing. What it accepts must evaluate safely and print back, through the
// dump's text, to the very same keys.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sync/timeline_text.h"

namespace {

bool same_keys(const std::vector<Keyframe>& a, const std::vector<Keyframe>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++)
    if (a[i].row != b[i].row || a[i].value != b[i].value ||
        a[i].interpolation != b[i].interpolation)
      return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Timeline timeline;
  std::string error;
  if (!timeline_parse(text, "fuzz.txt", &timeline, &error)) {
    if (!error.starts_with("fuzz.txt:")) __builtin_trap();
    return 0;
  }
  if (!error.empty()) __builtin_trap();

  std::string dump;
  for (int t = 0; t < TIMELINE_TRACKS; t++) {
    const std::vector<Keyframe>& keys = timeline.keys[t];
    const int32_t count = static_cast<int32_t>(keys.size());
    KeyTrack track{nullptr, const_cast<Keyframe*>(keys.data()), count};
    for (const Keyframe& key : keys) {
      track_value(&track, key.row - 0.5);
      track_value(&track, key.row + 0.5);
    }
    dump += timeline_track_text(TIMELINE_TRACK_NAMES[t], keys.data(), count);
  }

  Timeline again;
  if (!timeline_parse(dump, "dump", &again, &error)) __builtin_trap();
  for (int t = 0; t < TIMELINE_TRACKS; t++)
    if (!same_keys(timeline.keys[t], again.keys[t])) __builtin_trap();
  return 0;
}
