// Draws every image of the default skin into the folder given on the command line, at 1x and,
// with an "@2x" suffix, at 2x. Everything is procedural (gradients, noise, vector paths), so
// the skin carries no third-party artwork and builds identically everywhere.

#include "icons.h"
#include "texture.h"

#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

#include <cstdio>
#include <functional>

using namespace skinart;

namespace {

const QColor paper(0xfb, 0xf7, 0xef);
const QColor ink(0x5a, 0x41, 0x31);
const QColor cream(0xf7, 0xec, 0xdc);

struct Artwork
{
    QString name;
    QSize size; // logical pixels
    std::function<void(QImage&, double)> draw;
};

QImage canvas(const QSize& size, double scale)
{
    QImage image(qRound(size.width() * scale), qRound(size.height() * scale),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

int clampByte(double value)
{
    return qBound(0, int(value + 0.5), 255);
}

// Adds `amount` (-1..1 scaled by strength) to the colour channels of every visible pixel.
void grain(QImage& image, double scale, int seed, double strength, double frequency, int period)
{
    for (int y = 0; y < image.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int a = qAlpha(line[x]);
            if (a == 0)
                continue;
            const double n =
                valueNoise(x / scale * frequency, y / scale * frequency, seed, period) - 0.5;
            const double d = n * strength * a / 255.0;
            line[x] = qRgba(clampByte(qRed(line[x]) + d), clampByte(qGreen(line[x]) + d),
                            clampByte(qBlue(line[x]) + d), a);
        }
    }
}

void drawWood(QImage& image, double scale)
{
    const QColor light(0xc4, 0x8f, 0x5c);
    const QColor dark(0x8c, 0x58, 0x33);
    const double plank = 140.0;
    for (int y = 0; y < image.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const double v = y / scale;
        const int board = int(v / plank);
        for (int x = 0; x < image.width(); ++x) {
            const double u = x / scale + board * 173.0;
            // Long streaks along the board, bent by low-frequency noise into growth rings.
            const double warp = fractalNoise(u * 0.004, v * 0.02, 11 + board, 3) * 9.0;
            const double rings = 0.5 + 0.5 * qSin(v * 0.11 + warp + board * 2.1);
            const double fibre = fractalNoise(u * 0.05, v * 0.8, 31 + board, 2);
            double t = 0.55 * rings * rings + 0.45 * fibre;
            QColor c = mix(light, dark, qBound(0.0, t * 0.85, 1.0));
            // Boards meet in a dark seam with a soft lit edge below it.
            const double inBoard = v - board * plank;
            double shade = 1.0;
            if (board > 0 && inBoard < 1.6)
                shade = 0.55;
            else if (board > 0 && inBoard < 3.5)
                shade = 1.06;
            // A gentle vignette keeps the eye on the card.
            const double cx = x / double(image.width()) - 0.5;
            const double cy = y / double(image.height()) - 0.5;
            shade *= 1.0 - 0.28 * (cx * cx + cy * cy);
            line[x] = qRgba(clampByte(c.red() * shade), clampByte(c.green() * shade),
                            clampByte(c.blue() * shade), 255);
        }
    }
}

void drawCardFace(QImage& image, double scale)
{
    const QRectF paperRect(5, 3.5, 344, 344);
    const double radius = 11;
    {
        QImage shadow = canvas(image.size() / scale, scale);
        QPainter p(&shadow);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(scale, scale);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 20, 5, 150));
        p.drawRoundedRect(paperRect.translated(0, 2.5).adjusted(1, 1, -1, 0), radius, radius);
        p.end();
        blur(shadow, qRound(2.5 * scale));
        QPainter q(&image);
        q.drawImage(0, 0, shadow);
    }
    QImage sheet = canvas(image.size() / scale, scale);
    {
        QPainter p(&sheet);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(scale, scale);
        QLinearGradient fill(0, paperRect.top(), 0, paperRect.bottom());
        fill.setColorAt(0, QColor(0xfe, 0xfb, 0xf5));
        fill.setColorAt(1, QColor(0xf6, 0xef, 0xe0));
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawRoundedRect(paperRect, radius, radius);
    }
    grain(sheet, scale, 5, 7.0, 0.7, 0);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawImage(0, 0, sheet);
    p.scale(scale, scale);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(120, 85, 50, 70), 1.0));
    p.drawRoundedRect(paperRect.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

void drawNavigationBackground(QImage& image, double scale)
{
    const double h = 73;
    for (int y = 0; y < image.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const double v = y / scale;
        const QColor base = mix(QColor(0x5e, 0x42, 0x2e), QColor(0x3d, 0x29, 0x1c), v / h);
        for (int x = 0; x < image.width(); ++x) {
            const double u = x / scale;
            // Fine walnut streaks, periodic across the 256-pixel tile.
            const double n = fractalNoise(u / 256.0 * 8, v * 0.35, 3, 3, 8) - 0.5;
            double shade = 1.0 + n * 0.16;
            if (v >= h - 1)
                shade = 0.55;
            else if (v < 1)
                shade = 1.25;
            line[x] = qRgba(clampByte(base.red() * shade), clampByte(base.green() * shade),
                            clampByte(base.blue() * shade), 255);
        }
    }
}

void drawNavigationHighlight(QImage& image, double scale)
{
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    p.scale(1.0, 0.3);
    QRadialGradient glow(QPointF(320, 0), 320);
    glow.setColorAt(0, QColor(255, 214, 160, 70));
    glow.setColorAt(0.6, QColor(255, 214, 160, 22));
    glow.setColorAt(1, QColor(255, 214, 160, 0));
    p.fillRect(QRectF(0, 0, 640, 73 / 0.3), glow);
}

void drawLinen(QImage& image, double scale)
{
    const QColor base(0xef, 0xe7, 0xda);
    for (int y = 0; y < image.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const double v = y / scale;
        for (int x = 0; x < image.width(); ++x) {
            const double u = x / scale;
            const double n = fractalNoise(u / 128.0 * 32, v / 128.0 * 32, 7, 2, 32) - 0.5;
            const double threads = 0.5 * qSin(u * M_PI / 2.0) * qSin(v * M_PI / 16.0) +
                                   0.5 * qSin(v * M_PI / 2.0) * qSin(u * M_PI / 16.0);
            const double d = n * 9.0 + threads * 1.6;
            line[x] = qRgba(clampByte(base.red() + d), clampByte(base.green() + d),
                            clampByte(base.blue() + d * 1.1), 255);
        }
    }
}

void drawActionBar(QImage& image, double scale)
{
    QPainter p(&image);
    p.scale(scale, scale);
    QLinearGradient fill(0, 0, 0, 44);
    fill.setColorAt(0, QColor(0xf2, 0xe8, 0xd8));
    fill.setColorAt(1, QColor(0xdd, 0xcd, 0xb4));
    p.fillRect(QRectF(0, 0, 64, 44), fill);
    p.fillRect(QRectF(0, 0, 64, 1), QColor(0xb8, 0xa1, 0x82));
    p.fillRect(QRectF(0, 1, 64, 1), QColor(255, 252, 244, 170));
}

struct ButtonLook
{
    QColor top;
    QColor bottom;
    QColor border;
    double radius = 7;
    double bottomInset = 0;
    double topInset = 0;
};

void drawButton(QImage& image, double scale, const ButtonLook& look)
{
    const QSizeF size = QSizeF(image.size()) / scale;
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    const QRectF body(0.5, 0.5 + look.topInset, size.width() - 1,
                      size.height() - 1.5 - look.bottomInset - look.topInset);
    // A soft contact shadow one pixel below.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 35, 15, 40));
    p.drawRoundedRect(body.translated(0, 1), look.radius, look.radius);
    QLinearGradient fill(0, body.top(), 0, body.bottom());
    fill.setColorAt(0, look.top);
    fill.setColorAt(1, look.bottom);
    p.setBrush(fill);
    p.setPen(QPen(look.border, 1.0));
    p.drawRoundedRect(body, look.radius, look.radius);
    // Light catching the upper edge.
    p.setPen(QPen(QColor(255, 255, 255, 110), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(body.left() + look.radius, body.top() + 1.2),
               QPointF(body.right() - look.radius, body.top() + 1.2));
}

void drawTab(QImage& image, double scale, bool selected)
{
    const QSizeF size = QSizeF(image.size()) / scale;
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 236, 210, selected ? 40 : 24));
    p.drawRoundedRect(QRectF(1, 1, size.width() - 2, size.height() - 2), 8, 8);
    if (selected) {
        p.setBrush(QColor(0xe8, 0xa6, 0x50));
        p.drawRoundedRect(QRectF(12, size.height() - 5, size.width() - 24, 3), 1.5, 1.5);
    }
}

