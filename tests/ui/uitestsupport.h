#pragma once

#include "style/applicationservices.h"
#include "ui/editcarddialog.h"
#include "ui/editdeckdialog.h"

#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class QMimeData;

namespace korvo {
class DeckManagerWidget;
class PinyinPlayer;
} // namespace korvo

// Helpers shared by the screen tests: a stand-in for the application that opens the real
// editors the way the application does, answers to modal dialogs, and synthetic drags.
namespace uitest {

// The built data folder (databases, skin, recordings, catalogues).
QString dataFolder();
// Points the style sheet at the built default skin.
void useBuiltSkin();

// The application as the screens see it: the profile and dictionary given, a pinyin player on
// the built recordings, and the two editors created once (parented to a stand-in main window)
// and run modally, as the application's openers do. Everything else is recorded.
class TestServices : public korvo::ApplicationServices
{
public:
    TestServices(korvo::Profile* profile, korvo::Dictionary* dictionary);
    ~TestServices() override;

    korvo::Profile* profile() const override { return m_profile; }
    korvo::Dictionary* dictionary() const override { return m_dictionary; }
    korvo::PinyinPlayer* pinyinPlayer() override;
    korvo::StrokeAnimationDatabase* strokeAnimationDatabase() override { return nullptr; }

    void showAbout() override { calls << QStringLiteral("showAbout"); }
    void showSessionDialog() override { calls << QStringLiteral("showSessionDialog"); }
    void showOptions() override { calls << QStringLiteral("showOptions"); }
    int editCard(korvo::DeckCard* card, int deckId) override;
    korvo::Deck* editDeck(korvo::Deck* deck, korvo::Deck* insertionPoint) override;
    void showStrokeOrder(const QString& text) override;
    void showHelp(const QString& anchor) override;
    void addHelpShortcut(QWidget* widget, const QString& anchor) override;
    void showScreen(const QString& name) override;
    void searchDictionary(const QString& text) override;

    QWidget* mainWindow() const { return m_mainWindow.get(); }
    EditCardDialog* cardEditor() const { return m_cardEditor; }
    EditDeckDialog* deckEditor() const { return m_deckEditor; }

    // Every call that opens nothing, as "name:argument".
    QStringList calls;
    int editCardCount = 0;
    int editDeckCount = 0;

private:
    korvo::Profile* m_profile;
    korvo::Dictionary* m_dictionary;
    std::unique_ptr<QWidget> m_mainWindow;
    std::unique_ptr<korvo::PinyinPlayer> m_player;
    QPointer<EditCardDialog> m_cardEditor;
    QPointer<EditDeckDialog> m_deckEditor;
};

// Runs `action` on the next modal widget (dialog or message box) once it is shown, from the
// event loop of the code that opens it. After `timeoutMs` without one it gives up; then
// modalMissed() is true.
void whenModal(const std::function<void(QWidget*)>& action, int timeoutMs = 5000);
bool modalMissed();
void resetModalMissed();

// Clicks the button of a message box whose text is `label`; false when it has none.
bool clickMessageBoxButton(QWidget* box, const QString& label);
// The text of a message box, or empty when `box` is none.
QString messageBoxText(QWidget* box);

// Delivers a drag of `data` to `target` (in its coordinates) through the application's event
// routing: enter, move to `position`, and a drop there when `drop` is set. A refused enter ends
// the drag. Returns whether the move was accepted; the drop's acceptance
// goes to *dropAccepted. The data stays the caller's.
bool deliverDrag(QWidget* target, QMimeData* data, const QPoint& position, bool drop,
                 bool* dropAccepted = nullptr);

// Types `text` into the widget: ASCII key by key, anything else (Chinese, tone marks) the way an
// input method delivers it, as one committed string.
void typeText(QWidget* widget, const QString& text);

// Clicks the named action of an open popup menu like a learner; false when it is not there.
bool clickMenuAction(const QString& actionName);

} // namespace uitest
