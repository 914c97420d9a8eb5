#include "tools/musicgen/synth.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double TWO_PI = 6.283185307179586;
constexpr double DT = 1.0 / SYNTH_RATE;

double note_hz(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

// Repeatable white noise in -1..1.
struct Noise {
  uint32_t state;
  double next() {
    state = state * 1664525u + 1013904223u;
    return static_cast<int32_t>(state) / 2147483648.0;
  }
};

// Band-limited sawtooth: a naive ramp with its step smoothed (polyBLEP).
double blep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1.0;
  }
  if (t > 1.0 - dt) {
    t = (t - 1.0) / dt;
    return t * t + t + t + 1.0;
  }
  return 0.0;
}

struct Saw {
  double phase = 0;
  double next(double hz) {
    double dt = hz * DT;
    double v = 2.0 * phase - 1.0 - blep(phase, dt);
    phase += dt;
    if (phase >= 1.0) phase -= 1.0;
    return v;
  }
};

// State-variable filter (trapezoidal), stable for any cutoff below Nyquist.
struct Filter {
  double ic1 = 0, ic2 = 0, low = 0, band = 0, high = 0;
  void run(double in, double hz, double q) {
    hz = std::clamp(hz, 20.0, SYNTH_RATE * 0.45);
    double g = std::tan(M_PI * hz * DT), k = 1.0 / q;
    double a1 = 1.0 / (1.0 + g * (g + k)), a2 = g * a1, a3 = g * a2;
    double v3 = in - ic2;
    double v1 = a1 * ic1 + a2 * v3;
    double v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2.0 * v1 - ic1;
    ic2 = 2.0 * v2 - ic2;
    low = v2;
    band = v1;
    high = in - k * v1 - v2;
  }
};

// Attack, then full level until release, then an exponential fall.
double envelope(double t, double held, double attack, double release) {
  double a = attack > 0 ? std::min(1.0, t / attack) : 1.0;
  return t < held ? a : a * std::exp(-(t - held) / release);
}

// Each voice writes a mono or stereo value per frame through this.
template <typename Fn>
void render_frames(const NoteEvent& n, int64_t tail, float* stereo, int64_t total, float gain, Fn fn) {
  int64_t end = std::min(total, n.start + n.length + tail);
  double held = static_cast<double>(n.length) * DT;
  for (int64_t f = std::max<int64_t>(n.start, 0); f < end; f++) {
    double l = 0, r = 0;
    fn((f - n.start) * DT, held, &l, &r);
    stereo[2 * f] += static_cast<float>(l * gain);
    stereo[2 * f + 1] += static_cast<float>(r * gain);
  }
}
}  // namespace

bool voice_from_name(const std::string& name, Voice* voice) {
  static const struct {
    const char* name;
    Voice voice;
  } names[] = {{"kick", Voice::Kick},   {"snare", Voice::Snare}, {"hat", Voice::Hat},
               {"openhat", Voice::OpenHat}, {"crash", Voice::Crash}, {"bass", Voice::Bass},
               {"lead", Voice::Lead},   {"pad", Voice::Pad},     {"pluck", Voice::Pluck},
               {"riser", Voice::Riser}, {"supersaw", Voice::Supersaw}};
  for (const auto& n : names)
    if (name == n.name) {
      *voice = n.voice;
      return true;
    }
  return false;
}

int64_t voice_tail(Voice voice) {
  switch (voice) {
    case Voice::Kick: return SYNTH_RATE / 2;
    case Voice::Snare: return SYNTH_RATE / 2;
    case Voice::Hat: return SYNTH_RATE / 8;
    case Voice::OpenHat: return SYNTH_RATE / 2;
    case Voice::Crash: return SYNTH_RATE * 3;
    case Voice::Bass: return SYNTH_RATE / 8;
    case Voice::Lead: return SYNTH_RATE / 2;
    case Voice::Pad: return SYNTH_RATE * 3;
    case Voice::Pluck: return SYNTH_RATE;
    case Voice::Riser: return SYNTH_RATE / 4;
    case Voice::Supersaw: return SYNTH_RATE;
  }
  return 0;
}