void drawIconImage(QImage& image, double scale, const QString& name, const QColor& color)
{
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double side = image.width() / scale;
    p.scale(scale * side / 24.0, scale * side / 24.0);
    drawIcon(p, name, color);
}

void drawDeckIcon(QImage& image, double scale)
{
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    p.setPen(QPen(QColor(0x8a, 0x62, 0x42), 1.0));
    p.setBrush(QColor(0xef, 0xe3, 0xcf));
    p.drawRoundedRect(QRectF(4.5, 1.5, 10, 12), 1.5, 1.5);
    p.setBrush(paper);
    p.drawRoundedRect(QRectF(1.5, 3.5, 10, 12), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc9, 0x4f, 0x3d)); // a small seal on the front card
    p.drawRoundedRect(QRectF(4, 6.5, 5, 5), 1, 1);
}

void drawFolderIcon(QImage& image, double scale)
{
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6, 3.5);
    back.lineTo(7.5, 5);
    back.lineTo(14.5, 5);
    back.lineTo(14.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.setPen(QPen(QColor(0x9a, 0x6a, 0x28), 1.0));
    p.setBrush(QColor(0xd9, 0x9a, 0x3e));
    p.drawPath(back);
    QLinearGradient front(0, 7, 0, 14);
    front.setColorAt(0, QColor(0xf4, 0xc4, 0x6c));
    front.setColorAt(1, QColor(0xe6, 0xa8, 0x4c));
    p.setBrush(front);
    p.drawRoundedRect(QRectF(1.5, 6.5, 13, 7), 1, 1);
}

