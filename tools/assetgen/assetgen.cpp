#include "assetgen.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "core/fileio.h"
#include "files/assets.h"
#include "files/tiff.h"
#include "render/asset_sets.h"
#include "scene/settings.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// ---------------------------------------------------------------------------
// Periodic noise. Every pattern is a function of tile coordinates in [0, 1)
// built only from pieces that repeat with period 1, so the tiles join
// without a seam however the renderer lays them side by side.

uint32_t Hash(uint32_t a, uint32_t b, uint32_t seed) {
  uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ seed * 0xC2B2AE3Du;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}

// -1 .. 1
double HashUnit(uint32_t a, uint32_t b, uint32_t seed) { return Hash(a, b, seed) / 2147483647.5 - 1.0; }

int32_t Wrap(int64_t i, int32_t period) {
  int64_t r = i % period;
  return static_cast<int32_t>(r < 0 ? r + period : r);
}

double Fade(double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); }

// Value noise with `px` x `py` lattice cells over the tile, -1 .. 1.
double Noise2(double x, double y, int32_t px, int32_t py, uint32_t seed) {
  const double fx = x * px;
  const double fy = y * py;
  const double x0 = std::floor(fx);
  const double y0 = std::floor(fy);
  const double tx = Fade(fx - x0);
  const double ty = Fade(fy - y0);
  const int32_t ix = Wrap(static_cast<int64_t>(x0), px);
  const int32_t iy = Wrap(static_cast<int64_t>(y0), py);
  const int32_t jx = (ix + 1) % px;
  const int32_t jy = (iy + 1) % py;
  const double a = HashUnit(ix, iy, seed);
  const double b = HashUnit(jx, iy, seed);
  const double c = HashUnit(ix, jy, seed);
  const double d = HashUnit(jx, jy, seed);
  return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

// Several octaves of Noise2, each twice as fine and half as strong, -1 .. 1.
double Fractal(double x, double y, int32_t px, int32_t py, int32_t octaves, uint32_t seed) {
  double sum = 0.0;
  double weight = 0.0;
  double amplitude = 1.0;
  for (int32_t o = 0; o < octaves; ++o) {
    sum += amplitude * Noise2(x, y, px << o, py << o, seed + 101u * o);
    weight += amplitude;
    amplitude *= 0.5;
  }
  return sum / weight;
}

// One-dimensional periodic noise along a thread or line, -1 .. 1.
double Noise1(double t, int32_t period, uint32_t seed) { return Noise2(t, 0.0, period, 1, seed); }

// Distance on the unit circle, 0 .. 0.5.
double PeriodicDistance(double a, double b) {
  double d = std::fabs(a - b);
  d -= std::floor(d);
  return std::min(d, 1.0 - d);
}

struct Vec3 {
  double x, y, z;
};

Vec3 Normalised(Vec3 v) {
  const double n = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  return {v.x / n, v.y / n, v.z / n};
}

double Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// ---------------------------------------------------------------------------
// Textures. Rows count upwards, so the light from the upper left is -x, +y.

const Vec3 kTextureLight = Normalised({-1.0, 1.0, 1.4});

double LaidPaper(double x, double y) {
  double v = 239.0;
  // Laid lines: 32 per tile (25 to the inch), each a little stronger or
  // weaker than its neighbours and wandering slightly.
  const double phase = y * 32.0 + 0.12 * Noise1(x, 6, 11u);
  const int32_t line = Wrap(static_cast<int64_t>(std::floor(phase)), 32);
  const double strength = 0.75 + 0.25 * HashUnit(line, 0, 12u);
  const double across = phase - std::floor(phase) - 0.5;
  v -= 7.0 * strength * std::exp(-(across * across) / (2.0 * 0.11 * 0.11));
  // One chain line per tile, with the darker band that forms beside it.
  const double chainAt = 0.5 + 0.003 * Noise1(y, 5, 13u);
  const double d = PeriodicDistance(x, chainAt) * 256.0;
  v -= 9.0 * std::exp(-(d * d) / (2.0 * 1.1 * 1.1));
  v -= 3.0 * std::exp(-(d * d) / (2.0 * 9.0 * 9.0));
  // Fibres and the paper's cloudy formation.
  v += 4.0 * Fractal(x, y, 32, 32, 3, 14u);
  v += 2.5 * Noise2(x, y, 256, 256, 15u);
  v += 4.0 * Fractal(x, y, 3, 3, 3, 16u);
  return v;
}

double Suede(double x, double y) {
  double v = 226.0;
  // Fine nap: grain at the pixel scale, softened by a second finer layer.
  v += 6.0 * Noise2(x, y, 128, 128, 21u) + 4.0 * Noise2(x, y, 256, 256, 22u);
  // Brushed streaks where the nap lies in one direction.
  v += 6.0 * Fractal(x, y, 6, 24, 3, 23u);
  // Soft mottling.
  v += 9.0 * Fractal(x, y, 3, 3, 3, 24u);
  return v;
}

struct Weave {
  int32_t threads;     // per tile in each direction; even, so over-under repeats
  double halfWidth;    // of a thread, in units of the thread pitch
  double jitter;       // of a thread's centre, in units of the pitch
  double slub;         // how much a thread thickens and thins along its length
  int32_t slubPeriod;  // slub cycles along one tile
  double tone;         // thread-to-thread brightness variation
  double hair;         // fibre streaks along the thread
  double twist;        // the spun yarn's diagonal ridges
  double low, high;    // brightness of a thread in shade and fully lit
  double gap;          // brightness seen through the holes between threads
  uint32_t seed;
};

// Brightness 0..1 of a round thread at `across` (-1 .. 1 over its width)
// where it rises or falls along its length by `archSlope`.
double ThreadLight(double across, double archSlope, bool alongY) {
  const double height = std::sqrt(std::max(0.0, 1.0 - across * across));
  Vec3 n = alongY ? Vec3{across, archSlope, height + 0.15} : Vec3{archSlope, across, height + 0.15};
  n = Normalised(n);
  return std::clamp(0.15 + 0.95 * Dot(n, kTextureLight), 0.0, 1.0);
}

double WovenCloth(double x, double y, const Weave& w) {
  const double fx = x * w.threads;
  const double fy = y * w.threads;
  const int64_t i = static_cast<int64_t>(std::floor(fx));
  const int64_t j = static_cast<int64_t>(std::floor(fy));
  const double cx = fx - std::floor(fx);
  const double cy = fy - std::floor(fy);
  const int32_t warp = Wrap(i, w.threads);  // vertical thread of this cell
  const int32_t weft = Wrap(j, w.threads);  // horizontal thread of this cell
  const bool warpOnTop = ((warp + weft) & 1) == 0;

  const double warpCentre = 0.5 + w.jitter * HashUnit(warp, 1, w.seed);
  const double weftCentre = 0.5 + w.jitter * HashUnit(weft, 2, w.seed);
  const double warpSlub = std::max(-0.6, Noise1(y, w.slubPeriod, w.seed + 3u + warp * 7u));
  const double weftSlub = std::max(-0.6, Noise1(x, w.slubPeriod, w.seed + 4u + weft * 7u));
  const double warpWidth = w.halfWidth * (1.0 + w.slub * warpSlub);
  const double weftWidth = w.halfWidth * (1.0 + w.slub * weftSlub);
  const double dx = (cx - warpCentre) / warpWidth;
  const double dy = (cy - weftCentre) / weftWidth;
  const bool inWarp = std::fabs(dx) < 1.0;
  const bool inWeft = std::fabs(dy) < 1.0;

  double light;
  double tone;
  double hair;
  double ridge;
  if (inWarp && (warpOnTop || !inWeft)) {
    // The warp rises over the weft in the middle of its cell and dips under
    // the next weft at the cell's edges.
    const double slope = (warpOnTop ? -0.9 : 0.9) * std::cos(kPi * cy);
    light = ThreadLight(dx, slope, true) * (warpOnTop ? 1.0 : 0.82);
    tone = HashUnit(warp, 5, w.seed);
    hair = Fractal(x, y, w.threads * 8, w.threads / 2, 2, w.seed + 6u);
    ridge = std::sin(2.0 * kPi * (3.0 * fy + 0.3 * dx));
  } else if (inWeft) {
    const double slope = (warpOnTop ? 0.9 : -0.9) * std::cos(kPi * cx);
    light = ThreadLight(dy, slope, false) * (warpOnTop ? 0.82 : 1.0);
    tone = HashUnit(weft, 7, w.seed);
    hair = Fractal(x, y, w.threads / 2, w.threads * 8, 2, w.seed + 8u);
    ridge = std::sin(2.0 * kPi * (3.0 * fx + 0.3 * dy));
  } else {
    return w.gap + 6.0 * Noise2(x, y, 64, 64, w.seed + 9u);
  }
  const double level = std::clamp(light * (1.0 + w.tone * tone + w.twist * ridge) + w.hair * hair, 0.0, 1.0);
  return w.low + (w.high - w.low) * level;
}

double Linen(double x, double y) {
  static const Weave kLinen{64, 0.42, 0.05, 0.45, 6, 0.10, 0.06, 0.0, 176.0, 252.0, 168.0, 31u};
  return WovenCloth(x, y, kLinen) + 3.0 * Fractal(x, y, 4, 4, 2, 32u);
}

double Canvas(double x, double y) {
  static const Weave kCanvas{32, 0.47, 0.015, 0.06, 4, 0.03, 0.05, 0.04, 165.0, 250.0, 150.0, 41u};
  return WovenCloth(x, y, kCanvas);
}

double Burlap(double x, double y) {
  static const Weave kBurlap{16, 0.36, 0.08, 0.35, 3, 0.12, 0.22, 0.12, 140.0, 240.0, 105.0, 51u};
  return WovenCloth(x, y, kBurlap) + 4.0 * Fractal(x, y, 8, 8, 2, 52u);
}

struct TextureRecipe {
  double (*pattern)(double x, double y);
  int32_t size;       // pixels per side
  double resolution;  // pixels per inch
};

// Each tile is 1 to 2 inches across at its own resolution.
const std::array<TextureRecipe, 6> kTextureRecipes = {{
    {nullptr, 0, 0.0},
    {LaidPaper, 256, 200.0},
    {Suede, 256, 256.0},
    {Linen, 256, 160.0},
    {Canvas, 256, 128.0},
    {Burlap, 256, 128.0},
}};

// ---------------------------------------------------------------------------
// Frame profiles: height over the moulding's width, outer edge at u = 0.

// A quarter round of radius r easing a plateau of height top down at both ends.
double EasedPlateau(double u, double top, double r) {
  const double e = std::min(u, 1.0 - u);
  if (e >= r) return top;
  const double t = r - e;
  return top - r + std::sqrt(std::max(0.0, r * r - t * t));
}

double Bead(double u, double centre, double radius) {
  const double t = u - centre;
  return std::sqrt(std::max(0.0, radius * radius - t * t));
}

double Ramp(double u, double u0, double z0, double u1, double z1) {
  const double t = std::clamp((u - u0) / (u1 - u0), 0.0, 1.0);
  return z0 + (z1 - z0) * t;
}

double SmoothStep(double t) {
  t = std::clamp(t, 0.0, 1.0);
  return t * t * (3.0 - 2.0 * t);
}

double Rectangular(double u) { return EasedPlateau(u, 0.22, 0.035); }

// A rounded shoulder at the outside, then a plain chamfer down to the sight edge.
double Beveled(double u) {
  if (u < 0.30) return EasedPlateau(std::min(u, 0.5), 0.36, 0.10);
  return std::min(Ramp(u, 0.30, 0.36, 0.97, 0.12), EasedPlateau(u, 0.36, 0.03));
}

double Rounded(double u) { return EasedPlateau(u, 0.30, 0.16); }
double MoreRounded(double u) { return EasedPlateau(u, 0.40, 0.30); }
double FullyRounded(double u) { return Bead(u, 0.5, 0.5); }

// Low at the wall, rising to a flat lip at the picture.
double ReverseBevel1(double u) {
  const double face = u > 0.78 ? 0.42 : Ramp(u, 0.03, 0.10, 0.78, 0.42);
  return std::min(face, EasedPlateau(u, 0.42, 0.03));
}

// A flat band at the wall, a hollow cove sweeping up towards the picture and
// a bead on the lip.
double ReverseBevel2(double u) {
  double z;
  if (u < 0.16) {
    z = 0.10;
  } else if (u < 0.84) {
    const double t = (u - 0.16) / 0.68;
    z = 0.10 + 0.30 * (1.0 - std::sqrt(std::max(0.0, 1.0 - t * t)));
  } else {
    z = 0.36 + Bead(u, 0.92, 0.08);
  }
  return std::min(z, EasedPlateau(u, 0.5, 0.02));
}

// Two straight faces meeting in a ridge along the middle.
double InvertedV(double u) {
  const double t = 2.0 * u - 1.0;
  return 0.40 - 0.30 * std::sqrt(t * t + 0.0025);
}

// Bead at the wall, a cove, a fillet stepping up to a raised flat, and a
// small bead on the sight edge.
double Fancy1(double u) {
  if (u < 0.18) return 0.16 + Bead(u, 0.09, 0.09);
  if (u < 0.54) {
    const double t = (u - 0.36) / 0.18;
    return 0.12 + 0.12 * t * t;
  }
  if (u < 0.60) return 0.27;
  if (u < 0.84) return 0.30 + 0.02 * std::sin(kPi * (u - 0.60) / 0.24);
  return 0.22 + Bead(u, 0.92, 0.08);
}

// A broad torus at the wall, two steps down, then an ogee rising to a lip.
double Fancy2(double u) {
  if (u < 0.34) return 0.16 + 0.26 * std::sqrt(std::max(0.0, 1.0 - std::pow((u - 0.17) / 0.17, 2.0)));
  if (u < 0.46) return 0.22;
  if (u < 0.58) return 0.16;
  if (u < 0.90) return 0.13 + 0.17 * SmoothStep((u - 0.58) / 0.32);
  return 0.24 + Bead(u, 0.95, 0.05);
}

// Three equal half-round beads side by side.
double TripleBead(double u) {
  const double third = 1.0 / 3.0;
  const int32_t k = std::min(2, static_cast<int32_t>(u / third));
  return 0.04 + Bead(u, third * (k + 0.5), third * 0.5);
}

using Profile = double (*)(double u);
const std::array<Profile, kFrameStyleCount> kProfiles = {
    Rectangular,   Beveled,   Rounded, MoreRounded, FullyRounded, ReverseBevel1,
    ReverseBevel2, InvertedV, Fancy1,  Fancy2,      TripleBead,
};

// The room's lamp hangs to the upper left of the piece and in front of it.
// Seen across one side of the frame, its horizontal part comes from the
// outer edge for the left and top sides and from the inner edge for the
// right and bottom ones. Being nearer the lamp, the left and top sides also
// receive more of its light than the far ones.
constexpr double kLightAcross = 0.30;
constexpr double kLightUp = 1.0;
constexpr double kFarSideExposure = 0.78;
constexpr int32_t kSuperSamples = 8;
constexpr double kSlopeLimit = 12.0;

struct Finish {
  double ambient;
  double diffuse;
  double highlight;  // narrow specular peak
  double highlightPower;
  double sheen;  // broad soft sheen
  double sheenPower;
};

const std::array<Finish, 2> kFinishes = {{
    {0.28, 0.64, 0.00, 1.0, 0.04, 3.0},     // Flat: matte falloff only
    {0.20, 0.62, 0.90, 200.0, 0.10, 12.0},  // Glossy: narrow bright highlights
}};

// Shaded profile for one side: kTileAcross samples from the outer edge in.
std::vector<double> ShadeProfile(int32_t finish, int32_t style, bool lightFromOuterEdge) {
  const int32_t n = kTileAcross * kSuperSamples;
  const double du = 1.0 / n;
  std::vector<double> z(n);
  std::vector<double> slope(n);
  const Profile profile = kProfiles[style];
  for (int32_t k = 0; k < n; ++k) {
    const double u = (k + 0.5) * du;
    z[k] = profile(u);
    const double h = 0.25 * du;
    slope[k] = std::clamp((profile(std::min(1.0, u + h)) - profile(std::max(0.0, u - h))) / (2.0 * h),
                          -kSlopeLimit, kSlopeLimit);
  }

  // Light in the plane of the cross-section: (across towards the light, up).
  const double lightLength = std::hypot(kLightAcross, kLightUp);
  const double la = kLightAcross / lightLength;
  const double lz = kLightUp / lightLength;
  const double sign = lightFromOuterEdge ? 1.0 : -1.0;
  const double halfLength = std::hypot(la, lz + 1.0);
  const double ha = la / halfLength;
  const double hz = (lz + 1.0) / halfLength;

  // Cast shadows: the highest ray towards the light seen so far.
  std::vector<double> lit(n, 1.0);
  const double fall = du * (lz / la);
  double horizon = -1.0e9;
  for (int32_t step = 0; step < n; ++step) {
    const int32_t k = lightFromOuterEdge ? step : n - 1 - step;
    const double gap = z[k] - horizon;
    lit[k] = SmoothStep(gap / 0.004 + 1.0);
    horizon = std::max(horizon - fall, z[k]);
  }

  // Ambient occlusion from the horizon on both sides within a third of the width.
  const int32_t reach = n / 3;
  std::vector<double> open(n, 1.0);
  for (int32_t k = 0; k < n; ++k) {
    double left = 0.0;
    double right = 0.0;
    for (int32_t d = 1; d <= reach; ++d) {
      if (k - d >= 0) left = std::max(left, (z[k - d] - z[k]) / (d * du));
      if (k + d < n) right = std::max(right, (z[k + d] - z[k]) / (d * du));
    }
    open[k] = 1.0 - (std::atan(left) + std::atan(right)) / kPi;
  }

  const Finish& f = kFinishes[finish];
  const double exposure = lightFromOuterEdge ? 1.0 : kFarSideExposure;
  std::vector<double> result(kTileAcross, 0.0);
  for (int32_t k = 0; k < n; ++k) {
    // Surface normal (across towards the outer edge, up).
    const double norm = std::sqrt(1.0 + slope[k] * slope[k]);
    const double na = slope[k] / norm;
    const double nz = 1.0 / norm;
    const double diffuse = std::max(0.0, sign * na * la + nz * lz) * lit[k];
    const double specular = std::max(0.0, sign * na * ha + nz * hz);
    const double reflected = lit[k] * (f.highlight * std::pow(specular, f.highlightPower) +
                                       f.sheen * std::pow(specular, f.sheenPower));
    const double value = exposure * (f.ambient * open[k] + f.diffuse * diffuse + reflected);
    result[k / kSuperSamples] += std::min(1.0, value) / kSuperSamples;
  }
  return result;
}

// The shift of a repeating sequence of line means that makes the lines next
// to both ends, taken in runs of 1 to 16, as near the overall mean as can be.
int32_t QuietestSeam(const std::vector<double>& means) {
  const int32_t n = static_cast<int32_t>(means.size());
  double overall = 0.0;
  for (double m : means) overall += m;
  overall /= n;
  int32_t best = 0;
  double bestScore = 1.0e30;
  for (int32_t s = 0; s < n; ++s) {
    double score = 0.0;
    for (int32_t run = 1; run <= 16 && 2 * run <= n; run *= 2) {
      double head = 0.0;
      double tail = 0.0;
      for (int32_t k = 0; k < run; ++k) {
        head += means[(s + k) % n];
        tail += means[(s + n - 1 - k) % n];
      }
      score += std::fabs(head / run - overall) + std::fabs(tail / run - overall);
    }
    if (score < bestScore) {
      bestScore = score;
      best = s;
    }
  }
  return best;
}

// The renderer scales a texture as a single picture, so the lines at its
// edges weigh a little more than the rest; rolling the repeat (which keeps it
// seamless) so that those lines are average ones keeps the joins invisible
// at every scale.
void PlaceSeam(Image* image) {
  const int32_t w = image->width;
  const int32_t h = image->height;
  std::vector<double> columns(w, 0.0), rows(h, 0.0);
  std::vector<uint8_t> copy(static_cast<size_t>(w) * h);
  for (int32_t r = 0; r < h; ++r) {
    const uint8_t* row = image->rows[r];
    for (int32_t c = 0; c < w; ++c) {
      columns[c] += row[c];
      rows[r] += row[c];
      copy[static_cast<size_t>(r) * w + c] = row[c];
    }
  }
  const int32_t dx = QuietestSeam(columns);
  const int32_t dy = QuietestSeam(rows);
  for (int32_t r = 0; r < h; ++r) {
    uint8_t* row = image->rows[r];
    const uint8_t* from = &copy[static_cast<size_t>((r + dy) % h) * w];
    for (int32_t c = 0; c < w; ++c) row[c] = from[(c + dx) % w];
  }
}

int WriteGrayTiff(const std::string& path, const Image& image) {
  WriteFailure failure;
  return WriteFileSafely(
      path, [&image](FileHandle& file) { return WriteTiff(file, image); }, &failure);
}

}  // namespace