void voice_render(const Instrument& ins, const NoteEvent& n, float* stereo, int64_t total) {
  const float gain = ins.gain * n.velocity;
  const int64_t tail = voice_tail(ins.voice);
  Noise noise{static_cast<uint32_t>(n.start * 2654435761u) ^ static_cast<uint32_t>(ins.voice)};
  Filter f1, f2;
  Saw saws[MAX_CHORD * 4];
  double phase = 0;
  const double hz = n.count ? note_hz(n.notes[0]) : 0;
  switch (ins.voice) {
    case Voice::Kick:
      // Falling sine with a short click; slightly driven for punch.
      render_frames(n, tail, stereo, total, gain, [&](double t, double, double* l, double* r) {
        phase += TWO_PI * (48.0 + 120.0 * std::exp(-t / 0.035)) * DT;
        double body = std::sin(phase) * std::exp(-t / 0.28);
        double click = noise.next() * std::exp(-t / 0.003) * 0.4;
        *l = *r = std::tanh(1.6 * (body + click)) / std::tanh(1.6);
      });
      break;
    case Voice::Snare:
      render_frames(n, tail, stereo, total, gain, [&](double t, double, double* l, double* r) {
        phase += TWO_PI * (180.0 + 60.0 * std::exp(-t / 0.02)) * DT;
        double tone = std::sin(phase) * std::exp(-t / 0.07) * 0.6;
        f1.run(noise.next(), 2600.0, 0.6);
        double rattle = (f1.band + 0.4 * f1.high) * std::exp(-t / 0.13) * 1.4;
        *l = *r = tone + rattle;
      });
      break;
    case Voice::Hat:
    case Voice::OpenHat: {
      double decay = ins.voice == Voice::Hat ? 0.035 : 0.22;
      render_frames(n, tail, stereo, total, gain, [&](double t, double, double* l, double* r) {
        f1.run(noise.next(), 7500.0, 0.8);
        *l = *r = f1.high * std::exp(-t / decay);
      });
      break;
    }
    case Voice::Crash:
      render_frames(n, tail, stereo, total, gain, [&](double t, double, double* l, double* r) {
        f1.run(noise.next(), 5000.0, 0.7);
        f2.run(noise.next(), 5200.0, 0.7);
        double e = std::exp(-t / 0.9);
        *l = (f1.high + 0.3 * f1.band) * e;
        *r = (f2.high + 0.3 * f2.band) * e;
      });
      break;
    case Voice::Bass:
      // Saw plus a sine an octave below, through a low-pass that opens on
      // each note and closes again: the pluck of a rolling bass line.
      render_frames(n, tail, stereo, total, gain, [&](double t, double held, double* l, double* r) {
        double v = saws[0].next(hz) * 0.7 + std::sin(phase) * 0.8;
        phase += TWO_PI * hz * 0.5 * DT;
        f1.run(v, ins.cutoff * (1.0 + 3.0 * std::exp(-t / 0.08)), 1.1);
        *l = *r = f1.low * envelope(t, held, 0.004, 0.03);
      });
      break;
    case Voice::Lead:
      // Two detuned saws and a sub-octave, vibrato that sets in on long notes.
      render_frames(n, tail, stereo, total, gain, [&](double t, double held, double* l, double* r) {
        double vib = 1.0 + 0.004 * std::min(1.0, std::max(0.0, t - 0.25) * 3.0) * std::sin(TWO_PI * 5.5 * t);
        double v = saws[0].next(hz * vib * 1.004) + saws[1].next(hz * vib * 0.996) + 0.5 * saws[2].next(hz * vib * 0.5);
        f1.run(v, ins.cutoff * (0.6 + 0.8 * std::exp(-t / 0.25)), 1.4);
        double e = envelope(t, held, 0.008, 0.12);
        *l = *r = f1.low * e * 0.5;
      });
      break;
    case Voice::Pad:
      // Four detuned saws per chord note, alternately left and right; the
      // filter breathes slowly so held chords keep moving.
      render_frames(n, tail, stereo, total, gain, [&](double t, double held, double* l, double* r) {
        double sl = 0, sr = 0;
        for (int c = 0; c < n.count; c++) {
          double base = note_hz(n.notes[c]);
          static constexpr double detune[4] = {0.9931, 1.0069, 0.9978, 1.0022};
          for (int k = 0; k < 4; k++) {
            double v = saws[c * 4 + k].next(base * detune[k]);
            (k & 1 ? sr : sl) += v;
          }
        }
        double cut = ins.cutoff * (1.0 + 0.35 * std::sin(TWO_PI * 0.125 * t + n.start * 1e-5));
        f1.run(sl, cut, 0.8);
        f2.run(sr, cut, 0.8);
        double e = envelope(t, held, 0.35, 0.9) * 0.25;
        *l = f1.low * e;
        *r = f2.low * e;
      });
      break;
    case Voice::Pluck:
      render_frames(n, tail, stereo, total, gain, [&](double t, double held, double* l, double* r) {
        double v = saws[0].next(hz) + 0.5 * (phase < 0.5 ? 1.0 : -1.0);
        phase += hz * 2.0 * DT;
        if (phase >= 1.0) phase -= 1.0;
        f1.run(v, ins.cutoff * (0.25 + 1.5 * std::exp(-t / 0.06)), 1.6);
        *l = *r = f1.low * std::exp(-t / 0.18) * envelope(t, held, 0.002, 0.08) * 0.6;
      });
      break;
    case Voice::Supersaw: {
      // Seven saws spread around the note, alternately left and right, over
      // a sine at its pitch: the saws beat and shimmer while the sine keeps
      // the note itself steady and strong.
      static constexpr double spread[7] = {1.0, 0.9938, 1.0062, 0.9876, 1.0124, 0.9979, 1.0021};
      for (int k = 0; k < 7; k++) saws[k].phase = (noise.next() + 1.0) * 0.5;  // aligned edges would spike
      render_frames(n, tail, stereo, total, gain, [&](double t, double held, double* l, double* r) {
        double centre = saws[0].next(hz), sl = centre, sr = centre;
        for (int k = 1; k < 7; k++) (k & 1 ? sl : sr) += 0.55 * saws[k].next(hz * spread[k]);
        double body = std::sin(phase);
        phase += TWO_PI * hz * DT;
        double cut = ins.cutoff * (1.0 + 1.5 * std::exp(-t / 0.06));
        f1.run(sl, cut, 0.7);
        f2.run(sr, cut, 0.7);
        double e = envelope(t, held, 0.01, 0.12);
        *l = (0.25 * f1.low + body) * e * 0.5;
        *r = (0.25 * f2.low + body) * e * 0.5;
      });
      break;
    }
    case Voice::Riser: {
      // Noise whose band sweeps up and swells over the whole note.
      double len = std::max(1.0, static_cast<double>(n.length) * DT);
      render_frames(n, tail, stereo, total, gain, [&](double t, double held, double* l, double* r) {
        double x = std::min(t / len, 1.0);
        f1.run(noise.next(), 250.0 * std::pow(32.0, x), 2.5);
        double e = x * x * (t < held ? 1.0 : std::exp(-(t - held) / 0.05));
        *l = *r = f1.band * e * 1.5;
      });
      break;
    }
  }
}
