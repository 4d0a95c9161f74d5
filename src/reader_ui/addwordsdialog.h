#pragma once

#include <QDialog>
#include <QList>

class QComboBox;
class QLineEdit;
class QListWidget;

namespace korvo {

class Deck;
class Dictionary;
class KnowledgeUnit;
class Profile;

// Asks which of the reader's words go into which deck (one of the learner's decks or a new one)
// and, once the learner confirms, makes their cards: each with the profile's unit for the
// dictionary entry the word matched, as the built-in decks and the import share them; a word the
// deck already has a card for is skipped. Nothing is stored before the learner confirms. The
// entries are borrowed from the dictionary.
class AddWordsDialog : public QDialog
{
    Q_OBJECT

public:
    AddWordsDialog(const QList<KnowledgeUnit*>& entries, Dictionary* dictionary, Profile* profile,
                   QWidget* parent = nullptr);

    // Stores the checked words in the chosen deck, in one transaction; returns how many cards
    // were made (the skipped duplicates not counted), or -1 when the deck cannot be made.
    int store();
    int skippedCount() const { return m_skipped; }

    QListWidget* wordList() const { return m_words; }
    QComboBox* deckChoice() const { return m_decks; }
    QLineEdit* newDeckTitle() const { return m_newTitle; }

private:
    Deck* chosenDeck();
    void updateTitleLine();

    QList<KnowledgeUnit*> m_entries;
    Dictionary* m_dictionary;
    Profile* m_profile;
    QListWidget* m_words;
    QComboBox* m_decks;
    QLineEdit* m_newTitle;
    int m_skipped = 0;
};

} // namespace korvo
