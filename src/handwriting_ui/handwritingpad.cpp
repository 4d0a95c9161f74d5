#include "handwriting_ui/handwritingpad.h"

#include "handwriting_ui/handwritingcanvas.h"
#include "profile/profile.h"
#include "style/applicationservices.h"
#include "text/translationcatalogue.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace korvo {

namespace {

const char PadProperty[] = "korvoHandwritingPad";

// A pen writing a stroke, for the button that opens the pad.
QIcon padIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink(70, 70, 70);
    QPainterPath stroke(QPointF(4, 26));
    stroke.cubicTo(QPointF(9, 18), QPointF(13, 30), QPointF(18, 23));
    painter.setPen(QPen(ink, 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(stroke);
    painter.translate(21, 11);
    painter.rotate(45);
    painter.setPen(QPen(ink, 1.6));
    painter.setBrush(QColor(250, 250, 250));
    painter.drawRect(QRectF(-3, -12, 6, 18));
    painter.setBrush(ink);
    QPainterPath tip(QPointF(-3, 6));
    tip.lineTo(3, 6);
    tip.lineTo(0, 11);
    tip.closeSubpath();
    painter.drawPath(tip);
    return QIcon(pixmap);
}

HandwritingModel::Script scriptOfSetting()
{
    ApplicationServices* services = ApplicationServices::instance();
    Profile* profile = services ? services->profile() : nullptr;
    const QString mode =
        profile ? profile->setting(QStringLiteral("characterMode"), QStringLiteral("simplified"))
                      .toString()
                : QStringLiteral("simplified");
    if (mode == QLatin1String("traditional"))
        return HandwritingModel::Traditional;
    if (mode == QLatin1String("both"))
        return HandwritingModel::BothScripts;
    return HandwritingModel::Simplified;
}

} // namespace

HandwritingPad* HandwritingPad::attach(QLineEdit* edit, ScriptChoice script)
{
    if (HandwritingPad* existing = of(edit))
        return existing;
    return new HandwritingPad(edit, script);
}

HandwritingPad* HandwritingPad::of(QLineEdit* edit)
{
    return edit ? edit->property(PadProperty).value<HandwritingPad*>() : nullptr;
}

HandwritingPad::HandwritingPad(QLineEdit* edit, ScriptChoice script)
    : QFrame(edit, Qt::Tool | Qt::FramelessWindowHint), m_edit(edit), m_script(script)
{
    setObjectName(QStringLiteral("handwritingPad"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    edit->setProperty(PadProperty, QVariant::fromValue(this));

    m_padAction = new QAction(padIcon(), QString(), edit);
    m_padAction->setObjectName(QStringLiteral("handwritingPadAction"));
    edit->addAction(m_padAction, QLineEdit::TrailingPosition);

    m_canvas = new HandwritingCanvas(this);
    m_undoButton = new QPushButton(this);
    m_undoButton->setObjectName(QStringLiteral("handwritingUndoButton"));
    m_clearButton = new QPushButton(this);
    m_clearButton->setObjectName(QStringLiteral("handwritingClearButton"));
    m_closeButton = new QPushButton(this);
    m_closeButton->setObjectName(QStringLiteral("handwritingCloseButton"));
    for (QPushButton* button : {m_undoButton, m_clearButton, m_closeButton})
        button->setFocusPolicy(Qt::NoFocus);

    auto* candidateRow = new QGridLayout;
    candidateRow->setSpacing(4);
    QFont candidateFont = font();
    candidateFont.setPixelSize(22);
    for (int i = 0; i < HandwritingRecognizer::DefaultLimit; ++i) {
        auto* button = new QPushButton(this);
        button->setObjectName(QStringLiteral("handwritingCandidate%1").arg(i + 1));
        button->setFont(candidateFont);
        button->setFixedSize(40, 40);
        button->setFocusPolicy(Qt::NoFocus);
        button->setEnabled(false);
        connect(button, &QPushButton::clicked, this, [this, i] { pick(i); });
        candidateRow->addWidget(button, i / 5, i % 5);
        m_candidateButtons.append(button);
    }

    auto* side = new QVBoxLayout;
    side->addLayout(candidateRow);
    side->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_undoButton);
    buttons->addWidget(m_clearButton);
    buttons->addWidget(m_closeButton);
    side->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(m_canvas, 1);
    layout->addLayout(side);

    connect(m_padAction, &QAction::triggered, this, &HandwritingPad::padAction_triggered);
    connect(m_canvas, &HandwritingCanvas::strokeFinished, this,
            &HandwritingPad::canvas_strokeFinished);
    connect(m_undoButton, &QPushButton::clicked, this, &HandwritingPad::undoButton_clicked);
    connect(m_clearButton, &QPushButton::clicked, this, &HandwritingPad::clearButton_clicked);
    connect(m_closeButton, &QPushButton::clicked, this, &QWidget::hide);
    edit->installEventFilter(this);
    retranslate();
    resize(sizeHint());
}

void HandwritingPad::retranslate()
{
    m_padAction->setText(translate(QStringLiteral("Write a character by hand")));
    m_padAction->setToolTip(m_padAction->text());
    m_undoButton->setText(translate(QStringLiteral("Undo")));
    m_undoButton->setToolTip(translate(QStringLiteral("Take back the last stroke")));
    m_clearButton->setText(translate(QStringLiteral("Clear")));
    m_closeButton->setText(translate(QStringLiteral("Close")));
    m_canvas->setPlaceholderText(translate(QStringLiteral("Write a character here")));
    for (int i = 0; i < 9; ++i)
        m_candidateButtons.at(i)->setToolTip(
            translate(QStringLiteral("Insert this character (key %1)")).arg(i + 1));
}

QStringList HandwritingPad::candidates() const
{
    QStringList result;
    for (QPushButton* button : m_candidateButtons) {
        if (button->isEnabled())
            result << button->text();
    }
    return result;
}

HandwritingModel::Script HandwritingPad::preferredScript() const
{
    switch (m_script) {
    case PreferSimplified:
        return HandwritingModel::Simplified;
    case PreferTraditional:
        return HandwritingModel::Traditional;
    case NoPreference:
        return HandwritingModel::BothScripts;
    default:
        return m_preferred;
    }
}

void HandwritingPad::padAction_triggered()
{
    if (isVisible())
        hide();
    else
        open();
}

void HandwritingPad::open()
{
    retranslate();
    if (m_script == FollowSetting)
        m_preferred = scriptOfSetting();
    // The model loads now rather than when the first stroke ends.
    if (!m_recognizer)
        HandwritingRecognizer::shared();
    // Follow the window the line edit is in, so that the pad stays under it.
    if (m_watchedWindow != m_edit->window()) {
        if (m_watchedWindow)
            m_watchedWindow->removeEventFilter(this);
        m_watchedWindow = m_edit->window();
        m_watchedWindow->installEventFilter(this);
    }
    placeUnderEdit();
    show();
    raise();
    activateWindow();
    setFocus();
}

void HandwritingPad::placeUnderEdit()
{
    const QSize size = sizeHint().expandedTo(minimumSizeHint());
    QPoint at = m_edit->mapToGlobal(QPoint(0, m_edit->height()));
    // Kept on the screen: to the left of the edit's end when it would run off to the right.
    if (const QScreen* screen = m_edit->screen()) {
        const QRect available = screen->availableGeometry();
        at.setX(std::clamp(at.x(), available.left(),
                           std::max(available.left(), available.right() - size.width())));
        if (at.y() + size.height() > available.bottom())
            at.setY(
                std::max(available.top(), m_edit->mapToGlobal(QPoint(0, 0)).y() - size.height()));
    }
    setGeometry(QRect(at, size));
}

bool HandwritingPad::eventFilter(QObject* watched, QEvent* event)
{
    if (isVisible() && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        placeUnderEdit();
    if (watched == m_edit && event->type() == QEvent::Hide)
        hide();
    return QFrame::eventFilter(watched, event);
}

void HandwritingPad::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Escape) {
        hide();
        m_edit->setFocus();
        return;
    }
    if (key >= Qt::Key_1 && key <= Qt::Key_9 && event->modifiers() == Qt::NoModifier) {
        pick(key - Qt::Key_1);
        return;
    }
    if (event->matches(QKeySequence::Undo) || key == Qt::Key_Backspace) {
        undoButton_clicked();
        return;
    }
    QFrame::keyPressEvent(event);
}

void HandwritingPad::canvas_strokeFinished()
{
    recognize();
}

void HandwritingPad::undoButton_clicked()
{
    m_canvas->removeLastStroke();
    recognize();
}

void HandwritingPad::clearButton_clicked()
{
    m_canvas->clear();
    showCandidates({});
}

void HandwritingPad::recognize()
{
    HandwritingRecognizer* recognizer =
        m_recognizer ? m_recognizer : HandwritingRecognizer::shared();
    showCandidates(recognizer->recognize(m_canvas->drawing(), HandwritingRecognizer::DefaultLimit,
                                         preferredScript()));
}

void HandwritingPad::showCandidates(const QVector<HandwritingRecognizer::Candidate>& candidates)
{
    for (int i = 0; i < m_candidateButtons.size(); ++i) {
        QPushButton* button = m_candidateButtons.at(i);
        const bool shown = i < candidates.size();
        button->setText(shown ? candidates.at(i).character : QString());
        button->setEnabled(shown);
    }
}

void HandwritingPad::pick(int index)
{
    if (index < 0 || index >= m_candidateButtons.size() ||
        !m_candidateButtons.at(index)->isEnabled())
        return;
    m_edit->insert(m_candidateButtons.at(index)->text());
    m_canvas->clear();
    showCandidates({});
}

} // namespace korvo
