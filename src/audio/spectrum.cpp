#include <fftw3.h>

#include <cmath>

#include "audio/spectrum.h"

namespace {
float window[MUSIC_FFT_SIZE];
float* fft_in;
fftwf_complex* fft_out;
fftwf_plan plan;
}  // namespace

void spectrum_compute(const float* mono, float* bins) {
  if (!plan) {
    // Planned once; FFTW's buffers are aligned for its SIMD code.
    fft_in = fftwf_alloc_real(MUSIC_FFT_SIZE);
    fft_out = fftwf_alloc_complex(MUSIC_FFT_SIZE / 2 + 1);
    plan = fftwf_plan_dft_r2c_1d(MUSIC_FFT_SIZE, fft_in, fft_out, FFTW_ESTIMATE);
    for (int i = 0; i < MUSIC_FFT_SIZE; i++)
      window[i] = 0.5f - 0.5f * std::cos(2.0f * static_cast<float>(M_PI) * i / MUSIC_FFT_SIZE);
  }
  for (int i = 0; i < MUSIC_FFT_SIZE; i++) fft_in[i] = mono[i] * window[i];
  fftwf_execute(plan);
  // A sine of amplitude A gives |X| = A x N/2 x (Hann mean 0.5) in its bin.
  const float scale = 4.0f / MUSIC_FFT_SIZE;
  for (int i = 0; i < MUSIC_BINS; i++)
    bins[i] = std::sqrt(fft_out[i][0] * fft_out[i][0] + fft_out[i][1] * fft_out[i][1]) * scale;
}
