#include <algorithm>
#include <array>
#include <cmath>
#include <thread>

#include "tools/lutgen/lut_color.h"
#include "tools/lutgen/lut_tables.h"

namespace {

constexpr int GROUPS = 9;  // ramp indices 4g..4g+3; 0 is plain background, 9 (index 36) too

struct Linear {
  double r, g, b;
};

Linear palette_linear(int c) {
  const ColorSample& s = CONSOLE_PALETTE[c];
  return {lut_srgb_to_linear(s.r), lut_srgb_to_linear(s.g), lut_srgb_to_linear(s.b)};
}

Lab mixed_lab(int bg, int fg, double ink) {
  const Linear b = palette_linear(bg), f = palette_linear(fg);
  return lut_lab_from_linear(b.r + (f.r - b.r) * ink, b.g + (f.g - b.g) * ink, b.b + (f.b - b.b) * ink);
}

// The colour a 15-bit index stands for: the centre of its 8 x 8 x 8 box.
Lab target_lab(int32_t color) {
  const double r = ((color >> 10) & 31) * 8 + 4, g = ((color >> 5) & 31) * 8 + 4, b = (color & 31) * 8 + 4;
  return lut_lab_from_linear(lut_srgb_to_linear(r), lut_srgb_to_linear(g), lut_srgb_to_linear(b));
}

int ramp_index(float mix, int dither) {
  const int32_t j = static_cast<int32_t>(static_cast<double>(mix) * 2 * 37) ^ dither;
  return static_cast<uint32_t>(j) > 36 ? 36 : j;
}

// Rendered colours are the same for every target, so they are prepared once:
// per group, the distinct ramp characters with how many of the four dither
// values land on each.
struct GroupRender {
  int count = 0;
  int entry[4];
  double weight[4];
};

struct Renders {
  Lab solid[16];
  std::array<GroupRender, GROUPS> groups;
  std::vector<Lab> mixed;  // [(bg * 16 + fg) * DENSITY_RAMP_SIZE + entry]
};

Renders prepare(const float coverage[DENSITY_RAMP_SIZE]) {
  Renders r;
  for (int c = 0; c < 16; ++c) r.solid[c] = mixed_lab(c, c, 0);
  for (int g = 1; g < GROUPS; ++g) {
    GroupRender& gr = r.groups[g];
    for (int d = 0; d < 4; ++d) {
      const int j = ramp_index(lut_group_mix(g), d);
      int k = 0;
      while (k < gr.count && DENSITY_RAMP[gr.entry[k]] != DENSITY_RAMP[j]) ++k;
      if (k == gr.count) gr.entry[gr.count++] = j, gr.weight[k] = 0;
      gr.weight[k] += 0.25;
    }
  }
  r.mixed.resize(256 * DENSITY_RAMP_SIZE);
  for (int bg = 0; bg < 16; ++bg)
    for (int fg = 0; fg < 16; ++fg)
      for (int j = 0; j < DENSITY_RAMP_SIZE; ++j)
        r.mixed[(bg * 16 + fg) * DENSITY_RAMP_SIZE + j] = mixed_lab(bg, fg, coverage[j]);
  return r;
}

double euclid(const Lab& x, const Lab& y) {
  return std::sqrt((x.l - y.l) * (x.l - y.l) + (x.a - y.a) * (x.a - y.a) + (x.b - y.b) * (x.b - y.b));
}

// Options: 0-15 a plain cell of that colour, then 16 + (pair * 8 + group - 1).
constexpr int OPTIONS = 16 + 256 * (GROUPS - 1);
// CIEDE2000 is costly; the Euclidean Lab distance ranks the textured options
// first and only the closest SHORTLIST of them go on to the full measure.
constexpr int SHORTLIST = 48;
// A textured cell (glyphs in two colours) must beat the best plain cell by
// about a just noticeable difference: the measure sees only the cell's average
// colour, the viewer also sees the texture.
constexpr double TEXTURE_COST = 1.0;

double option_error(const Renders& r, const Lab& target, int option, bool full) {
  if (option < 16) return full ? lut_delta_e(target, r.solid[option]) : euclid(target, r.solid[option]);
  const int pair = (option - 16) / (GROUPS - 1), group = (option - 16) % (GROUPS - 1) + 1;
  const Lab* renders = &r.mixed[pair * DENSITY_RAMP_SIZE];
  const GroupRender& gr = r.groups[group];
  double e = 0;
  for (int k = 0; k < gr.count; ++k) {
    const Lab& x = renders[gr.entry[k]];
    e += gr.weight[k] * (full ? lut_delta_e(target, x) : euclid(target, x));
  }
  return e;
}

// Lower option numbers win ties, so a plain cell is preferred.
void choose(const Renders& r, int32_t color, uint8_t* pair, float* mix, double* error) {
  const Lab target = target_lab(color);
  // Colours the console shows exactly are common in drawn pictures: their
  // boxes stay plain cells of that colour.
  for (int c = 0; c < 16; ++c) {
    const ColorSample& p = CONSOLE_PALETTE[c];
    if (color15(p.r, p.g, p.b) == color) {
      *pair = static_cast<uint8_t>(c << 4 | c);
      *mix = 0.0f;
      *error = lut_delta_e(target, r.solid[c]);
      return;
    }
  }
  std::vector<std::pair<double, int>> ranked;
  ranked.reserve(OPTIONS);
  for (int option = 16; option < OPTIONS; ++option) {
    if ((option - 16) / (GROUPS - 1) % 17 == 0) continue;  // bg == fg: a plain cell again
    ranked.emplace_back(option_error(r, target, option, false), option);
  }
  std::partial_sort(ranked.begin(), ranked.begin() + SHORTLIST, ranked.end());
  ranked.resize(SHORTLIST);
  std::sort(ranked.begin(), ranked.end(), [](const auto& x, const auto& y) { return x.second < y.second; });
  double best = INFINITY, best_error = 0;
  int best_option = 0;
  for (int option = 0; option < 16; ++option) {
    const double e = option_error(r, target, option, true);
    if (e < best) best = best_error = e, best_option = option;
  }
  for (const auto& [cheap, option] : ranked) {
    const double e = option_error(r, target, option, true);
    if (e + TEXTURE_COST < best) best = e + TEXTURE_COST, best_error = e, best_option = option;
  }
  if (best_option < 16) {
    *pair = static_cast<uint8_t>(best_option << 4 | best_option);
    *mix = 0.0f;
  } else {
    *pair = static_cast<uint8_t>((best_option - 16) / (GROUPS - 1));
    *mix = lut_group_mix((best_option - 16) % (GROUPS - 1) + 1);
  }
  *error = best_error;
}

}  // namespace

