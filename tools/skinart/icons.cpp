#include "icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace skinart {

namespace {

QPen linePen(const QColor& color, double width = 2.0)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void card(QPainter& p, const QRectF& r, const QColor& color, const QColor& fill)
{
    // A card hides what lies behind it, even where its own fill is translucent.
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRoundedRect(r, 2.5, 2.5);
    p.restore();
    p.setPen(linePen(color));
    p.setBrush(fill);
    p.drawRoundedRect(r, 2.5, 2.5);
}

void plusBadge(QPainter& p, const QPointF& centre, const QColor& color)
{
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(centre, 5.5, 5.5);
    // The plus is cut out of the badge so it reads on any background.
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setPen(linePen(Qt::black, 1.8));
    p.drawLine(centre + QPointF(-2.8, 0), centre + QPointF(2.8, 0));
    p.drawLine(centre + QPointF(0, -2.8), centre + QPointF(0, 2.8));
    p.restore();
}

void trash(QPainter& p, const QColor& c)
{
    p.setPen(linePen(c));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(4, 6.5), QPointF(20, 6.5));
    p.drawLine(QPointF(9.5, 6.5), QPointF(10, 3.5));
    p.drawLine(QPointF(10, 3.5), QPointF(14, 3.5));
    p.drawLine(QPointF(14, 3.5), QPointF(14.5, 6.5));
    QPainterPath can;
    can.moveTo(6, 6.5);
    can.lineTo(7.3, 19.5);
    can.quadTo(7.5, 21, 9, 21);
    can.lineTo(15, 21);
    can.quadTo(16.5, 21, 16.7, 19.5);
    can.lineTo(18, 6.5);
    p.drawPath(can);
    p.drawLine(QPointF(10, 10), QPointF(10.3, 17.5));
    p.drawLine(QPointF(14, 10), QPointF(13.7, 17.5));
}

} // namespace

QStringList iconNames()
{
    return {"practice", "manage",  "dictionary", "options", "help", "newDeck",
            "delete",   "print",   "newCard",    "stroke",  "edit", "listen",
            "search",   "flip",    "correct",    "wrong",   "back", "next",
            "session",  "confirm", "statistics", "reader"};
}