int MakeTexture(int32_t texture, Image* image) {
  if (texture < 1 || texture >= static_cast<int32_t>(kTextureRecipes.size())) return 1;
  const TextureRecipe& recipe = kTextureRecipes[texture];
  if (AllocImage(image, Gray8, recipe.size, recipe.size, recipe.resolution) != 0) return 1;
  constexpr int32_t kSub = 4;
  const double step = 1.0 / (recipe.size * kSub);
  for (int32_t r = 0; r < recipe.size; ++r) {
    uint8_t* row = image->rows[r];
    for (int32_t c = 0; c < recipe.size; ++c) {
      double sum = 0.0;
      for (int32_t sy = 0; sy < kSub; ++sy) {
        for (int32_t sx = 0; sx < kSub; ++sx) {
          sum += recipe.pattern((c * kSub + sx + 0.5) * step, (r * kSub + sy + 0.5) * step);
        }
      }
      row[c] = static_cast<uint8_t>(std::clamp(std::lround(sum / (kSub * kSub)), 0L, 255L));
    }
  }
  PlaceSeam(image);
  return 0;
}

double ProfileHeight(int32_t style, double u) {
  if (style < 0 || style >= kFrameStyleCount) return 0.0;
  return kProfiles[style](std::clamp(u, 0.0, 1.0));
}

