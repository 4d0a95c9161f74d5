#include "reader_ui/readertextview.h"

#include "reader/readerdocument.h"
#include "text/pinyin.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace korvo {

namespace {

constexpr int Margin = 12;
constexpr int WordGap = 6;
constexpr int LineGap = 10;

int toneOfNumbered(const QString& syllable)
{
    return !syllable.isEmpty() && syllable.back().isDigit() ? syllable.back().digitValue() : 5;
}

} // namespace

ReaderTextView::ReaderTextView(QWidget* parent) : QAbstractScrollArea(parent)
{
    setObjectName(QStringLiteral("readerTextView"));
    viewport()->setMouseTracking(true);
    viewport()->setBackgroundRole(QPalette::Base);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setSingleStep(1);
    m_characterFont = font();
    m_characterFont.setPointSizeF(font().pointSizeF() * 1.8);
    m_pinyinFont = font();
}

void ReaderTextView::setDocument(const ReaderDocument* document, LookFunction look)
{
    m_document = document;
    m_look = std::move(look);
    m_hovered = m_anchor = m_selectionEnd = -1;
    verticalScrollBar()->setValue(0);
    documentChanged();
}

void ReaderTextView::documentChanged()
{
    const int top = topSegment();
    m_widths.assign(m_document ? size_t(m_document->segmentCount()) : 0, -1);
    const int count = m_document ? m_document->segmentCount() : 0;
    m_hovered = std::min(m_hovered, count - 1);
    m_anchor = std::min(m_anchor, count - 1);
    m_selectionEnd = std::min(m_selectionEnd, count - 1);
    resetLayout();
    scrollToSegment(std::clamp(top, 0, std::max(0, count - 1)));
    viewport()->update();
}

void ReaderTextView::setFonts(const QFont& characterFont, const QFont& pinyinFont)
{
    m_characterFont = characterFont;
    m_pinyinFont = pinyinFont;
    documentChanged();
}

void ReaderTextView::setToneColours(bool colours)
{
    m_toneColours = colours;
    viewport()->update();
}

void ReaderTextView::setKnownPinyinShown(bool shown)
{
    m_knownPinyinShown = shown;
    viewport()->update();
}

int ReaderTextView::lineHeight() const
{
    return QFontMetrics(m_pinyinFont).height() + QFontMetrics(m_characterFont).height() + LineGap;
}

int ReaderTextView::visibleLineCount() const
{
    return std::max(1, (viewport()->height() - Margin) / lineHeight());
}

void ReaderTextView::resetLayout()
{
    m_lineStarts.clear();
    m_laidOutTo = 0;
    layOutLines(verticalScrollBar()->value() + visibleLineCount() + 1);
}

QString ReaderTextView::pinyinText(const WordLook& look) const
{
    QStringList marked;
    for (const QString& syllable : look.syllables)
        marked << numberedSyllableToMarked(syllable);
    return marked.join(QString());
}

int ReaderTextView::segmentWidth(int segment)
{
    int& width = m_widths[size_t(segment)];
    if (width >= 0)
        return width;
    const TextSegment& piece = m_document->segment(segment);
    if (piece.kind == TextSegment::LineBreak) {
        width = 0;
    } else if (piece.isChinese() && m_look) {
        const WordLook look = m_look(segment);
        width = std::max(QFontMetrics(m_characterFont).horizontalAdvance(look.characters),
                         QFontMetrics(m_pinyinFont).horizontalAdvance(pinyinText(look))) +
                WordGap;
    } else {
        width = QFontMetrics(m_characterFont).horizontalAdvance(m_document->segmentText(segment));
    }
    return width;
}

void ReaderTextView::layOutLines(int count)
{
    if (!m_document)
        return;
    const int segments = m_document->segmentCount();
    const int available = std::max(40, viewport()->width() - 2 * Margin);
    while (int(m_lineStarts.size()) < count && m_laidOutTo < segments) {
        const int start = m_laidOutTo;
        int x = 0;
        int next = start;
        while (next < segments) {
            if (m_document->segment(next).kind == TextSegment::LineBreak) {
                ++next;
                break;
            }
            const int width = segmentWidth(next);
            if (x + width > available && next > start)
                break;
            x += width;
            ++next;
        }
        m_lineStarts.push_back(start);
        m_laidOutTo = next;
    }
    updateScrollBar();
}

