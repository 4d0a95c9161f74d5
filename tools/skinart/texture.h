#pragma once

#include <QColor>
#include <QImage>

// Procedural textures for the skin: deterministic (same pixels on every build), tileable where
// the image is used as a tiled brush.
namespace skinart {

// Smooth value noise in [0, 1]; repeats every `period` lattice cells when period > 0.
double valueNoise(double x, double y, int seed, int period = 0);
// Sum of octaves of valueNoise, in [0, 1].
double fractalNoise(double x, double y, int seed, int octaves, int period = 0);

// Blurs the alpha and colour of a premultiplied image with three box passes of `radius` pixels.
void blur(QImage& image, int radius);

QColor mix(const QColor& a, const QColor& b, double t);

} // namespace skinart
