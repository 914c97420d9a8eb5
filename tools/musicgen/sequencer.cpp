#include "tools/musicgen/sequencer.h"

#include <algorithm>
#include <cmath>

#include "tools/musicgen/effects.h"

namespace {
double frames_per_step(const Song& song) { return SYNTH_RATE * 60.0 / song.bpm / 4.0; }

int64_t step_frame(const Song& song, int64_t step) {
  return static_cast<int64_t>(std::llround(step * frames_per_step(song)));
}

float ramp_at(const Ramp& r, double x) { return static_cast<float>(r.from + (r.to - r.from) * x); }

// Master gain per frame: 1 where no master line covers the bar.
std::vector<float> master_curve(const Song& song, int64_t frames) {
  std::vector<float> gain(static_cast<size_t>(frames), 1.0f);
  for (const MasterGain& m : song.master) {
    int64_t a = step_frame(song, int64_t{m.first_bar} * STEPS_PER_BAR);
    int64_t b = std::min(frames, step_frame(song, int64_t{m.last_bar + 1} * STEPS_PER_BAR));
    for (int64_t f = a; f < b; f++) gain[f] = ramp_at(m.gain, static_cast<double>(f - a) / (b - a));
  }
  return gain;
}

// Kick onsets, for the ducking of the instruments that make room for it.
std::vector<int64_t> kick_onsets(const Song& song) {
  std::vector<int64_t> onsets;
  for (const Play& p : song.plays)
    if (song.instruments[p.instrument].voice == Voice::Kick)
      for (const NoteEvent& n : song_play_notes(song, p)) onsets.push_back(n.start);
  std::sort(onsets.begin(), onsets.end());
  return onsets;
}

void mix_instrument(const Instrument& ins, const std::vector<float>& bus, const std::vector<int64_t>& kicks,
                    std::vector<float>& dry, std::vector<float>& echo, std::vector<float>& reverb) {
  // Equal-power balance: centre keeps both sides at full level.
  const float left = std::min(1.0f, 1.0f - ins.pan), right = std::min(1.0f, 1.0f + ins.pan);
  size_t next_kick = 0;
  int64_t last_kick = -SYNTH_RATE * 10;
  const int64_t frames = static_cast<int64_t>(bus.size() / 2);
  for (int64_t f = 0; f < frames; f++) {
    while (next_kick < kicks.size() && kicks[next_kick] <= f) last_kick = kicks[next_kick++];
    float g = 1.0f;
    if (ins.duck > 0) {
      double t = static_cast<double>(f - last_kick) / SYNTH_RATE;
      g = static_cast<float>(1.0 - ins.duck * std::min(1.0, t / 0.004) * std::exp(-t / 0.13));
    }
    float l = bus[2 * f] * left * g, r = bus[2 * f + 1] * right * g;
    dry[2 * f] += l;
    dry[2 * f + 1] += r;
    echo[2 * f] += l * ins.echo;
    echo[2 * f + 1] += r * ins.echo;
    reverb[2 * f] += l * ins.reverb;
    reverb[2 * f + 1] += r * ins.reverb;
  }
}
}  // namespace

int64_t song_frames(const Song& song) { return step_frame(song, int64_t{song.bars} * STEPS_PER_BAR); }

std::vector<NoteEvent> song_play_notes(const Song& song, const Play& play) {
  std::vector<NoteEvent> notes;
  const std::vector<Step>& steps = song.patterns[play.pattern].steps;
  const int64_t first = int64_t{play.first_bar} * STEPS_PER_BAR;
  const int64_t count = int64_t{play.last_bar - play.first_bar + 1} * STEPS_PER_BAR;
  for (int64_t i = 0; i < count; i++) {
    const Step& s = steps[i % steps.size()];
    if (s.kind != Step::Strike) continue;
    int64_t held = 1;  // holds run on, across bar lines and pattern repeats, to the range's end
    while (i + held < count && steps[(i + held) % steps.size()].kind == Step::Hold) held++;
    NoteEvent n;
    n.start = step_frame(song, first + i);
    n.length = step_frame(song, first + i + held) - n.start;
    n.count = s.count;
    for (int c = 0; c < s.count; c++) n.notes[c] = s.notes[c] + play.transpose;
    n.velocity = s.velocity * ramp_at(play.gain, static_cast<double>(i) / count);
    notes.push_back(n);
  }
  return notes;
}

std::vector<float> song_render(const Song& song) {
  const int64_t frames = song_frames(song);
  const size_t samples = static_cast<size_t>(frames) * 2;
  std::vector<float> dry(samples), echo(samples), reverb(samples), bus(samples);
  const std::vector<int64_t> kicks = kick_onsets(song);
  for (size_t i = 0; i < song.instruments.size(); i++) {
    std::fill(bus.begin(), bus.end(), 0.0f);
    bool used = false;
    for (const Play& p : song.plays)
      if (p.instrument == static_cast<int>(i))
        for (const NoteEvent& n : song_play_notes(song, p)) {
          voice_render(song.instruments[i], n, bus.data(), frames);
          used = true;
        }
    if (used) mix_instrument(song.instruments[i], bus, kicks, dry, echo, reverb);
  }
  fx_echo(echo.data(), frames, song.bpm);
  fx_reverb(reverb.data(), frames);
  const std::vector<float> master = master_curve(song, frames);
  float peak = 0;
  for (size_t i = 0; i < samples; i++) {
    dry[i] = (dry[i] + echo[i] + reverb[i]) * master[i / 2];
    peak = std::max(peak, std::fabs(dry[i]));
  }
  if (peak > 0)
    for (float& v : dry) v *= SONG_PEAK * SONG_DRIVE / peak;
  fx_limit(dry.data(), frames, SONG_PEAK);
  return dry;
}
