// The textures and the sky: code only, no words.
#include <cmath>

#include "tools/picgen/pictures.h"

namespace {

float smooth(float e0, float e1, float x) {
  const float t = pic_clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

}  // namespace

PicCanvas pic_sky() {
  PicCanvas c(240, 150);
  const PicColor zenith = {8, 10, 48}, high = {40, 28, 100}, low = {150, 60, 110}, horizon = {255, 150, 60};
  for (int y = 0; y < c.h; ++y) {
    const float t = float(y) / float(c.h - 1);
    PicColor sky = t < 0.45f ? pic_mix(zenith, high, t / 0.45f)
                   : t < 0.8f ? pic_mix(high, low, (t - 0.45f) / 0.35f)
                              : pic_mix(low, horizon, (t - 0.8f) / 0.2f);
    for (int x = 0; x < c.w; ++x) {
      // Long streaks of cloud lit from below near the horizon.
      const float n = pic_fbm(x / 40.0f, y / 9.0f, 4, 7);
      const float cloud = smooth(0.52f, 0.7f, n) * smooth(0.15f, 0.55f, t) * (1 - smooth(0.85f, 1.0f, t));
      const PicColor lit = pic_mix({60, 30, 80}, {255, 120, 90}, smooth(0.4f, 0.95f, t));
      c.at(x, y) = pic_pixel(pic_mix(sky, lit, cloud * 0.8f));
    }
  }
  // Stars in the upper sky, a few of them big enough to survive 3 x 3 cells.
  for (int i = 0; i < 90; ++i) {
    const int x = int(pic_hash(i, 1, 11) * 240), y = int(pic_hash(i, 2, 11) * 80);
    const float b = 0.4f + 0.6f * pic_hash(i, 3, 11);
    const float fade = 1 - smooth(30, 85, float(y));
    if (i % 6 == 0) {
      pic_fill_disc(&c, x + 0.5f, y + 0.5f, 1.6f, {255, 250, 230}, b * fade);
    } else {
      pic_blend(&c, x, y, {255, 255, 255}, b * fade);
    }
  }
  // The moon, with a halo and a few darker seas.
  const float mx = 186, my = 34;
  for (int r = 34; r > 14; r -= 2) pic_fill_disc(&c, mx, my, float(r), {180, 170, 255}, 0.035f);
  pic_fill_disc(&c, mx, my, 14, {255, 246, 214}, 1);
  pic_fill_disc(&c, mx - 4, my - 3, 4, {214, 200, 170}, 0.8f);
  pic_fill_disc(&c, mx + 5, my + 4, 3, {214, 200, 170}, 0.7f);
  pic_fill_disc(&c, mx + 2, my - 7, 2, {214, 200, 170}, 0.6f);
  return c;
}

PicCanvas pic_env() {
  // Sphere map: texel (u, v) is the view-space normal (2u - 1, 1 - 2v); the
  // colour is what a mirror with that normal reflects.
  PicCanvas c(256, 256);
  for (int y = 0; y < c.h; ++y) {
    for (int x = 0; x < c.w; ++x) {
      float nx = (x + 0.5f) / 128.0f - 1, ny = 1 - (y + 0.5f) / 128.0f;
      const float r2 = nx * nx + ny * ny;
      if (r2 > 0.99f) {  // corners repeat the rim, just inside it so the side stays steady
        const float r = std::sqrt(r2) / 0.995f;
        nx /= r;
        ny /= r;
      }
      const float nz = std::sqrt(std::fmax(0.0f, 1 - nx * nx - ny * ny));
      const float rx = 2 * nz * nx, ry = 2 * nz * ny, rz = 2 * nz * nz - 1;
      PicColor col;
      if (ry >= 0) {  // sky: pale at the horizon, deep blue overhead
        col = pic_mix({235, 240, 255}, {30, 70, 190}, std::pow(ry, 0.45f));
      } else {  // ground: a dark band right under the horizon gives the chrome edge
        const float d = -ry;
        col = pic_mix({25, 20, 30}, {150, 100, 70}, smooth(0.05f, 0.9f, d));
      }
      // Two studio lights and a warm rim from behind.
      const float l1 = std::pow(std::fmax(0.0f, rx * -0.45f + ry * 0.6f + rz * 0.66f), 40.0f);
      const float l2 = std::pow(std::fmax(0.0f, rx * 0.7f + ry * 0.3f + rz * 0.65f), 24.0f);
      const float rim = smooth(0.6f, 1.0f, -rz) * 0.5f;
      col = pic_mix(col, {255, 255, 255}, pic_clamp01(l1 + l2 * 0.8f));
      col = pic_mix(col, {255, 140, 60}, rim * (ry < 0.2f ? 1.0f : 0.3f));
      c.at(x, y) = pic_pixel(col);
    }
  }
  return c;
}

PicCanvas pic_paper() {
  // Four by four windows per tile, some lit, most dark: the city is seen at
  // dusk, and after the light map and the contrast stretch a lit window is
  // what reads. The wall noise tiles with the picture.
  PicCanvas c(128, 128);
  for (int y = 0; y < c.h; ++y) {
    for (int x = 0; x < c.w; ++x) {
      const float n = pic_fbm(x / 16.0f, y / 16.0f, 4, 21, 8);
      PicColor wall = pic_mix({150, 146, 158}, {215, 205, 196}, n);
      const int cx = x % 32, cy = y % 32;
      const bool frame = cx >= 6 && cx < 26 && cy >= 5 && cy < 29;
      const bool glass = cx >= 8 && cx < 24 && cy >= 7 && cy < 27;
      const bool sill = cx >= 5 && cx < 27 && cy >= 29 && cy < 31;
      if (sill) wall = {235, 230, 225};
      if (frame) wall = {70, 66, 76};
      if (glass) {
        const bool lit = pic_hash(x / 32, y / 32, 5) < 0.45f;
        const float t = float(cy - 7) / 20.0f;
        PicColor g = lit ? pic_mix({255, 240, 150}, {255, 190, 90}, t) : pic_mix({24, 30, 60}, {60, 80, 124}, t);
        if (!lit && ((cx - 8) + (cy - 7)) % 16 < 3) g = pic_mix(g, {170, 190, 220}, 0.6f);  // a glint
        if (cx == 15 || cx == 16) g = {70, 66, 76};                                          // mullion
        wall = g;
      }
      if (cy < 2) wall = pic_mix(wall, {90, 86, 94}, 0.7f);  // floor line
      c.at(x, y) = pic_pixel(wall);
    }
  }
  return c;
}

PicCanvas pic_plite2() {
  // Drawn with environment mapping and multiplied over the facades, so it is
  // a light map by surface direction: warm key light from the low sunset side,
  // cool sky from above, darker away from both. Never below ~40% so the
  // windows stay visible after the multiply.
  PicCanvas c(128, 128);
  for (int y = 0; y < c.h; ++y) {
    for (int x = 0; x < c.w; ++x) {
      float nx = (x + 0.5f) / 64.0f - 1, ny = 1 - (y + 0.5f) / 64.0f;
      const float r2 = nx * nx + ny * ny;
      if (r2 > 1) {
        const float r = std::sqrt(r2);
        nx /= r;
        ny /= r;
      }
      const float nz = std::sqrt(std::fmax(0.0f, 1 - nx * nx - ny * ny));
      const float key = std::fmax(0.0f, -0.75f * nx + 0.2f * ny + 0.63f * nz);
      const float sky = std::fmax(0.0f, ny) * 0.3f + 0.7f;
      PicColor col = {150 * sky, 155 * sky, 190 * sky};
      col.r += 120 * key;
      col.g += 95 * key;
      col.b += 50 * key;
      c.at(x, y) = pic_pixel(col);
    }
  }
  return c;
}

PicCanvas pic_robot_texture(int index) {
  PicCanvas c(64, 64);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      PicColor col = {0, 0, 0};
      float a = 0;
      switch (index) {
        case 0:  // hazard stripes
          col = ((x + y) / 8) % 2 ? PicColor{255, 210, 0} : PicColor{20, 20, 20};
          a = 0.75f;
          break;
        case 1: {  // armour panels with seams and rivets
          const bool seam = x % 16 == 0 || y % 16 == 0;
          const bool rivet = (x % 16 == 3 || x % 16 == 13) && (y % 16 == 3 || y % 16 == 13);
          col = seam ? PicColor{30, 30, 40} : rivet ? PicColor{240, 240, 250} : PicColor{150, 160, 175};
          a = seam || rivet ? 0.95f : 0.45f;
          break;
        }
        case 2:  // red and white checks
          col = ((x / 16) + (y / 16)) % 2 ? PicColor{230, 30, 40} : PicColor{250, 250, 250};
          a = 0.6f;
          break;
        case 3: {  // circuit traces on bare metal
          const bool trace = (y % 16 == 8 && (x / 8) % 3 != 0) || (x % 16 == 4 && (y / 8) % 2 == 0);
          const bool pad = x % 16 >= 3 && x % 16 <= 5 && y % 16 >= 7 && y % 16 <= 9;
          col = pad ? PicColor{255, 220, 120} : PicColor{40, 255, 120};
          a = trace || pad ? 1.0f : 0.0f;
          break;
        }
        case 4: {  // rainbow bands
          const float h = float(y) / 64.0f * 6.0f;
          const int band = int(h) % 6;
          const PicColor rainbow[6] = {{255, 40, 40}, {255, 160, 0}, {255, 255, 40},
                                       {40, 220, 60}, {40, 120, 255}, {170, 60, 255}};
          col = rainbow[band];
          a = (y % 11 < 8) ? 0.7f : 0.0f;
          break;
        }
        case 5: {  // big cyan dots
          const float dx = float(x % 16) - 7.5f, dy = float(y % 16) - 7.5f;
          col = {40, 240, 255};
          a = dx * dx + dy * dy < 25 ? 0.9f : 0.0f;
          break;
        }
        case 6: {  // camouflage
          const float n = pic_fbm(x / 12.0f, y / 12.0f, 3, 61, 5);
          col = n < 0.4f ? PicColor{40, 60, 30} : n < 0.55f ? PicColor{110, 120, 60} : PicColor{170, 150, 100};
          a = 0.8f;
          break;
        }
        default: {  // glowing scan bands, mostly clear
          const int band = y % 16;
          col = {255, 80, 220};
          a = band < 3 ? 1.0f - band * 0.3f : 0.0f;
          if (x % 32 < 2) {
            col = {255, 255, 255};
            a = 0.9f;
          }
          break;
        }
      }
      c.at(x, y) = pic_pixel(col, a);
    }
  }
  return c;
}
