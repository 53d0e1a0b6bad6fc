#include "samples/sample_images.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include "samples/canvas.h"
#include "tga/tga_header.h"
#include "tga/tga_writer.h"
#include "ztf/ztf_encoder.h"

namespace rastella::samples {

namespace {

// An evening sky over the sea with the sun half set.  The alpha plane is a
// round vignette: opaque in the middle, clear in the corners.
Canvas DrawSunset() {
  constexpr int kSize = 256;
  constexpr double kHorizon = 168;
  const Rgb zenith{48, 36, 104};
  const Rgb dusk{214, 96, 110};
  const Rgb glow{255, 186, 96};
  Canvas canvas(kSize, kSize);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const double height = y / kHorizon;
      Rgb sky = height < 0.6 ? Mix(zenith, dusk, height / 0.6) : Mix(dusk, glow, std::min(1.0, (height - 0.6) / 0.4));
      // Thin bands of cloud, lit from below.
      const double cloud = SmoothStep(0.55, 0.75, FractalNoise(x / 60.0, y / 9.0, 7, 4));
      canvas.ColorAt(x, y) = Mix(sky, Rgb{255, 150, 120}, cloud * 0.45 * std::min(1.0, height));
    }
  }
  canvas.FillDisc(128, kHorizon, 30, Rgb{255, 236, 170});
  for (int y = static_cast<int>(kHorizon); y < kSize; ++y) {
    const double depth = (y - kHorizon) / (kSize - kHorizon);
    for (int x = 0; x < kSize; ++x) {
      Rgb sea = Mix(Rgb{18, 30, 66}, Rgb{46, 58, 104}, depth);
      // The sun's path on the water: broken streaks that widen towards us.
      const double path = std::exp(-std::pow((x - 128.0) / (18 + 40 * depth), 2));
      const double ripple = SmoothStep(0.45, 0.7, ValueNoise(x / 7.0, y / 1.6, 11));
      canvas.ColorAt(x, y) = Mix(sea, glow, path * ripple * 0.85);
    }
  }
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const double haze = 0.5 * std::exp(-std::hypot(x - 128.0, y - kHorizon) / 45);
      canvas.ColorAt(x, y) = Mix(canvas.ColorAt(x, y), glow, haze);
      canvas.AlphaAt(x, y) = 1 - SmoothStep(0.55, 1.05, std::hypot(x - 127.5, y - 127.5) / 128);
    }
  }
  return canvas;
}

// Green hills under a blue sky with a tree on the near slope.
Canvas DrawHills() {
  constexpr int kWidth = 320;
  constexpr int kHeight = 240;
  Canvas canvas(kWidth, kHeight);
  std::array<double, kWidth> farRidge{};
  std::array<double, kWidth> nearRidge{};
  for (int x = 0; x < kWidth; ++x) {
    farRidge[x] = 140 + 12 * std::sin(x / 37.0) + 30 * (FractalNoise(x / 40.0, 0.5, 21, 3) - 0.5);
    nearRidge[x] = 176 + 16 * std::sin(x / 58.0 + 1.2) + 16 * (FractalNoise(x / 30.0, 3.5, 23, 3) - 0.5);
  }
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      Rgb color;
      if (y >= nearRidge[x]) {
        const double depth = (y - nearRidge[x]) / (kHeight - nearRidge[x] + 1);
        color = Mix(Rgb{96, 168, 64}, Rgb{40, 96, 34}, depth);
        color = Scale(color, 0.85 + 0.3 * FractalNoise(x / 6.0, y / 3.0, 25, 3));
      } else if (y >= farRidge[x]) {
        const double depth = (y - farRidge[x]) / 40;
        color = Mix(Rgb{120, 156, 170}, Rgb{86, 130, 110}, std::min(1.0, depth));
      } else {
        color = Mix(Rgb{84, 140, 216}, Rgb{200, 226, 246}, y / 150.0);
        const double cloud = SmoothStep(0.52, 0.7, FractalNoise(x / 50.0, y / 18.0, 27, 5));
        color = Mix(color, Rgb{250, 250, 252}, cloud * 0.85 * SmoothStep(130, 60, y));
      }
      const double glow = 0.45 * std::exp(-std::hypot(x - 262.0, y - 46.0) / 30);
      canvas.ColorAt(x, y) = Mix(color, Rgb{255, 250, 220}, glow);
    }
  }
  canvas.FillDisc(262, 46, 17, Rgb{255, 246, 206});

  // The tree stands on the near slope.
  const double ground = nearRidge[82] + 6;
  for (int y = static_cast<int>(ground) - 40; y < static_cast<int>(ground); ++y) {
    for (int x = 79; x <= 85; ++x) {
      canvas.ColorAt(x, y) = Mix(Rgb{96, 66, 40}, Rgb{60, 40, 26}, (x - 79) / 6.0);
    }
  }
  const double crown = ground - 48;
  canvas.FillDisc(82, crown + 4, 24, Rgb{38, 88, 40});
  canvas.FillDisc(70, crown + 10, 15, Rgb{44, 98, 44});
  canvas.FillDisc(95, crown + 8, 16, Rgb{42, 94, 42});
  canvas.FillDisc(76, crown - 6, 14, Rgb{70, 130, 58}, 0.8);
  canvas.FillDisc(90, crown - 2, 10, Rgb{84, 144, 66}, 0.6);
  return canvas;
}

