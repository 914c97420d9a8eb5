#include "tools/lutgen/lut_color.h"

#include <cmath>

namespace {
constexpr double PI = 3.14159265358979323846;
double lab_f(double t) {
  constexpr double d = 6.0 / 29.0;
  return t > d * d * d ? std::cbrt(t) : t / (3 * d * d) + 4.0 / 29.0;
}
double degrees(double radians) { return radians * 180.0 / PI; }
double radians(double degrees) { return degrees * PI / 180.0; }
}  // namespace

double lut_srgb_to_linear(double channel) {
  const double c = channel / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

Lab lut_lab_from_linear(double r, double g, double b) {
  const double x = 0.4124564 * r + 0.3575761 * g + 0.1804375 * b;
  const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
  const double z = 0.0193339 * r + 0.1191920 * g + 0.9503041 * b;
  const double fx = lab_f(x / 0.95047), fy = lab_f(y), fz = lab_f(z / 1.08883);
  return {116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

double lut_delta_e(const Lab& x, const Lab& y) {
  const double c1 = std::hypot(x.a, x.b), c2 = std::hypot(y.a, y.b);
  const double c_mean = (c1 + c2) / 2;
  const double c7 = std::pow(c_mean, 7);
  const double g = 0.5 * (1 - std::sqrt(c7 / (c7 + 6103515625.0)));  // 25^7
  const double a1 = (1 + g) * x.a, a2 = (1 + g) * y.a;
  const double cp1 = std::hypot(a1, x.b), cp2 = std::hypot(a2, y.b);
  double h1 = (a1 == 0 && x.b == 0) ? 0 : degrees(std::atan2(x.b, a1));
  double h2 = (a2 == 0 && y.b == 0) ? 0 : degrees(std::atan2(y.b, a2));
  if (h1 < 0) h1 += 360;
  if (h2 < 0) h2 += 360;

  const double dl = y.l - x.l, dc = cp2 - cp1;
  double dh = 0;
  if (cp1 * cp2 != 0) {
    dh = h2 - h1;
    if (dh > 180) dh -= 360;
    else if (dh < -180) dh += 360;
  }
  const double dhh = 2 * std::sqrt(cp1 * cp2) * std::sin(radians(dh / 2));

  const double l_mean = (x.l + y.l) / 2, cp_mean = (cp1 + cp2) / 2;
  double h_mean = h1 + h2;
  if (cp1 * cp2 != 0) {
    if (std::fabs(h1 - h2) <= 180) h_mean = (h1 + h2) / 2;
    else h_mean = (h1 + h2 < 360) ? (h1 + h2 + 360) / 2 : (h1 + h2 - 360) / 2;
  }
  const double t = 1 - 0.17 * std::cos(radians(h_mean - 30)) + 0.24 * std::cos(radians(2 * h_mean)) +
                   0.32 * std::cos(radians(3 * h_mean + 6)) - 0.20 * std::cos(radians(4 * h_mean - 63));
  const double d_theta = 30 * std::exp(-std::pow((h_mean - 275) / 25, 2));
  const double cp7 = std::pow(cp_mean, 7);
  const double rc = 2 * std::sqrt(cp7 / (cp7 + 6103515625.0));
  const double l50 = (l_mean - 50) * (l_mean - 50);
  const double sl = 1 + 0.015 * l50 / std::sqrt(20 + l50);
  const double sc = 1 + 0.045 * cp_mean, sh = 1 + 0.015 * cp_mean * t;
  const double rt = -std::sin(radians(2 * d_theta)) * rc;
  const double ql = dl / sl, qc = dc / sc, qh = dhh / sh;
  return std::sqrt(ql * ql + qc * qc + qh * qh + rt * qc * qh);
}