void ReaderTextView::updateScrollBar()
{
    const int segments = m_document ? m_document->segmentCount() : 0;
    int lines = int(m_lineStarts.size());
    if (m_laidOutTo < segments && m_laidOutTo > 0) {
        // The rest estimated at the mean number of segments per line so far.
        lines +=
            int(qint64(segments - m_laidOutTo) * qint64(m_lineStarts.size()) / m_laidOutTo) + 1;
    }
    QScrollBar* bar = verticalScrollBar();
    const QSignalBlocker blocker(bar);
    bar->setRange(0, std::max(0, lines - visibleLineCount()));
    bar->setPageStep(visibleLineCount());
}

int ReaderTextView::topSegment() const
{
    const int line = verticalScrollBar()->value();
    if (line < int(m_lineStarts.size()))
        return m_lineStarts[size_t(line)];
    return m_lineStarts.empty() ? 0 : m_lineStarts.back();
}

int ReaderTextView::lineOfSegment(int segment)
{
    while (m_laidOutTo <= segment && m_document && m_laidOutTo < m_document->segmentCount())
        layOutLines(int(m_lineStarts.size()) + 64);
    const auto after = std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), segment);
    return after == m_lineStarts.begin() ? 0 : int(after - m_lineStarts.begin()) - 1;
}

void ReaderTextView::scrollToSegment(int segment)
{
    const int line = lineOfSegment(segment);
    layOutLines(line + visibleLineCount() + 1);
    verticalScrollBar()->setValue(line);
    viewport()->update();
}

void ReaderTextView::scrollContentsBy(int, int)
{
    layOutLines(verticalScrollBar()->value() + visibleLineCount() + 1);
    viewport()->update();
}

void ReaderTextView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (!m_document)
        return;
    const int top = topSegment();
    resetLayout();
    scrollToSegment(top);
}

QRect ReaderTextView::segmentRect(int segment)
{
    if (!m_document || segment < 0 || segment >= m_document->segmentCount())
        return QRect();
    const int first = verticalScrollBar()->value();
    const int line = lineOfSegment(segment);
    if (line < first || line > first + visibleLineCount())
        return QRect();
    int x = Margin;
    for (int i = m_lineStarts[size_t(line)]; i < segment; ++i)
        x += segmentWidth(i);
    return QRect(x, Margin + (line - first) * lineHeight(), segmentWidth(segment),
                 lineHeight() - LineGap);
}

int ReaderTextView::segmentAtPoint(const QPoint& point)
{
    if (!m_document || point.y() < Margin)
        return -1;
    const int line = verticalScrollBar()->value() + (point.y() - Margin) / lineHeight();
    layOutLines(line + 1);
    if (line >= int(m_lineStarts.size()))
        return -1;
    const int end =
        line + 1 < int(m_lineStarts.size()) ? m_lineStarts[size_t(line + 1)] : m_laidOutTo;
    int x = Margin;
    for (int i = m_lineStarts[size_t(line)]; i < end; ++i) {
        const int width = segmentWidth(i);
        if (point.x() >= x && point.x() < x + width)
            return i;
        x += width;
    }
    return -1;
}

