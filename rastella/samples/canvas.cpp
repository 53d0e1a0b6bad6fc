#include "samples/canvas.h"

#include <algorithm>
#include <cmath>

namespace rastella::samples {

Rgb Mix(const Rgb& from, const Rgb& to, double amount) {
  return {from.red + (to.red - from.red) * amount, from.green + (to.green - from.green) * amount,
          from.blue + (to.blue - from.blue) * amount};
}

Rgb Scale(const Rgb& color, double factor) { return {color.red * factor, color.green * factor, color.blue * factor}; }

double SmoothStep(double low, double high, double value) {
  const double t = std::clamp((value - low) / (high - low), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

double LatticeHash(int x, int y, std::uint32_t seed) {
  // An integer mix (the finaliser of MurmurHash3) over the point and seed.
  std::uint32_t hash =
      static_cast<std::uint32_t>(x) * 0x9E3779B1u ^ static_cast<std::uint32_t>(y) * 0x85EBCA77u ^ seed * 0xC2B2AE3Du;
  hash ^= hash >> 16;
  hash *= 0x85EBCA6Bu;
  hash ^= hash >> 13;
  hash *= 0xC2B2AE35u;
  hash ^= hash >> 16;
  return static_cast<double>(hash) / 4294967295.0;
}

double ValueNoise(double x, double y, std::uint32_t seed) {
  const double cellX = std::floor(x);
  const double cellY = std::floor(y);
  const int x0 = static_cast<int>(cellX);
  const int y0 = static_cast<int>(cellY);
  const double fx = SmoothStep(0, 1, x - cellX);
  const double fy = SmoothStep(0, 1, y - cellY);
  const double top = LatticeHash(x0, y0, seed) + (LatticeHash(x0 + 1, y0, seed) - LatticeHash(x0, y0, seed)) * fx;
  const double bottom =
      LatticeHash(x0, y0 + 1, seed) + (LatticeHash(x0 + 1, y0 + 1, seed) - LatticeHash(x0, y0 + 1, seed)) * fx;
  return top + (bottom - top) * fy;
}

double FractalNoise(double x, double y, std::uint32_t seed, int octaves) {
  double sum = 0;
  double weight = 0.5;
  double total = 0;
  for (int octave = 0; octave < octaves; ++octave) {
    sum += ValueNoise(x, y, seed + static_cast<std::uint32_t>(octave) * 101u) * weight;
    total += weight;
    x *= 2.03;
    y *= 2.03;
    weight *= 0.5;
  }
  return sum / total;
}

Canvas::Canvas(int width, int height)
    : width_(width),
      height_(height),
      colors_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)),
      alphas_(colors_.size(), 1.0) {}

void Canvas::FillDisc(double centerX, double centerY, double radius, const Rgb& color, double opacity) {
  const int left = std::max(0, static_cast<int>(std::floor(centerX - radius - 1)));
  const int right = std::min(width_ - 1, static_cast<int>(std::ceil(centerX + radius + 1)));
  const int top = std::max(0, static_cast<int>(std::floor(centerY - radius - 1)));
  const int bottom = std::min(height_ - 1, static_cast<int>(std::ceil(centerY + radius + 1)));
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) {
      const double distance = std::hypot(x + 0.5 - centerX, y + 0.5 - centerY);
      const double cover = std::clamp(radius + 0.5 - distance, 0.0, 1.0) * opacity;
      if (cover > 0) {
        ColorAt(x, y) = Mix(ColorAt(x, y), color, cover);
      }
    }
  }
}

PackedImage Canvas::ToImage() const {
  PackedImage image(width_, height_);
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const Rgb& color = ColorAt(x, y);
      std::uint8_t* pixel = image.Rgb(x, y);
      pixel[0] = ToByte(color.red);
      pixel[1] = ToByte(color.green);
      pixel[2] = ToByte(color.blue);
      image.Alpha(x, y) = ToByte(AlphaAt(x, y) * 255);
    }
  }
  return image;
}

PackedImage Canvas::ToGrayImage() const {
  PackedImage image(width_, height_);
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const Rgb& color = ColorAt(x, y);
      image.Alpha(x, y) = ToByte(0.299 * color.red + 0.587 * color.green + 0.114 * color.blue);
    }
  }
  return image;
}

std::uint8_t ToByte(double value) { return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 255.0))); }

}  // namespace rastella::samples