// The full moon among stars, lit from the upper left.
Canvas DrawMoon() {
  constexpr int kSize = 256;
  constexpr double kCenter = 128;
  constexpr double kRadius = 104;
  struct Crater {
    double x, y, radius;
  };
  constexpr std::array<Crater, 6> kCraters = {{
      {-0.35, -0.30, 0.16},
      {0.30, 0.10, 0.11},
      {-0.05, 0.45, 0.09},
      {0.45, -0.40, 0.07},
      {-0.55, 0.25, 0.06},
      {0.10, -0.05, 0.05},
  }};
  const double lightLength = std::hypot(-0.55, -0.45, 0.70);
  Canvas canvas(kSize, kSize);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const double star = LatticeHash(x, y, 5);
      double sky = star > 0.996 ? 110 + 145 * LatticeHash(x, y, 6) : 6;
      const double nx = (x + 0.5 - kCenter) / kRadius;
      const double ny = (y + 0.5 - kCenter) / kRadius;
      const double cover = std::clamp(kRadius + 0.5 - std::hypot(x + 0.5 - kCenter, y + 0.5 - kCenter), 0.0, 1.0);
      double surface = 0;
      if (cover > 0) {
        const double nz = std::sqrt(std::max(0.0, 1 - nx * nx - ny * ny));
        const double light = std::max(0.0, (-0.55 * nx - 0.45 * ny + 0.70 * nz) / lightLength);
        double albedo = 0.62 + 0.3 * FractalNoise(nx * 3 + 10, ny * 3, 31, 5);
        // The dark plains.
        albedo *= 1 - 0.3 * SmoothStep(0.5, 0.6, FractalNoise(nx * 1.6 + 4, ny * 1.6, 33, 3));
        for (const Crater& crater : kCraters) {
          const double distance = std::hypot(nx - crater.x, ny - crater.y) / crater.radius;
          if (distance < 1.15) {
            // A bowl darker towards its floor inside a bright rim.
            albedo *= distance < 1 ? 0.78 + 0.22 * distance * distance : 1.18;
          }
        }
        surface = 255 * (0.05 + 0.95 * light) * std::min(1.0, albedo);
      }
      const double value = sky + (surface - sky) * cover;
      canvas.ColorAt(x, y) = Rgb{value, value, value};
    }
  }
  return canvas;
}

// Mountain ridges at dawn fading into the distance, the largest image the
// viewer takes.  The viewer shows its top-left corner only, so the first
// ridges rise within it.
Canvas DrawRidges() {
  constexpr int kSize = 1024;
  constexpr int kLayers = 6;
  Canvas canvas(kSize, kSize);
  std::array<std::array<double, kSize>, kLayers> ridges{};
  for (int layer = 0; layer < kLayers; ++layer) {
    const double base = 300 + layer * 130;
    const double height = 90 + layer * 35;
    for (int x = 0; x < kSize; ++x) {
      ridges[layer][x] = base - height * FractalNoise(x / (260.0 - layer * 30), layer * 3.7,
                                                      40 + static_cast<std::uint32_t>(layer), 6);
    }
  }
  const Rgb far{156, 140, 186};
  const Rgb near{54, 32, 44};
  const Rgb haze{236, 176, 150};
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      int layer = kLayers - 1;
      while (layer >= 0 && y < ridges[layer][x]) {
        --layer;
      }
      Rgb color;
      if (layer < 0) {
        color = Mix(Rgb{44, 56, 116}, haze, std::min(1.0, y / 300.0));
        const double sun = std::hypot(x - 330.0, y - 190.0);
        color = Mix(color, Rgb{255, 226, 170}, 0.75 * std::exp(-sun / 110));
      } else {
        const double nearness = layer / (kLayers - 1.0);
        color = Mix(far, near, nearness);
        color = Scale(color, 0.9 + 0.2 * FractalNoise(x / 40.0, y / 40.0, 50 + static_cast<std::uint32_t>(layer), 3));
        // Mist gathers in the valleys below each ridge.
        const double mist = (1 - nearness) * 0.45 * SmoothStep(0, 170, y - ridges[layer][x]);
        color = Mix(color, haze, mist);
      }
      canvas.ColorAt(x, y) = color;
    }
  }
  canvas.FillDisc(330, 190, 26, Rgb{255, 240, 200}, 0.9);
  return canvas;
}