void ReaderTextView::paintSegment(QPainter& painter, int segment, const QRect& box)
{
    const TextSegment& piece = m_document->segment(segment);
    const int pinyinHeight = QFontMetrics(m_pinyinFont).height();
    const QRect characterBox(box.left(), box.top() + pinyinHeight, box.width(),
                             box.height() - pinyinHeight);
    const bool selected =
        segment >= selectionFirst() && segment <= selectionLast() && selectionFirst() >= 0;
    if (selected)
        painter.fillRect(box, palette().color(QPalette::Highlight).lighter(170));
    else if (segment == m_hovered && piece.isChinese())
        painter.fillRect(box, palette().color(QPalette::AlternateBase));
    if (!piece.isChinese() || !m_look) {
        painter.setFont(m_characterFont);
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(characterBox, Qt::AlignLeft | Qt::AlignVCenter,
                         m_document->segmentText(segment));
        return;
    }
    const WordLook look = m_look(segment);
    painter.setFont(m_characterFont);
    painter.setPen(look.known ? palette().color(QPalette::PlaceholderText)
                              : palette().color(QPalette::Text));
    painter.drawText(characterBox, Qt::AlignHCenter | Qt::AlignVCenter, look.characters);
    if (look.syllables.isEmpty() || (look.known && !m_knownPinyinShown && segment != m_hovered))
        return;
    painter.setFont(m_pinyinFont);
    const QFontMetrics metrics(m_pinyinFont);
    int x = box.left() + (box.width() - metrics.horizontalAdvance(pinyinText(look))) / 2;
    for (const QString& syllable : look.syllables) {
        const QString marked = numberedSyllableToMarked(syllable);
        const int tone = toneOfNumbered(syllable);
        painter.setPen(m_toneColours && tone >= 1 && tone <= 4 ? toneColor(tone)
                                                               : palette().color(QPalette::Text));
        painter.drawText(QRect(x, box.top(), metrics.horizontalAdvance(marked), pinyinHeight),
                         Qt::AlignLeft | Qt::AlignBottom, marked);
        x += metrics.horizontalAdvance(marked);
    }
}

void ReaderTextView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().color(QPalette::Base));
    if (!m_document)
        return;
    const int first = verticalScrollBar()->value();
    layOutLines(first + visibleLineCount() + 1);
    const int height = lineHeight();
    for (int line = first; line < int(m_lineStarts.size()) && line <= first + visibleLineCount();
         ++line) {
        const int end =
            line + 1 < int(m_lineStarts.size()) ? m_lineStarts[size_t(line + 1)] : m_laidOutTo;
        int x = Margin;
        const int y = Margin + (line - first) * height;
        for (int i = m_lineStarts[size_t(line)]; i < end; ++i) {
            const int width = segmentWidth(i);
            paintSegment(painter, i, QRect(x, y, width, height - LineGap));
            x += width;
        }
    }
    emit painted();
}

void ReaderTextView::setSelection(int first, int last)
{
    m_anchor = first;
    m_selectionEnd = last;
    viewport()->update();
    emit selectionChanged();
}

void ReaderTextView::mouseMoveEvent(QMouseEvent* event)
{
    const int segment = segmentAtPoint(event->position().toPoint());
    if ((event->buttons() & Qt::LeftButton) && segment >= 0 && m_anchor >= 0 &&
        segment != m_selectionEnd) {
        m_selectionEnd = segment;
        viewport()->update();
        emit selectionChanged();
    }
    if (segment == m_hovered)
        return;
    m_hovered = segment;
    viewport()->update();
    if (segment >= 0)
        emit segmentHovered(segment);
}

void ReaderTextView::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    const int segment = segmentAtPoint(event->position().toPoint());
    if (event->button() != Qt::LeftButton)
        return;
    if ((event->modifiers() & Qt::ShiftModifier) && m_anchor >= 0 && segment >= 0) {
        m_selectionEnd = segment;
    } else {
        m_anchor = segment;
        m_selectionEnd = segment;
    }
    viewport()->update();
    emit selectionChanged();
    if (segment >= 0)
        emit segmentClicked(segment);
}

void ReaderTextView::leaveEvent(QEvent* event)
{
    QAbstractScrollArea::leaveEvent(event);
    m_hovered = -1;
    viewport()->update();
}

void ReaderTextView::contextMenuEvent(QContextMenuEvent* event)
{
    const int segment = segmentAtPoint(event->pos()); // viewport coordinates
    if (segment >= 0)
        emit segmentMenuRequested(segment, event->globalPos());
}

} // namespace korvo