int MakeFrameTile(int32_t finish, int32_t style, int32_t side, Image* image) {
  if (finish < 0 || finish >= kFrameFinishCount || style < 0 || style >= kFrameStyleCount ||
      side < kSideLeft || side > kSideTop) {
    return 1;
  }
  const bool nearSide = side == kSideLeft || side == kSideTop;
  const std::vector<double> profile = ShadeProfile(finish, style, nearSide);
  auto sample = [&](int32_t i) {  // i counts from the outer edge
    return static_cast<uint8_t>(std::clamp(std::lround(profile[i] * 255.0), 0L, 255L));
  };
  constexpr double kResolution = 100.0;
  if (side == kSideLeft || side == kSideRight) {
    if (AllocImage(image, Gray8, kTileAcross, kTileAlong, kResolution) != 0) return 1;
    for (int32_t r = 0; r < kTileAlong; ++r) {
      uint8_t* row = image->rows[r];
      for (int32_t c = 0; c < kTileAcross; ++c) {
        // Left runs from the outer edge inwards, Right from the inner edge out.
        row[c] = sample(side == kSideLeft ? c : kTileAcross - 1 - c);
      }
    }
  } else {
    if (AllocImage(image, Gray8, kTileAlong, kTileAcross, kResolution) != 0) return 1;
    for (int32_t r = 0; r < kTileAcross; ++r) {
      // Rows count upwards: Bottom's row 0 is its outer edge, Top's its inner edge.
      const uint8_t v = sample(side == kSideBottom ? r : kTileAcross - 1 - r);
      uint8_t* row = image->rows[r];
      for (int32_t c = 0; c < kTileAlong; ++c) row[c] = v;
    }
  }
  return 0;
}

int WriteAssetSet(const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code error;
  Image image;
  for (int32_t texture = 1; texture < static_cast<int32_t>(kTextureRecipes.size()); ++texture) {
    const fs::path path = fs::path(folder) / TextureFileName(texture);
    fs::create_directories(path.parent_path(), error);
    if (MakeTexture(texture, &image) != 0 || WriteGrayTiff(path.string(), image) != 0) {
      std::fprintf(stderr, "passavue-assetgen: cannot write %s\n", path.string().c_str());
      return 1;
    }
  }
  for (int32_t finish = 0; finish < kFrameFinishCount; ++finish) {
    for (int32_t style = 0; style < kFrameStyleCount; ++style) {
      for (int32_t side = kSideLeft; side <= kSideTop; ++side) {
        const fs::path path = fs::path(folder) / FrameTileFileName(finish, style, side);
        fs::create_directories(path.parent_path(), error);
        if (MakeFrameTile(finish, style, side, &image) != 0 || WriteGrayTiff(path.string(), image) != 0) {
          std::fprintf(stderr, "passavue-assetgen: cannot write %s\n", path.string().c_str());
          return 1;
        }
      }
    }
  }
  return 0;
}
