#!/bin/sh
# Renders PrintWatermark.svg to PrintWatermark.png at twice its size, so that printed pages
# (high resolution) get a sharp mark. Needs any SVG rasteriser; Qt's is used through a tiny
# program when rsvg-convert is absent.
set -e
cd "$(dirname "$0")"
if command -v rsvg-convert >/dev/null; then
    rsvg-convert -z 2 PrintWatermark.svg -o PrintWatermark.png
else
    tmp=$(mktemp -d)
    cat >"$tmp/render.cpp" <<'CPP'
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    QImage image(renderer.defaultSize() * 2, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    return image.save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
CPP
    g++ -std=c++17 -fPIC "$tmp/render.cpp" -o "$tmp/render" $(pkg-config --cflags --libs Qt6Gui Qt6Svg)
    QT_QPA_PLATFORM=offscreen "$tmp/render" PrintWatermark.svg PrintWatermark.png
    rm -rf "$tmp"
fi