void drawIcon(QPainter& p, const QString& name, const QColor& c)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    p.setPen(linePen(c));
    QColor soft = c;
    soft.setAlphaF(0.22);

    if (name == "practice") {
        // Two cards, the front one tilted, as in a practice round.
        p.save();
        p.translate(12, 12);
        p.rotate(-12);
        card(p, QRectF(-8.5, -7.5, 11, 15), c, Qt::NoBrush);
        p.restore();
        p.save();
        p.translate(13.5, 12.5);
        p.rotate(10);
        card(p, QRectF(-3.5, -8, 11.5, 15.5), c, Qt::NoBrush);
        // Two lines of writing on the front card.
        p.setPen(linePen(c, 1.8));
        p.drawLine(QPointF(-0.5, -3), QPointF(5, -3));
        p.drawLine(QPointF(-0.5, 1), QPointF(3.5, 1));
        p.restore();
    } else if (name == "manage" || name == "newDeck") {
        // A stack of cards seen from above.
        card(p, QRectF(7, 3, 13, 10), c, Qt::NoBrush);
        card(p, QRectF(5, 6.5, 13, 10), c, Qt::NoBrush);
        card(p, QRectF(3, 10, 13, 10), c, soft);
        if (name == "newDeck")
            plusBadge(p, QPointF(18.5, 18.5), c);
    } else if (name == "dictionary") {
        QPainterPath book;
        book.moveTo(12, 6.5);
        book.cubicTo(9, 4.5, 5.5, 4.5, 3, 5.5);
        book.lineTo(3, 19);
        book.cubicTo(5.5, 18, 9, 18, 12, 20);
        book.cubicTo(15, 18, 18.5, 18, 21, 19);
        book.lineTo(21, 5.5);
        book.cubicTo(18.5, 4.5, 15, 4.5, 12, 6.5);
        p.setBrush(soft);
        p.drawPath(book);
        p.drawLine(QPointF(12, 6.5), QPointF(12, 20));
    } else if (name == "reader") {
        // A page of running text, each line with a short mark above it as pinyin over words.
        p.setBrush(soft);
        p.drawRoundedRect(QRectF(4, 3, 16, 18), 2, 2);
        p.setPen(linePen(c, 1.8));
        for (const double y : {9.0, 13.5, 18.0}) {
            p.drawLine(QPointF(7, y), QPointF(17, y));
            p.drawLine(QPointF(8, y - 2.5), QPointF(11, y - 2.5));
        }
    } else if (name == "statistics") {
        // Three bars of a chart on its base line, the middle one tallest.
        p.setBrush(soft);
        p.drawRoundedRect(QRectF(4, 12, 4, 7.5), 1, 1);
        p.drawRoundedRect(QRectF(10, 5, 4, 14.5), 1, 1);
        p.drawRoundedRect(QRectF(16, 9, 4, 10.5), 1, 1);
        p.drawLine(QPointF(2.5, 21), QPointF(21.5, 21));
    } else if (name == "options") {
        // A cog: a ring with eight rounded teeth.
        QPainterPath cog;
        const int teeth = 8;
        for (int i = 0; i < teeth * 4; ++i) {
            const double angle = (i - 1) * M_PI * 2 / (teeth * 4);
            const double radius = (i % 4 < 2) ? 9.5 : 7.0;
            const QPointF point(12 + radius * qCos(angle), 12 + radius * qSin(angle));
            if (i == 0)
                cog.moveTo(point);
            else
                cog.lineTo(point);
        }
        cog.closeSubpath();
        p.setPen(linePen(c, 1.8));
        p.setBrush(soft);
        p.drawPath(cog);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(12, 12), 3, 3);
    } else if (name == "help") {
        p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
        QPainterPath q;
        q.moveTo(9, 9.5);
        q.cubicTo(9, 6.5, 15, 6.5, 15, 9.5);
        q.cubicTo(15, 11.5, 12, 12, 12, 14);
        p.drawPath(q);
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawEllipse(QPointF(12, 17.3), 1.3, 1.3);
    } else if (name == "delete") {
        trash(p, c);
    } else if (name == "print") {
        p.drawRoundedRect(QRectF(3, 9, 18, 8.5), 2, 2);
        p.drawLine(QPointF(7, 9), QPointF(7, 3.5));
        p.drawLine(QPointF(7, 3.5), QPointF(17, 3.5));
        p.drawLine(QPointF(17, 3.5), QPointF(17, 9));
        p.setBrush(soft);
        p.drawRect(QRectF(7, 14, 10, 7));
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawEllipse(QPointF(17.5, 11.8), 1, 1);
    } else if (name == "newCard") {
        card(p, QRectF(4, 3, 13, 17), c, soft);
        p.drawLine(QPointF(7.5, 8), QPointF(13.5, 8));
        p.drawLine(QPointF(7.5, 11.5), QPointF(11.5, 11.5));
        plusBadge(p, QPointF(18, 18), c);
    } else if (name == "stroke") {
        // A brush laying down a tapering stroke.
        QPainterPath sweep;
        sweep.moveTo(3, 19.5);
        sweep.cubicTo(6, 15, 10, 16, 12.5, 18.5);
        sweep.cubicTo(10.5, 17.8, 7, 18, 3, 19.5);
        p.setBrush(c);
        p.setPen(linePen(c, 1.2));
        p.drawPath(sweep);
        p.setBrush(Qt::NoBrush);
        p.setPen(linePen(c));
        p.drawLine(QPointF(13, 15), QPointF(20.5, 4));
        QPainterPath tip;
        tip.moveTo(13, 15);
        tip.quadTo(10.5, 16.5, 10.5, 18.5);
        tip.quadTo(13, 18, 14.8, 16);
        p.setBrush(c);
        p.drawPath(tip);
    } else if (name == "edit") {
        QPainterPath pencil;
        pencil.moveTo(15.5, 4.5);
        pencil.lineTo(19.5, 8.5);
        pencil.lineTo(9, 19);
        pencil.lineTo(4, 20);
        pencil.lineTo(5, 15);
        pencil.closeSubpath();
        p.setBrush(soft);
        p.drawPath(pencil);
        p.drawLine(QPointF(13.2, 6.8), QPointF(17.2, 10.8));
    } else if (name == "listen") {
        QPainterPath speaker;
        speaker.moveTo(3.5, 9.5);
        speaker.lineTo(7.5, 9.5);
        speaker.lineTo(12, 5);
        speaker.lineTo(12, 19);
        speaker.lineTo(7.5, 14.5);
        speaker.lineTo(3.5, 14.5);
        speaker.closeSubpath();
        p.setBrush(soft);
        p.drawPath(speaker);
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(10, 8, 8, 8), -50 * 16, 100 * 16);
        p.drawArc(QRectF(8.5, 4.5, 14, 15), -55 * 16, 110 * 16);
    } else if (name == "search") {
        p.setBrush(soft);
        p.drawEllipse(QPointF(10, 10), 6.3, 6.3);
        p.setPen(linePen(c, 2.6));
        p.drawLine(QPointF(14.8, 14.8), QPointF(20.5, 20.5));
    } else if (name == "flip") {
        // Two arrows turning a card over.
        p.drawArc(QRectF(4, 4, 16, 16), 30 * 16, 150 * 16);
        p.drawArc(QRectF(4, 4, 16, 16), 210 * 16, 150 * 16);
        auto head = [&](QPointF tip, double angle) {
            const QPointF a = tip + QPointF(qCos(angle + 2.5) * 4, -qSin(angle + 2.5) * 4);
            const QPointF b = tip + QPointF(qCos(angle - 2.5) * 4, -qSin(angle - 2.5) * 4);
            p.drawLine(tip, a);
            p.drawLine(tip, b);
        };
        head(
            QPointF(12 + 8 * qCos(qDegreesToRadians(30.0)), 12 - 8 * qSin(qDegreesToRadians(30.0))),
            qDegreesToRadians(-60.0));
        head(QPointF(12 + 8 * qCos(qDegreesToRadians(210.0)),
                     12 - 8 * qSin(qDegreesToRadians(210.0))),
             qDegreesToRadians(120.0));
    } else if (name == "correct" || name == "confirm") {
        p.setPen(linePen(c, name == "correct" ? 2.8 : 2.4));
        QPainterPath tick;
        tick.moveTo(4.5, 12.5);
        tick.lineTo(9.5, 17.5);
        tick.lineTo(19.5, 6.5);
        p.drawPath(tick);
    } else if (name == "wrong") {
        p.setPen(linePen(c, 2.8));
        p.drawLine(QPointF(6, 6), QPointF(18, 18));
        p.drawLine(QPointF(18, 6), QPointF(6, 18));
    } else if (name == "back" || name == "next") {
        p.setPen(linePen(c, 2.4));
        QPainterPath chevron;
        if (name == "back") {
            chevron.moveTo(14.5, 5.5);
            chevron.lineTo(8, 12);
            chevron.lineTo(14.5, 18.5);
        } else {
            chevron.moveTo(9.5, 5.5);
            chevron.lineTo(16, 12);
            chevron.lineTo(9.5, 18.5);
        }
        p.drawPath(chevron);
    } else if (name == "session") {
        // A play mark inside a card: start practising.
        card(p, QRectF(3.5, 4, 17, 16), c, Qt::NoBrush);
        QPainterPath play;
        play.moveTo(10, 8.5);
        play.lineTo(15.5, 12);
        play.lineTo(10, 15.5);
        play.closeSubpath();
        p.setBrush(c);
        p.setPen(linePen(c, 1.2));
        p.drawPath(play);
    }
    p.restore();
}

} // namespace skinart
