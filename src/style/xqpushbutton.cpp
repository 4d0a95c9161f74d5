#include "style/xqpushbutton.h"

#include "style/style.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace korvo {

namespace {

// Tight height of "My" (or "M") minus one: the height a line of label text takes.
int tightHeight(const QFontMetrics& metrics, const QString& sample)
{
    return metrics.tightBoundingRect(sample).height() - 1;
}

} // namespace

XQPushButton::XQPushButton(QWidget* parent) : QPushButton(parent)
{
    setCursor(Qt::PointingHandCursor);
}

XQPushButton::~XQPushButton() = default;

void XQPushButton::setStyleName(const QString& name)
{
    m_style = Style::root()->section(name);
    m_style->applyToWidget(this);

    m_icon.reset();
    m_iconShadow.reset();
    const QString iconName = m_style->stringValue("icon");
    if (!iconName.isEmpty()) {
        m_icon = std::make_unique<QPixmap>(Style::skinPixmap(iconName));
        const StyleShadow iconShadow = m_style->shadow("icon");
        if (iconShadow.enabled) {
            m_iconShadow = std::make_unique<QPixmap>(*m_icon);
            tintPixmap(*m_iconShadow, iconShadow.color, 1.0);
        }
    }

    if (m_style->boolValue("fitWidthToBackground", false)) {
        if (const NineSliceImage* up = stateBackground("up"))
            resize(up->size().width(), effectiveHeight());
    }

    m_disabledOpacity = m_style->floatValue("disabledOpacity", 0.4);
    const int gap = m_style->intValue("upGapY", 0);
    if (gap != m_upGapY) {
        m_upGapY = gap;
        update();
    }
    m_needsResize = true;
    update();
}

void XQPushButton::setText(const QString& text)
{
    m_labelParts.clear();
    m_labelColors.clear();
    QPushButton::setText(text);
    m_needsResize = true;
    update();
}

void XQPushButton::setColoredText(const QStringList& parts, const QList<QColor>& colors)
{
    if (parts.size() != colors.size())
        return;
    QPushButton::setText(parts.join(QString()));
    m_labelParts = parts;
    m_labelColors = colors;
    m_needsResize = true;
    update();
}

void XQPushButton::setFontFamilyOverride(const QString& family)
{
    if (family == m_fontFamilyOverride)
        return;
    m_fontFamilyOverride = family;
    update();
}

void XQPushButton::setFontWeightOverride(const QString& weight)
{
    if (weight == m_fontWeightOverride)
        return;
    m_fontWeightOverride = weight;
    update();
}

void XQPushButton::setOpacity(double opacity)
{
    if (qFuzzyCompare(opacity, m_opacity))
        return;
    m_opacity = opacity;
    update();
}

double XQPushButton::paintOpacity() const
{
    double result = isEnabled() ? 1.0 : m_disabledOpacity;
    if (!qFuzzyCompare(m_opacity, 1.0))
        result = m_opacity;
    return result;
}

void XQPushButton::setAutoResize(bool autoResize)
{
    m_autoResize = autoResize;
    if (autoResize) {
        m_needsResize = true;
        update();
    }
}

QSize XQPushButton::iconSize() const
{
    // In device-independent pixels, so that "@2x" icons take the same room as plain ones.
    return m_icon ? m_icon->deviceIndependentSize().toSize() : QSize();
}

int XQPushButton::textHeight() const
{
    const QFont font = m_style ? m_style->font() : this->font();
    return tightHeight(QFontMetrics(font), QStringLiteral("My"));
}

QSize XQPushButton::contentSize() const
{
    const QFont font = m_style ? m_style->font() : this->font();
    const QFontMetrics metrics(font);
    const QString position = m_style ? m_style->stringValue("labelPosition", "right") : "right";
    const int gap = m_style ? m_style->intValue("labelGap", 8) : 8;
    const int textWidth = metrics.horizontalAdvance(text());
    int width = textWidth;
    int height = position == "bottom" ? textHeight() : this->height();
    if (m_icon) {
        if (position == "bottom") {
            width = qMax(textWidth, iconSize().width());
            height = height + iconSize().height() + gap;
        } else {
            width = iconSize().width() + gap + textWidth;
        }
    }
    return QSize(width, height);
}

