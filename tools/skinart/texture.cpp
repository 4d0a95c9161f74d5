#include "texture.h"

#include <QtMath>

#include <vector>

namespace skinart {

namespace {

double hash(int x, int y, int seed)
{
    quint32 h = quint32(x) * 374761393u + quint32(y) * 668265263u + quint32(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xffffff) / double(0xffffff);
}

double smooth(double t)
{
    return t * t * (3.0 - 2.0 * t);
}

int wrap(int value, int period)
{
    if (period <= 0)
        return value;
    const int m = value % period;
    return m < 0 ? m + period : m;
}

void boxPass(std::vector<double>& data, int width, int height, int radius, bool horizontal)
{
    std::vector<double> out(data.size());
    const int length = horizontal ? width : height;
    const int lines = horizontal ? height : width;
    for (int line = 0; line < lines; ++line) {
        auto at = [&](int i) -> double& {
            const int x = horizontal ? i : line;
            const int y = horizontal ? line : i;
            return data[size_t(y) * width + x];
        };
        double sum = 0;
        int count = 0;
        for (int i = -radius; i <= radius; ++i) {
            if (i >= 0 && i < length) {
                sum += at(i);
                ++count;
            }
        }
        for (int i = 0; i < length; ++i) {
            const int x = horizontal ? i : line;
            const int y = horizontal ? line : i;
            out[size_t(y) * width + x] = sum / qMax(1, count);
            const int leaving = i - radius;
            const int entering = i + radius + 1;
            if (leaving >= 0) {
                sum -= at(leaving);
                --count;
            }
            if (entering < length) {
                sum += at(entering);
                ++count;
            }
        }
    }
    data.swap(out);
}

} // namespace

double valueNoise(double x, double y, int seed, int period)
{
    const int x0 = int(qFloor(x));
    const int y0 = int(qFloor(y));
    const double fx = smooth(x - x0);
    const double fy = smooth(y - y0);
    const double a = hash(wrap(x0, period), wrap(y0, period), seed);
    const double b = hash(wrap(x0 + 1, period), wrap(y0, period), seed);
    const double c = hash(wrap(x0, period), wrap(y0 + 1, period), seed);
    const double d = hash(wrap(x0 + 1, period), wrap(y0 + 1, period), seed);
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

double fractalNoise(double x, double y, int seed, int octaves, int period)
{
    double sum = 0;
    double amplitude = 1;
    double total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += valueNoise(x, y, seed + i * 17, period) * amplitude;
        total += amplitude;
        amplitude *= 0.5;
        x *= 2;
        y *= 2;
        period = period > 0 ? period * 2 : 0;
    }
    return sum / total;
}

void blur(QImage& image, int radius)
{
    if (radius <= 0)
        return;
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = image.width();
    const int h = image.height();
    for (int channel = 0; channel < 4; ++channel) {
        std::vector<double> data(size_t(w) * h);
        for (int y = 0; y < h; ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < w; ++x)
                data[size_t(y) * w + x] = (line[x] >> (channel * 8)) & 0xff;
        }
        for (int pass = 0; pass < 3; ++pass) {
            boxPass(data, w, h, radius, true);
            boxPass(data, w, h, radius, false);
        }
        for (int y = 0; y < h; ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < w; ++x) {
                const quint32 value = quint32(qBound(0.0, data[size_t(y) * w + x] + 0.5, 255.0));
                line[x] = (line[x] & ~(0xffu << (channel * 8))) | (value << (channel * 8));
            }
        }
    }
}

QColor mix(const QColor& a, const QColor& b, double t)
{
    return QColor::fromRgbF(
        a.redF() + (b.redF() - a.redF()) * t, a.greenF() + (b.greenF() - a.greenF()) * t,
        a.blueF() + (b.blueF() - a.blueF()) * t, a.alphaF() + (b.alphaF() - a.alphaF()) * t);
}

} // namespace skinart
