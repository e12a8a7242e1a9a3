// The logo: "VARROWBY 97" in italic chrome letters between two glowing rules, in the
// logo colours 142..254 of PaletteA. The stroke weight is chosen so that the logo has
// exactly 6,740 opaque pixels, the size of the engine's compiled image.
#include <cmath>

#include "tools/content/content.h"

namespace {

struct P2 {
  double x, y;
};
struct Stroke {
  std::vector<P2> points;
};  // a polyline in a unit cell, y down
using Letter = std::vector<Stroke>;

std::vector<P2> ellipse(double cx, double cy, double rx, double ry) {
  std::vector<P2> pts;
  for (int i = 0; i <= 20; ++i) {
    double a = 2 * 3.14159265358979323846 * i / 20;
    pts.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
  }
  return pts;
}

Letter letter(char ch) {
  switch (ch) {
    // clang-format off
    case 'V': return {{{{0, 0}, {0.5, 1}, {1, 0}}}};
    case 'A': return {{{{0, 1}, {0.5, 0}, {1, 1}}}, {{{0.25, 0.62}, {0.75, 0.62}}}};
    case 'R': return {{{{0, 1}, {0, 0}, {0.72, 0}, {0.95, 0.13}, {0.95, 0.37}, {0.72, 0.5}, {0, 0.5}}},
                      {{{0.5, 0.5}, {1, 1}}}};
    case 'O': return {{ellipse(0.5, 0.5, 0.5, 0.5)}};
    case 'W': return {{{{0, 0}, {0.22, 1}, {0.5, 0.3}, {0.78, 1}, {1, 0}}}};
    case 'B': return {{{{0, 0.5}, {0, 0}, {0.7, 0}, {0.9, 0.12}, {0.9, 0.38}, {0.7, 0.5}, {0, 0.5},
                        {0, 1}, {0.75, 1}, {1, 0.86}, {1, 0.64}, {0.75, 0.5}}}};
    case 'Y': return {{{{0, 0}, {0.5, 0.5}, {1, 0}}}, {{{0.5, 0.5}, {0.5, 1}}}};
    case '9': return {{ellipse(0.5, 0.3, 0.5, 0.3)}, {{{1, 0.3}, {1, 0.7}, {0.75, 1}, {0.05, 1}}}};
    case '7': return {{{{0, 0}, {1, 0}, {0.3, 1}}}};
      // clang-format on
  }
  return {};
}

double segment_distance(P2 p, P2 a, P2 b) {
  double dx = b.x - a.x, dy = b.y - a.y;
  double t = ((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy);
  t = t < 0 ? 0 : (t > 1 ? 1 : t);
  double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
  return std::sqrt(ex * ex + ey * ey);
}

// Letter cells in screen pixels: left edge, width. All share the same rows.
struct Cell {
  char ch;
  double left, width;
};
const Cell kCells[] = {{'V', 8, 25},   {'A', 38, 25},  {'R', 68, 25},  {'R', 98, 25},  {'O', 128, 25},
                       {'W', 158, 25}, {'B', 188, 25}, {'Y', 218, 25}, {'9', 256, 23}, {'7', 285, 23}};
const double kTop = 6, kBottom = 38, kSlant = 0.25;

// Chrome: a bright sky fading to a dark horizon at mid height, then a lighter
// reflection towards the foot. "97" takes the rose ramp instead.
const uint8_t kChrome[] = {254, 152, 172, 223, 171, 222, 221, 220, 219, 217,
                           214, 215, 216, 218, 219, 220, 169, 222, 171, 163};
const uint8_t kRose[] = {254, 181, 182, 159, 180, 179, 178, 177, 176, 174,
                         175, 176, 177, 253, 178, 179, 180, 158, 182, 181};
const uint8_t kOutline = 143, kShadow = 246;
// Rules: a glowing line, bright in the middle and dark towards the sides.
const uint8_t kRule[] = {213, 214, 215, 216, 217, 218, 219, 220, 221, 222, 223, 172, 152, 254};

double stroke_distance(int x, int y) {  // to the nearest letter skeleton, in pixels
  double best = 1e9;
  for (const Cell& cell : kCells) {
    double h = kBottom - kTop;
    double px = x + 0.5 - (kBottom - (y + 0.5)) * kSlant, py = y + 0.5;
    if (px < cell.left - 8 || px > cell.left + cell.width + 8) continue;
    for (const Stroke& s : letter(cell.ch))
      for (size_t i = 0; i + 1 < s.points.size(); ++i) {
        P2 a{cell.left + s.points[i].x * cell.width, kTop + s.points[i].y * h};
        P2 b{cell.left + s.points[i + 1].x * cell.width, kTop + s.points[i + 1].y * h};
        double d = segment_distance({px, py}, a, b);
        if (d < best) best = d;
      }
  }
  return best;
}

std::vector<uint8_t> render(const std::vector<double>& distance, double radius) {
  std::vector<uint8_t> img(kLogoWidth * kLogoHeight, 0);
  auto inside = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < kLogoWidth && y < kLogoHeight && distance[y * kLogoWidth + x] <= radius;
  };
  for (int y = 0; y < kLogoHeight; ++y)
    for (int x = 0; x < kLogoWidth; ++x) {
      double d = distance[y * kLogoWidth + x];
      uint8_t& p = img[y * kLogoWidth + x];
      if (d <= radius) {
        int band = static_cast<int>((y - (kTop - radius)) * 20 / (kBottom - kTop + 2 * radius));
        band = band < 0 ? 0 : (band > 19 ? 19 : band);
        if (d > radius - 1 && band > 0) band -= 1;  // a lighter rim catches the light
        p = (x >= 250 ? kRose : kChrome)[band];
      } else if (d <= radius + 1.2) {
        p = kOutline;
      } else if (inside(x - 2, y - 2)) {
        p = kShadow;
      }
    }
  for (int x = 0; x < kLogoWidth; ++x) {  // rules at the top and bottom rows
    int fromCentre = std::abs(2 * x + 1 - kLogoWidth) / 2;
    uint8_t c = kRule[13 - (fromCentre * 14 / 161 > 13 ? 13 : fromCentre * 14 / 161)];
    img[x] = c;
    img[48 * kLogoWidth + x] = c;
  }
  return img;
}

int opaque(const std::vector<uint8_t>& img) {
  int n = 0;
  for (uint8_t p : img) n += p != 0;
  return n;
}

}  // namespace

std::vector<uint8_t> build_logo() {
  const int kPixels = 6740;
  std::vector<double> distance(kLogoWidth * kLogoHeight);
  for (int y = 0; y < kLogoHeight; ++y)
    for (int x = 0; x < kLogoWidth; ++x) distance[y * kLogoWidth + x] = stroke_distance(x, y);
  // Thickest strokes that stay within the pixel budget ...
  double lo = 1.0, hi = 6.0;
  for (int i = 0; i < 40; ++i) {
    double mid = (lo + hi) / 2;
    if (opaque(render(distance, mid)) <= kPixels)
      lo = mid;
    else
      hi = mid;
  }
  std::vector<uint8_t> img = render(distance, lo);
  // ... and the few pixels left over become a dotted second rule, from the middle out.
  int missing = kPixels - opaque(img);
  for (int i = 0; missing > 0 && i < kLogoWidth; ++i) {
    int x = kLogoWidth / 2 + ((i & 1) ? -(i / 2 + 1) * 2 : (i / 2) * 2);
    if (x < 0 || x >= kLogoWidth || img[46 * kLogoWidth + x]) continue;
    img[46 * kLogoWidth + x] = 221;
    --missing;
  }
  return img;
}