// A leaf on a light table: the alpha plane cuts the leaf out, a little
// translucent towards its edge.
Canvas DrawLeaf() {
  constexpr int kWidth = 300;
  constexpr int kHeight = 200;
  constexpr double kHalfLength = 118;
  const double angle = -0.35;
  const double axisX = std::cos(angle);
  const double axisY = std::sin(angle);
  Canvas canvas(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const double dx = x + 0.5 - 156;
      const double dy = y + 0.5 - 100;
      const double u = (dx * axisX + dy * axisY) / kHalfLength;
      const double v = (-dx * axisY + dy * axisX) / kHalfLength;
      const double across = std::abs(v);
      const double halfWidth = 0.36 * std::pow(std::max(0.0, 1 - u * u), 0.75) * (1 - 0.25 * u);
      const double leaf = std::clamp((halfWidth - across) * kHalfLength + 0.5, 0.0, 1.0);
      const double stem = (u > -1.22 && u < -0.9 && across * kHalfLength < 1.8) ? 1.0 : 0.0;

      Rgb table = Scale(Rgb{226, 212, 180}, 0.94 + 0.08 * FractalNoise(x / 3.0, y / 40.0, 61, 3));
      Rgb color = Mix(Rgb{58, 128, 46}, Rgb{128, 176, 62}, (u + 1) / 2);
      color = Scale(color, 0.9 + 0.2 * FractalNoise(x / 5.0, y / 5.0, 63, 3));
      // The midrib and the side veins that leave it towards the tip.
      const double midrib = std::exp(-std::pow(across * kHalfLength / 1.4, 2));
      const double phase = u * 8 - across * 7;
      const double sideVein = std::exp(-std::pow((phase - std::round(phase)) * 7, 2)) * SmoothStep(0.02, 0.06, across);
      color = Mix(color, Rgb{178, 206, 120}, std::max(midrib, 0.6 * sideVein));
      if (halfWidth > 0) {
        color = Mix(color, Rgb{34, 74, 30}, 0.35 * std::pow(std::min(1.0, across / halfWidth), 3));
      }
      color = Mix(color, Rgb{112, 118, 52}, stem);

      const double opacity = std::max(stem, leaf * (0.7 + 0.3 * (halfWidth > 0 ? 1 - across / halfWidth : 0)));
      canvas.ColorAt(x, y) = Mix(table, color, std::max(leaf, stem));
      canvas.AlphaAt(x, y) = opacity;
    }
  }
  return canvas;
}

// An aerial view of woodland: round crowns, lit from the upper left, over
// darker ground, with a few clearings.
std::vector<std::uint8_t> DrawWoodland(std::uint32_t seed) {
  constexpr int kSize = kTreeTextureSize;
  constexpr int kSpacing = 26;
  std::vector<double> gray(kTreePixels);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      gray[static_cast<std::size_t>(y) * kSize + x] = 30 + 40 * FractalNoise(x / 30.0, y / 30.0, seed, 4);
    }
  }
  for (int row = -1; row <= kSize / kSpacing; ++row) {
    for (int column = -1; column <= kSize / kSpacing; ++column) {
      if (LatticeHash(column, row, seed + 1) < 0.18) {
        continue;
      }
      const double centerX = (column + 0.5 + 0.7 * (LatticeHash(column, row, seed + 2) - 0.5)) * kSpacing;
      const double centerY = (row + 0.5 + 0.7 * (LatticeHash(column, row, seed + 3) - 0.5)) * kSpacing;
      const double radius = 9 + 9 * LatticeHash(column, row, seed + 4);
      const double brightness = 150 + 90 * LatticeHash(column, row, seed + 5);
      for (int y = std::max(0, static_cast<int>(centerY - radius));
           y < std::min(kSize, static_cast<int>(centerY + radius + 1)); ++y) {
        for (int x = std::max(0, static_cast<int>(centerX - radius));
             x < std::min(kSize, static_cast<int>(centerX + radius + 1)); ++x) {
          const double nx = (x + 0.5 - centerX) / radius;
          const double ny = (y + 0.5 - centerY) / radius;
          const double squared = nx * nx + ny * ny;
          if (squared >= 1) {
            continue;
          }
          const double nz = std::sqrt(1 - squared);
          const double light = std::max(0.0, (-0.5 * nx - 0.5 * ny + 0.7 * nz) / 0.99);
          const double leaves = 0.8 + 0.3 * ValueNoise(x / 2.5, y / 2.5, seed + 6);
          double& pixel = gray[static_cast<std::size_t>(y) * kSize + x];
          pixel = std::max(pixel, brightness * (0.35 + 0.65 * light) * leaves);
        }
      }
    }
  }
  std::vector<std::uint8_t> bytes;
  bytes.reserve(kTreePixels);
  for (const double value : gray) {
    bytes.push_back(ToByte(value));
  }
  return bytes;
}