QSize XQPushButton::sizeHint() const
{
    QSize size = contentSize();
    if (m_style)
        size.rwidth() += m_style->intValue("paddingLeft", 0) + m_style->intValue("paddingRight", 0);
    return size;
}

int XQPushButton::effectiveWidth() const
{
    return m_needsResize && m_autoResize ? sizeHint().width() : width();
}

int XQPushButton::effectiveHeight() const
{
    return m_needsResize && m_autoResize ? sizeHint().height() : height();
}

void XQPushButton::fitHeight()
{
    int iconHeight = m_icon ? iconSize().height() : 0;
    int padding = 0;
    if (m_style)
        padding = m_style->intValue("paddingTop", 0) + m_style->intValue("paddingBottom", 0);
    resize(effectiveWidth(), padding + qMax(textHeight(), iconHeight));
}

const NineSliceImage* XQPushButton::stateBackground(const QString& state)
{
    auto cached = m_stateBackgrounds.constFind(state);
    if (cached != m_stateBackgrounds.constEnd())
        return cached.value().get();
    if (!m_style)
        return nullptr;

    static const QMap<QString, QString> imageKeys = {{"up", "backgroundImage"},
                                                     {"selected", "backgroundImageSelected"},
                                                     {"over", "backgroundImageOver"},
                                                     {"down", "backgroundImageDown"}};
    static const QMap<QString, QString> effectKeys = {
        {"up", "effect"}, {"over", "rolloverEffect"}, {"down", "mouseDownEffect"}};

    std::shared_ptr<NineSliceImage> background;
    const QString file = m_style->stringValue(imageKeys.value(state));
    if (!file.isEmpty()) {
        const QPixmap pixmap = Style::skinPixmap(file);
        if (!pixmap.isNull())
            background = std::make_shared<NineSliceImage>(pixmap.toImage());
    }
    if (!background && state != "up") {
        // The other states start from the up image, which already carries its own effect.
        if (const NineSliceImage* up = stateBackground("up"))
            background = std::make_shared<NineSliceImage>(*up);
    }
    if (background && effectKeys.contains(state))
        Style::applyEffect(background->image(), m_style->effect(effectKeys.value(state)));
    m_stateBackgrounds.insert(state, background);
    return background.get();
}

QString XQPushButton::currentState() const
{
    if (isChecked())
        return "selected";
    if (underMouse())
        return isDown() ? "down" : "over";
    return isDown() ? "down" : "up";
}

