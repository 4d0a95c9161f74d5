#pragma once

#include <QString>

class QWidget;

namespace korvo {

class Deck;
class DeckCard;
class Dictionary;
class PinyinPlayer;
class Profile;
class StrokeAnimationDatabase;

// What the screens and dialogs ask of the program around them: the shared data objects, the
// pinyin player, the dialog openers and help. The screens sit below the application object in
// the library order, so they reach it only through this interface; the application implements it
// and registers itself for its lifetime. Tests may register a stand-in that records the calls.
class ApplicationServices
{
public:
    virtual ~ApplicationServices() = default;

    // The registered services, or none (for example in a test without an application).
    static ApplicationServices* instance();
    static void setInstance(ApplicationServices* services);

    virtual Profile* profile() const = 0;
    // The main dictionary on "Dictionary.db".
    virtual Dictionary* dictionary() const = 0;
    // Created on first use.
    virtual PinyinPlayer* pinyinPlayer() = 0;
    // Created on first use.
    virtual StrokeAnimationDatabase* strokeAnimationDatabase() = 0;

    // Dialog openers: each dialog is created on first use, modal, and reused afterwards.
    virtual void showAbout() = 0;
    virtual void showSessionDialog() = 0;
    virtual void showOptions() = 0;
    // The card editor for `card` (none for a new card) in the deck `deckId`; the dialog result.
    virtual int editCard(DeckCard* card, int deckId) = 0;
    // The deck editor for `deck` (none to create one placed at `insertionPoint`); the saved
    // deck, or none when cancelled.
    virtual Deck* editDeck(Deck* deck, Deck* insertionPoint) = 0;
    // The stroke order dialog for the Chinese characters of `text`.
    virtual void showStrokeOrder(const QString& text) = 0;

    // Opens the help page of the interface language at `anchor` (none for the top).
    virtual void showHelp(const QString& anchor) = 0;
    // F1 on `widget` or any of its children opens help at `anchor`, unless a child nearer the
    // focus has an anchor of its own.
    virtual void addHelpShortcut(QWidget* widget, const QString& anchor) = 0;

    // Shows a screen of the main window: "practice", "manage" or "dictionary".
    virtual void showScreen(const QString& name) = 0;
    // Shows the dictionary screen with the results for `text`.
    virtual void searchDictionary(const QString& text) = 0;
};

} // namespace korvo
