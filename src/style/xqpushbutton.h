#pragma once

#include "style/ninesliceimage.h"

#include <QColor>
#include <QList>
#include <QMap>
#include <QPixmap>
#include <QPushButton>
#include <QStringList>

#include <memory>

namespace korvo {

class Style;

// A push button painted entirely from a style section: a nine-slice background per state (up,
// over, down, selected) with image effects, an optional icon with shadow, a label with optional
// shadow and coloured parts, a dashed focus rectangle, and a size that follows its content.
// Owned by its Qt parent; the style section is borrowed from the style sheet.
class XQPushButton : public QPushButton
{
    Q_OBJECT

public:
    explicit XQPushButton(QWidget* parent = nullptr);
    ~XQPushButton() override;

    void setStyleName(const QString& name);
    Style* styleSection() const { return m_style; }

    // Clears the coloured label parts, then sets the text.
    void setText(const QString& text);
    // Only when both lists have the same length: the label becomes the parts joined, each part
    // painted in its colour.
    void setColoredText(const QStringList& parts, const QList<QColor>& colors);
    QStringList labelParts() const { return m_labelParts; }

    void setFontFamilyOverride(const QString& family);
    QString fontFamilyOverride() const { return m_fontFamilyOverride; }
    void setFontWeightOverride(const QString& weight);
    QString fontWeightOverride() const { return m_fontWeightOverride; }

    void setOpacity(double opacity);
    double opacity() const { return m_opacity; }
    double disabledOpacity() const { return m_disabledOpacity; }
    // Opacity the button paints with now.
    double paintOpacity() const;

    void setAutoResize(bool autoResize);
    bool autoResize() const { return m_autoResize; }
    bool needsResize() const { return m_needsResize; }
    int upGapY() const { return m_upGapY; }
    const QPixmap* icon() const { return m_icon.get(); }
    // The icon's size in device-independent pixels (empty without an icon).
    QSize iconSize() const;

    QSize contentSize() const;
    QSize sizeHint() const override;
    int effectiveWidth() const;
    int effectiveHeight() const;
    void fitHeight();

    // The background of a state ("up", "selected", "over", "down"), computed once; none when
    // the style gives no image.
    const NineSliceImage* stateBackground(const QString& state);
    // The state painted now.
    QString currentState() const;

signals:
    void enterPressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int textHeight() const;

    QString m_fontFamilyOverride;
    QString m_fontWeightOverride;
    QStringList m_labelParts;
    QList<QColor> m_labelColors;
    Style* m_style = nullptr;
    std::unique_ptr<QPixmap> m_icon;
    std::unique_ptr<QPixmap> m_iconShadow;
    int m_upGapY = 0;
    QMap<QString, std::shared_ptr<NineSliceImage>> m_stateBackgrounds;
    double m_opacity = 1.0;
    double m_disabledOpacity = 0.4;
    bool m_needsResize = true;
    bool m_autoResize = true;
};

} // namespace korvo