void XQPushButton::paintEvent(QPaintEvent*)
{
    if (!m_style)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const int offsetY = underMouse() ? 0 : m_upGapY;
    painter.setOpacity(paintOpacity());

    const int w = effectiveWidth();
    const int h = effectiveHeight();
    if (const NineSliceImage* background = stateBackground(currentState())) {
        QPoint origin(0, 0);
        const QSize imageSize = background->size();
        if (imageSize == QSize(w, h)) {
            // Alignment shows only when the image is drawn unscaled.
            if (m_style->stringValue("backgroundHAlign", "left") == "center")
                origin.rx() = (w - imageSize.width()) / 2;
            if (m_style->stringValue("backgroundVAlign", "top") == "center")
                origin.ry() = (h - imageSize.height()) / 2;
        }
        background->draw(&painter, QRect(origin, QSize(w, h)));
    }

    const StyleShadow labelShadow = m_style->shadow("font");
    m_style->applyToPainter(&painter);
    if (!m_fontFamilyOverride.isEmpty() || !m_fontWeightOverride.isEmpty()) {
        QFont font = painter.font();
        if (!m_fontFamilyOverride.isEmpty())
            font.setFamily(m_fontFamilyOverride);
        if (!m_fontWeightOverride.isEmpty())
            font.setWeight(m_fontWeightOverride.toLower() == "bold" ? QFont::Bold : QFont::Normal);
        painter.setFont(font);
    }
    const QFontMetrics metrics = painter.fontMetrics();
    const int m = tightHeight(metrics, QStringLiteral("M"));
    const QString label = text();
    const int textWidth = metrics.horizontalAdvance(label);
    const QString position = m_style->stringValue("labelPosition", "right");
    const int gap = m_style->intValue("labelGap", 8);
    const QSize content = contentSize();

    int iconX = 0;
    int iconY = 0;
    if (m_icon) {
        const int iconW = iconSize().width();
        const int iconH = iconSize().height();
        if (position == "bottom") {
            // Centred over the label, which is centred in the button.
            iconX = (w - iconW) / 2;
            iconY = (h - content.height()) / 2;
        } else {
            if (position == "left")
                iconX = w - (w - content.width()) / 2 - iconW;
            else
                iconX = label.isEmpty() ? (w - iconW) / 2 : (w - content.width()) / 2;
            iconY = (h - iconH) / 2;
        }
        iconY += offsetY;
        if (m_iconShadow) {
            const StyleShadow iconShadow = m_style->shadow("icon");
            painter.drawPixmap(iconX + iconShadow.offsetX, iconY + iconShadow.offsetY,
                               *m_iconShadow);
        }
        painter.drawPixmap(iconX, iconY, *m_icon);
    }

    if (!label.isEmpty()) {
        int x = m_icon ? iconX + iconSize().width() + gap : (w - textWidth) / 2;
        int y = m + (h - m) / 2 + offsetY;
        if (position == "bottom") {
            x = (w - textWidth) / 2;
            y = m_icon ? iconY + iconSize().height() + gap + m : y;
        } else if (position == "left" && m_icon) {
            x = iconX - gap - textWidth;
        }
        if (labelShadow.enabled) {
            const QPen pen = painter.pen();
            painter.setPen(labelShadow.color);
            painter.drawText(x + labelShadow.offsetX, y + labelShadow.offsetY, label);
            painter.setPen(pen);
        }
        if (!m_labelParts.isEmpty()) {
            for (int i = 0; i < m_labelParts.size(); ++i) {
                painter.setPen(m_labelColors.at(i));
                painter.drawText(x, y, m_labelParts.at(i));
                x += metrics.horizontalAdvance(m_labelParts.at(i));
            }
        } else {
            painter.drawText(x, y, label);
        }
    }

    if (m_style->boolValue("showFocusRectangle", false) && hasFocus()) {
        const int penWidth = m_style->intValue("focusWidth", 1);
        QPen pen(m_style->colorValue("focusColor", QColor(Qt::yellow)), penWidth, Qt::DashLine,
                 Qt::SquareCap, Qt::BevelJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.setOpacity(1.0);
        painter.drawRect(4, 4, w - penWidth - 8, h - penWidth - 8);
    }
    painter.end();

    if (m_needsResize && m_autoResize) {
        resize(sizeHint());
        m_needsResize = false;
    }
}

void XQPushButton::keyPressEvent(QKeyEvent* event)
{
    QPushButton::keyPressEvent(event);
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        emit enterPressed();
}

void XQPushButton::mouseReleaseEvent(QMouseEvent* event)
{
    // A checked toggle button stays checked: only another button unchecks it.
    if (isCheckable() && isChecked()) {
        setDown(false);
        event->ignore();
        return;
    }
    QPushButton::mouseReleaseEvent(event);
}

void XQPushButton::enterEvent(QEnterEvent* event)
{
    QPushButton::enterEvent(event);
    update();
}

void XQPushButton::leaveEvent(QEvent* event)
{
    QPushButton::leaveEvent(event);
    update();
}

} // namespace korvo