float lut_group_mix(int group) { return static_cast<float>((group * 4 + 0.5) / 74.0); }

double lut_flat_error(const float coverage[DENSITY_RAMP_SIZE], int32_t color, uint8_t pair, float mix) {
  const Lab target = target_lab(color);
  double e = 0;
  for (int d = 0; d < 4; ++d) {
    const int j = mix < 0 ? 36 : ramp_index(mix, d);
    e += 0.25 * lut_delta_e(target, mixed_lab(pair >> 4, pair & 15, coverage[j]));
  }
  return e;
}

ColorTableReport lut_build_color_tables(const float coverage[DENSITY_RAMP_SIZE], uint8_t pairs[COLOR_CODES],
                                        float mixes[COLOR_CODES], int threads) {
  const Renders renders = prepare(coverage);
  static double errors[COLOR_CODES];
  if (threads < 1) threads = 1;
  std::vector<std::thread> pool;
  // Interleaved colours keep the threads evenly loaded; each writes only its own entries.
  for (int t = 0; t < threads; ++t) {
    pool.emplace_back([&, t] {
      for (int32_t c = t; c < COLOR_CODES; c += threads) choose(renders, c, &pairs[c], &mixes[c], &errors[c]);
    });
  }
  for (std::thread& th : pool) th.join();

  ColorTableReport report;
  for (int32_t c = 0; c < COLOR_CODES; ++c) {
    report.mean_error += errors[c];
    if (errors[c] > report.worst_error) report.worst_error = errors[c], report.worst_color = c;
  }
  report.mean_error /= COLOR_CODES;
  return report;
}