QList<Artwork> artworks()
{
    QList<Artwork> list;
    list.append({"CardWoodBackground.png", QSize(420, 420), drawWood});
    list.append({"CardBackground.png", QSize(354, 354), drawCardFace});
    list.append({"NavigationBarBackground.png", QSize(256, 73), drawNavigationBackground});
    list.append({"NavigationBarHighlight.png", QSize(640, 73), drawNavigationHighlight});
    list.append({"ApplicationBackground.png", QSize(128, 128), drawLinen});
    list.append({"ActionBarBackground.png", QSize(64, 44), drawActionBar});
    list.append({"DeckIcon.png", QSize(16, 16), drawDeckIcon});
    list.append({"FolderIcon.png", QSize(16, 16), drawFolderIcon});

    const ButtonLook action{
        QColor(0xfd, 0xf8, 0xee), QColor(0xea, 0xdc, 0xc5), QColor(0xb4, 0x9c, 0x7c), 7, 2, 2};
    const ButtonLook neutral{QColor(0xfd, 0xf8, 0xee), QColor(0xe8, 0xd9, 0xc1),
                             QColor(0xb4, 0x9c, 0x7c), 8, 0};
    const ButtonLook primary{QColor(0xe2, 0x9c, 0x5c), QColor(0xc6, 0x71, 0x3b),
                             QColor(0xa0, 0x56, 0x28), 8, 0};
    const ButtonLook correct{QColor(0x90, 0xb5, 0x6c), QColor(0x6a, 0x8f, 0x48),
                             QColor(0x52, 0x73, 0x36), 8, 0};
    const ButtonLook wrong{QColor(0xdd, 0x85, 0x69), QColor(0xbd, 0x5c, 0x43),
                           QColor(0x99, 0x45, 0x30), 8, 0};
    const ButtonLook option{QColor(0xff, 0xfd, 0xf8), QColor(0xf5, 0xee, 0xe0),
                            QColor(0xc9, 0xb4, 0x95), 9, 0};
    auto button = [&list](const QString& name, QSize size, ButtonLook look) {
        list.append(
            {name, size, [look](QImage& image, double scale) { drawButton(image, scale, look); }});
    };
    button("ActionButton.png", QSize(40, 40), action);
    button("NeutralButton.png", QSize(48, 36), neutral);
    button("PrimaryButton.png", QSize(48, 36), primary);
    button("CorrectButton.png", QSize(48, 40), correct);
    button("WrongButton.png", QSize(48, 40), wrong);
    button("OptionButton.png", QSize(64, 48), option);
    list.append({"NavTab.png", QSize(64, 44), [](QImage&, double) {}});
    list.append({"NavTabOver.png", QSize(64, 44),
                 [](QImage& image, double scale) { drawTab(image, scale, false); }});
    list.append({"NavTabSelected.png", QSize(64, 44),
                 [](QImage& image, double scale) { drawTab(image, scale, true); }});

    struct IconFile
    {
        const char* file;
        const char* icon;
        QColor color;
        int side;
    };
    const QList<IconFile> icons = {
        {"NavPractice.png", "practice", cream, 24},
        {"NavManage.png", "manage", cream, 24},
        {"NavDictionary.png", "dictionary", cream, 24},
        {"NavReader.png", "reader", cream, 24},
        {"NavStatistics.png", "statistics", cream, 24},
        {"NavOptions.png", "options", cream, 24},
        {"NavHelp.png", "help", cream, 24},
        {"ActionNewDeck.png", "newDeck", ink, 24},
        {"ActionDelete.png", "delete", ink, 24},
        {"ActionPrint.png", "print", ink, 24},
        {"ActionNewCard.png", "newCard", ink, 24},
        {"ActionStroke.png", "stroke", ink, 24},
        {"ActionEdit.png", "edit", ink, 24},
        {"ActionListen.png", "listen", ink, 24},
        {"ActionSearch.png", "search", ink, 24},
        {"ButtonSession.png", "session", cream, 20},
        {"ButtonSearch.png", "search", cream, 20},
        {"ButtonFlip.png", "flip", ink, 20},
        {"ButtonCorrect.png", "correct", Qt::white, 20},
        {"ButtonWrong.png", "wrong", Qt::white, 20},
        {"ButtonConfirm.png", "confirm", cream, 20},
        {"ButtonNext.png", "next", cream, 18},
        {"ButtonBackDark.png", "back", ink, 18},
        {"ButtonNextDark.png", "next", ink, 18},
    };
    for (const IconFile& icon : icons) {
        const QString name = icon.icon;
        const QColor color = icon.color;
        list.append(
            {icon.file, QSize(icon.side, icon.side), [name, color](QImage& image, double scale) {
                 drawIconImage(image, scale, name, color);
             }});
    }
    return list;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: quillet_skinart <output folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "quillet_skinart: cannot create %s\n", argv[1]);
        return 1;
    }
    int failures = 0;
    for (const Artwork& art : artworks()) {
        for (int scale : {1, 2}) {
            QImage image = canvas(art.size, scale);
            art.draw(image, scale);
            QString name = art.name;
            if (scale == 2)
                name.insert(name.lastIndexOf('.'), "@2x");
            if (!image.save(folder + "/" + name, "PNG")) {
                std::fprintf(stderr, "quillet_skinart: cannot write %s\n", qPrintable(name));
                ++failures;
            }
        }
    }
    return failures == 0 ? 0 : 1;
}
