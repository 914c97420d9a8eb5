#include "tools/musicgen/effects.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <vector>

#include "tools/musicgen/synth.h"

void fx_echo(float* stereo, int64_t frames, double bpm) {
  const size_t delay = static_cast<size_t>(SYNTH_RATE * 60.0 / bpm * 0.75);
  const float feedback = 0.42f, damp = 0.35f;
  std::vector<float> left(delay), right(delay);
  float lp_l = 0, lp_r = 0;
  size_t at = 0;
  for (int64_t f = 0; f < frames; f++) {
    float in = (stereo[2 * f] + stereo[2 * f + 1]) * 0.5f;
    float out_l = left[at], out_r = right[at];
    lp_l += (out_l - lp_l) * (1.0f - damp);
    lp_r += (out_r - lp_r) * (1.0f - damp);
    left[at] = in + lp_r * feedback;  // the left line feeds the right and back
    right[at] = lp_l * feedback;
    stereo[2 * f] = out_l;
    stereo[2 * f + 1] = out_r;
    if (++at == delay) at = 0;
  }
}

namespace {
struct Comb {
  std::vector<float> line;
  size_t at = 0;
  float store = 0;
  float run(float in) {
    float out = line[at];
    store = out * 0.75f + store * 0.25f;  // damping
    line[at] = in + store * 0.82f;
    if (++at == line.size()) at = 0;
    return out;
  }
};

struct Allpass {
  std::vector<float> line;
  size_t at = 0;
  float run(float in) {
    float buffered = line[at];
    float out = buffered - in;
    line[at] = in + buffered * 0.5f;
    if (++at == line.size()) at = 0;
    return out;
  }
};
}  // namespace

void fx_reverb(float* stereo, int64_t frames) {
  static const size_t comb_sizes[4] = {1116, 1277, 1422, 1557};
  static const size_t allpass_sizes[2] = {556, 441};
  std::vector<float> mono(static_cast<size_t>(frames));
  for (int64_t f = 0; f < frames; f++) mono[f] = (stereo[2 * f] + stereo[2 * f + 1]) * 0.5f;
  for (int ch = 0; ch < 2; ch++) {
    const size_t spread = ch ? 23 : 0;  // decorrelates left and right
    Comb combs[4];
    Allpass passes[2];
    for (int i = 0; i < 4; i++) combs[i].line.assign(comb_sizes[i] + spread, 0.0f);
    for (int i = 0; i < 2; i++) passes[i].line.assign(allpass_sizes[i] + spread, 0.0f);
    for (int64_t f = 0; f < frames; f++) {
      float out = 0;
      for (Comb& c : combs) out += c.run(mono[f]);
      for (Allpass& a : passes) out = a.run(out);
      stereo[2 * f + ch] = out * 0.25f;
    }
  }
}

void fx_limit(float* stereo, int64_t frames, float ceiling) {
  const int64_t look = SYNTH_RATE / 250;  // 4 ms
  const size_t n = static_cast<size_t>(frames);
  std::vector<float> need(n), lowest(n);
  for (size_t f = 0; f < n; f++) {
    float peak = std::max(std::fabs(stereo[2 * f]), std::fabs(stereo[2 * f + 1]));
    need[f] = peak > ceiling ? ceiling / peak : 1.0f;
  }
  // Lowest need within look frames either side (monotonic queue).
  std::deque<size_t> queue;
  size_t next = 0;
  for (size_t f = 0; f < n; f++) {
    for (; next < n && next <= f + look; next++) {
      while (!queue.empty() && need[queue.back()] >= need[next]) queue.pop_back();
      queue.push_back(next);
    }
    while (queue.front() + look < f) queue.pop_front();
    lowest[f] = need[queue.front()];
  }
  // A box average over half that span turns steps into ramps; every value
  // averaged into frame f saw f's own need, so the result never exceeds it.
  const int64_t half = look / 2;
  double sum = 0;
  int64_t count = 0;
  const double recover = 1.0 - std::exp(-1.0 / (0.1 * SYNTH_RATE));
  double gain = 1.0;
  for (int64_t f = -half; f < frames; f++) {
    if (f + half < frames) sum += lowest[f + half], count++;
    if (f - half - 1 >= 0) sum -= lowest[f - half - 1], count--;
    if (f < 0) continue;
    gain = std::min(sum / count, gain + (1.0 - gain) * recover);
    // The clamp only catches rounding in the last bit.
    for (int ch = 0; ch < 2; ch++)
      stereo[2 * f + ch] = std::clamp(stereo[2 * f + ch] * static_cast<float>(gain), -ceiling, ceiling);
  }
}
