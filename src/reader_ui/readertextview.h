#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace korvo {

class ReaderDocument;

// How one word of the text is drawn: the characters in the chosen script, its pinyin (numbered
// syllables, empty for none) and whether the learner knows it.
struct WordLook
{
    QString characters;
    QStringList syllables;
    bool known = false;
};

// The reader's running text: every word with its pinyin above it, coloured by tone, punctuation,
// numbers and Latin text as they are. Lines are laid out as they come into view (a text of
// 100,000 characters costs no more to show than its first screen); the scroll bar counts lines,
// those not laid out yet estimated. The mouse hovers, clicks and selects whole segments. The
// document is borrowed; the owner calls documentChanged() after changing it.
class ReaderTextView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    using LookFunction = std::function<WordLook(int segment)>;

    explicit ReaderTextView(QWidget* parent = nullptr);

    void setDocument(const ReaderDocument* document, LookFunction look);
    // Lays the text out anew, keeping the segment at the top of the view at the top.
    void documentChanged();
    void setFonts(const QFont& characterFont, const QFont& pinyinFont);
    void setToneColours(bool colours);
    void setKnownPinyinShown(bool shown);

    // The first segment of the top line; scrollToSegment() brings a segment's line to the top.
    int topSegment() const;
    void scrollToSegment(int segment);
    int hoveredSegment() const { return m_hovered; }
    // The selected segments, first and last (-1, -1 for none).
    int selectionFirst() const { return std::min(m_anchor, m_selectionEnd); }
    int selectionLast() const { return std::max(m_anchor, m_selectionEnd); }
    void setSelection(int first, int last);
    // Where a segment is drawn, in viewport coordinates; empty when it is not on screen.
    QRect segmentRect(int segment);
    // Lines laid out so far, for tests of the lazy layout.
    int laidOutLineCount() const { return int(m_lineStarts.size()); }

signals:
    void segmentHovered(int segment);
    void segmentClicked(int segment);
    void segmentMenuRequested(int segment, const QPoint& globalPosition);
    void selectionChanged();
    void painted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    int lineHeight() const;
    int visibleLineCount() const;
    // Lays out lines until there are `count` of them or the text ends.
    void layOutLines(int count);
    void resetLayout();
    void updateScrollBar();
    int segmentWidth(int segment);
    QString pinyinText(const WordLook& look) const;
    int segmentAtPoint(const QPoint& point);
    void paintSegment(QPainter& painter, int segment, const QRect& box);
    int lineOfSegment(int segment);

    const ReaderDocument* m_document = nullptr;
    LookFunction m_look;
    QFont m_characterFont;
    QFont m_pinyinFont;
    bool m_toneColours = true;
    bool m_knownPinyinShown = false;
    // The first segment of each line laid out, and the segment after the last such line.
    std::vector<int> m_lineStarts;
    int m_laidOutTo = 0;
    std::vector<int> m_widths; // per segment, -1 until measured
    int m_hovered = -1;
    int m_anchor = -1;
    int m_selectionEnd = -1;
};

} // namespace korvo
