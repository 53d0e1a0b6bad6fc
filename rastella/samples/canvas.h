#pragma once
// A small floating-point canvas for drawing the sample images, with the
// colour helpers and the value noise that give them a natural look.  Every
// function is deterministic (no random source, no clock): the samples come
// out the same on every run.

#include <cstdint>
#include <vector>

#include "image/packed_image.h"

namespace rastella::samples {

// Colour channels from 0 to 255.
struct Rgb {
  double red = 0;
  double green = 0;
  double blue = 0;
};

Rgb Mix(const Rgb& from, const Rgb& to, double amount);
Rgb Scale(const Rgb& color, double factor);

// 0 below `low`, 1 above `high`, a smooth S-curve between.
double SmoothStep(double low, double high, double value);

// Smooth noise in 0 to 1 with features about one unit apart; `seed` picks
// one of many unrelated fields.
double ValueNoise(double x, double y, std::uint32_t seed);
// Several octaves of ValueNoise, finer ones weaker: clouds, rock, foliage.
double FractalNoise(double x, double y, std::uint32_t seed, int octaves);
// A hash of a lattice point in 0 to 1, for scattered details such as stars.
double LatticeHash(int x, int y, std::uint32_t seed);

class Canvas {
 public:
  Canvas(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }

  Rgb& ColorAt(int x, int y) { return colors_[Index(x, y)]; }
  const Rgb& ColorAt(int x, int y) const { return colors_[Index(x, y)]; }
  // Opacity from 0 to 1; 1 everywhere until drawn.
  double& AlphaAt(int x, int y) { return alphas_[Index(x, y)]; }
  double AlphaAt(int x, int y) const { return alphas_[Index(x, y)]; }

  // Blends `color` over the canvas inside a disc whose edge fades over one
  // pixel, weighted by `opacity`.
  void FillDisc(double centerX, double centerY, double radius, const Rgb& color, double opacity = 1);

  // The canvas as bytes: the colour, and the opacity as the alpha byte.
  PackedImage ToImage() const;
  // The luminance of the canvas in the alpha plane, as a grayscale TGA
  // image keeps it; the colour plane stays zero.
  PackedImage ToGrayImage() const;

 private:
  std::size_t Index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x);
  }

  int width_;
  int height_;
  std::vector<Rgb> colors_;
  std::vector<double> alphas_;
};

// A channel value rounded and held to 0 to 255.
std::uint8_t ToByte(double value);

}  // namespace rastella::samples
