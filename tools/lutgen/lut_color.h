#pragma once
// Colour science for table generation: sRGB, linear light, CIELAB (D65) and
// the CIEDE2000 colour difference.
struct Lab {
  double l, a, b;
};

// 8-bit sRGB channel to linear light 0..1.
double lut_srgb_to_linear(double channel);
// Linear-light RGB (0..1) to CIELAB.
Lab lut_lab_from_linear(double r, double g, double b);
// CIEDE2000 difference (kL = kC = kH = 1).
double lut_delta_e(const Lab& x, const Lab& y);
