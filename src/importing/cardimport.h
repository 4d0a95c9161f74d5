#pragma once

#include "importing/cardfields.h"
#include "importing/fieldmapping.h"
#include "importing/importedfile.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace korvo {

class Deck;
class Dictionary;
class KnowledgeUnit;
class Profile;

// How a file is imported: the field mapping of each of its note types, the folder its decks go
// into (the root when none), folders below it to put them in (found or made like the decks'
// own) and whether the import is only tried and then undone.
struct ImportOptions
{
    QList<FieldMapping> mappings;
    Deck* targetFolder = nullptr;
    QStringList folderPath;
    bool dryRun = false;
};

// What an import stored, or would have stored.
struct ImportSummary
{
    struct DeckCount
    {
        QStringList path; // folder titles, then the deck title
        int cards = 0;
        bool created = false;
    };

    QList<DeckCount> decks;
    int createdDecks = 0;
    int createdFolders = 0;
    int linkedCards = 0;       // cards showing a dictionary entry
    int userMadeCards = 0;     // cards with a new entry of the learner's own
    int duplicates = 0;        // skipped: the deck already had the characters with that pinyin
    int withoutCharacters = 0; // skipped: no characters to show
    bool cancelled = false;
    bool stored = false;
    QString error;

    int cards() const { return linkedCards + userMadeCards; }
};

// Imports the notes of a file into the profile in one transaction: every deck path becomes
// folders with a deck below the target folder (folders and decks of the same title there are
// used again), every note a card linked to its dictionary entry or showing a new entry of the
// learner's own. Cards the deck already has (same characters and pinyin) are skipped. A failure,
// a cancel or a dry run stores nothing and leaves the deck tree as it was. Borrows the profile
// and the dictionary.
class CardImport
{
public:
    // Called as the notes are imported; returning false cancels the import.
    using Progress = std::function<bool(int done, int total)>;
    static constexpr int ProgressStep = 100;

    CardImport(Profile* profile, Dictionary* dictionary);

    ImportSummary run(const ImportedFile& file, const ImportOptions& options,
                      const Progress& progress = Progress());

    // The mapping guessed for each note type of the file.
    static QList<FieldMapping> guessMappings(const ImportedFile& file);
    // The card a note makes, as it will be shown: the dictionary entry's content when it links
    // to one. The caller owns the unit.
    KnowledgeUnit* previewUnit(const ImportedNote& note, const FieldMapping& mapping);
    // The deck a note goes into: its path, or the file's own deck.
    static QStringList deckPathOf(const ImportedFile& file, const ImportedNote& note);

private:
    Profile* m_profile;
    Dictionary* m_dictionary;
};

} // namespace korvo