// Zero where a road runs diagonally and a railway runs straight across the
// textures, 255 elsewhere.
std::vector<std::uint8_t> DrawTreeMask() {
  std::vector<std::uint8_t> mask(kTreePixels, 255);
  // The road's centre line runs from (0, 90) to (511, 430).
  const double lineX = 511;
  const double lineY = 430 - 90;
  const double lineLength = std::hypot(lineX, lineY);
  for (int y = 0; y < kTreeTextureSize; ++y) {
    for (int x = 0; x < kTreeTextureSize; ++x) {
      const double roadDistance = std::abs((y - 90) * lineX - x * lineY) / lineLength;
      const bool railway = y >= 300 && y < 312;
      if (roadDistance < 11 || railway) {
        mask[static_cast<std::size_t>(y) * kTreeTextureSize + x] = 0;
      }
    }
  }
  return mask;
}

// A 24-bit TGA file stored bottom row first, the order of most TGA files
// in the wild; the project's own writer only stores from the top.
std::vector<std::uint8_t> EncodeBottomLeftTga(const Canvas& canvas) {
  const int width = canvas.Width();
  const int height = canvas.Height();
  std::vector<std::uint8_t> bytes = {
      0,
      0,
      2,
      0,
      0,
      0,
      0,
      0,
      0,
      0,
      0,
      0,  // no ID, no colour map, true colour, origin 0, 0
      static_cast<std::uint8_t>(width % 256),
      static_cast<std::uint8_t>(width / 256),
      static_cast<std::uint8_t>(height % 256),
      static_cast<std::uint8_t>(height / 256),
      24,
      0x00,  // bottom-left origin, no alpha bits
  };
  bytes.reserve(bytes.size() + static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) {
      const Rgb& color = canvas.ColorAt(x, y);
      bytes.push_back(ToByte(color.blue));
      bytes.push_back(ToByte(color.green));
      bytes.push_back(ToByte(color.red));
    }
  }
  return bytes;
}

}  // namespace

std::vector<SampleFile> ViewerSamples() {
  // The planes hold 4 MiB; one pair is shared by every sample.
  const auto planes = std::make_unique<Planes>();
  std::vector<SampleFile> files;

  const Canvas sunset = DrawSunset();
  sunset.ToImage().CopyInto(*planes);
  files.push_back({"sunset-rgba.tga", EncodeColorTga(BuildTgaHeader(256, 256, 32), *planes, 256, 256, true)});

  files.push_back({"hills-bottom-left.tga", EncodeBottomLeftTga(DrawHills())});

  DrawMoon().ToGrayImage().CopyInto(*planes);
  files.push_back({"moon-gray.tga", EncodeAlphaTga(BuildAlphaHeader(256, 256), *planes, 256, 256)});

  DrawRidges().ToImage().CopyInto(*planes);
  files.push_back({"ridges-1024.tga", EncodeColorTga(BuildTgaHeader(1024, 1024, 24), *planes, 1024, 1024, false)});

  DrawLeaf().ToImage().CopyInto(*planes);
  files.push_back({"leaf-ztf.tga", EncodeZtf(*planes, 300, 200, 32, {})});
  return files;
}

std::vector<SampleFile> TreeSamples() {
  const TgaHeader header = BuildAlphaHeader(kTreeTextureSize, kTreeTextureSize);
  std::vector<SampleFile> files;
  for (const auto& [name, seed] : {std::pair{"north-wood.tree.tga", 71u}, std::pair{"south-wood.tree.tga", 89u}}) {
    std::vector<std::uint8_t> bytes(header.begin(), header.end());
    const std::vector<std::uint8_t> pixels = DrawWoodland(seed);
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
    files.push_back({name, std::move(bytes)});
  }
  files.push_back({kTreeMaskName, DrawTreeMask()});
  return files;
}

}  // namespace rastella::samples
