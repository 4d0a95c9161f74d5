#include "uitestsupport.h"

#include "audio/pinyinplayer.h"
#include "style/style.h"
#include "ui/editcarddialog.h"
#include "ui/editdeckdialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

namespace uitest {

namespace {

bool missedModal = false;

} // namespace

QString dataFolder()
{
    const QString fromEnvironment = qEnvironmentVariable("QUILLET_DATA_DIR");
    return fromEnvironment.isEmpty() ? QStringLiteral(QUILLET_DATA_DIR) : fromEnvironment;
}

void useBuiltSkin()
{
    korvo::Style::destroyRoot();
    korvo::Style::setSkinFolder(dataFolder() + QStringLiteral("/skins/default"));
}

TestServices::TestServices(korvo::Profile* profile, korvo::Dictionary* dictionary)
    : m_profile(profile), m_dictionary(dictionary), m_mainWindow(std::make_unique<QWidget>())
{
    m_mainWindow->setObjectName(QStringLiteral("mainWindowStandIn"));
    ApplicationServices::setInstance(this);
}

TestServices::~TestServices()
{
    // The dialogs go with the stand-in window.
    m_mainWindow.reset();
    if (ApplicationServices::instance() == this)
        ApplicationServices::setInstance(nullptr);
}

korvo::PinyinPlayer* TestServices::pinyinPlayer()
{
    if (!m_player)
        m_player = std::make_unique<korvo::PinyinPlayer>(dataFolder() + QStringLiteral("/pinyin"));
    return m_player.get();
}

int TestServices::editCard(korvo::DeckCard* card, int deckId)
{
    ++editCardCount;
    if (!m_cardEditor)
        m_cardEditor = new EditCardDialog(m_mainWindow.get());
    m_cardEditor->setCard(card, deckId);
    return m_cardEditor->exec();
}

korvo::Deck* TestServices::editDeck(korvo::Deck* deck, korvo::Deck* insertionPoint)
{
    ++editDeckCount;
    if (!m_deckEditor)
        m_deckEditor = new EditDeckDialog(m_mainWindow.get());
    m_deckEditor->setDeck(deck, insertionPoint);
    m_deckEditor->exec();
    return m_deckEditor->savedDeck();
}

void TestServices::showStrokeOrder(const QString& text)
{
    calls << QStringLiteral("showStrokeOrder:") + text;
}

void TestServices::showHelp(const QString& anchor)
{
    calls << QStringLiteral("showHelp:") + anchor;
}

void TestServices::addHelpShortcut(QWidget* widget, const QString& anchor)
{
    calls << QStringLiteral("addHelpShortcut:") + widget->objectName() + QLatin1Char(':') + anchor;
}

void TestServices::showScreen(const QString& name)
{
    calls << QStringLiteral("showScreen:") + name;
}

void TestServices::searchDictionary(const QString& text)
{
    calls << QStringLiteral("searchDictionary:") + text;
}

void whenModal(const std::function<void(QWidget*)>& action, int timeoutMs)
{
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, action, timeoutMs] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) {
            if (clock->elapsed() > timeoutMs) {
                missedModal = true;
                timer->stop();
                timer->deleteLater();
                delete clock;
            }
            return;
        }
        timer->stop();
        timer->deleteLater();
        delete clock;
        action(modal);
    });
    timer->start();
}

bool modalMissed()
{
    return missedModal;
}

void resetModalMissed()
{
    missedModal = false;
}

bool clickMessageBoxButton(QWidget* box, const QString& label)
{
    auto* messageBox = qobject_cast<QMessageBox*>(box);
    if (!messageBox)
        return false;
    for (QAbstractButton* button : messageBox->buttons()) {
        if (button->text() == label) {
            QTest::mouseClick(button, Qt::LeftButton);
            return true;
        }
    }
    return false;
}

QString messageBoxText(QWidget* box)
{
    auto* messageBox = qobject_cast<QMessageBox*>(box);
    return messageBox ? messageBox->text() : QString();
}

bool deliverDrag(QWidget* target, QMimeData* data, const QPoint& position, bool drop,
                 bool* dropAccepted)
{
    // Routed as the toolkit routes a real drag: the enter goes to the first widget from the
    // target upwards that accepts drops, the rest to the widget that accepted the enter.
    if (dropAccepted)
        *dropAccepted = false;
    QDragEnterEvent enter(position, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDragMoveEvent move(position, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    const bool accepted = enter.isAccepted() && move.isAccepted();
    if (drop) {
        QDropEvent dropEvent(QPointF(position), Qt::MoveAction, data, Qt::LeftButton,
                             Qt::NoModifier);
        QApplication::sendEvent(target, &dropEvent);
        if (dropAccepted)
            *dropAccepted = dropEvent.isAccepted();
    }
    return accepted;
}

void typeText(QWidget* widget, const QString& text)
{
    bool ascii = true;
    for (QChar c : text)
        ascii = ascii && c.unicode() < 128;
    if (ascii) {
        QTest::keyClicks(widget, text);
        return;
    }
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(widget, &event);
}

bool clickMenuAction(const QString& actionName)
{
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu)
        return false;
    for (QAction* action : menu->actions()) {
        if (action->objectName() == actionName) {
            if (!action->isEnabled())
                return false;
            QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier,
                              menu->actionGeometry(action).center());
            return true;
        }
    }
    return false;
}

} // namespace uitest
