#pragma once

#include "dictionary/transferoptions.h"

#include <QString>
#include <QVariantMap>
#include <QtGlobal>

namespace korvo {

class Deck;
class DeckCard;
class Profile;

// Deck files and dragged decks: a deck, a folder with everything below it, or a single card as one
// JSON object (compact, keys sorted, ASCII only), and the way back into the profile. Free functions
// over decks and cards the profile owns; no GUI. Import failures roll back so that nothing of a
// failed import stays in the database.

// The JSON object of a deck or folder; "transferOptions" is added when withHeader is set.
QVariantMap deckToMap(Deck* deck, const TransferOptions& options, bool withHeader);
QString deckToJson(Deck* deck, const TransferOptions& options, bool withHeader);
QVariantMap deckCardToMap(DeckCard* card, const TransferOptions& options);
QString deckCardToJson(DeckCard* card, const TransferOptions& options);
// The five option flags as a JSON object under their own names.
QVariantMap transferOptionsToMap(const TransferOptions& options);

// The options named in a file's "transferOptions" object; all true when there is none.
TransferOptions readTransferOptions(const QString& text);

// What a deck file may give. Scores must be finite; they are kept between 0 and maxImportedScore
// (a learner gains at most one point per correct answer, so no real history comes near it, and
// below it every answer still changes a 32-bit score). Dates and practice times must lie between
// 1970-01-01 and 9999-12-31 (UTC): the program never writes others, and every date computation on
// them stays far from the 64-bit limits.
constexpr float maxImportedScore = 1000000.0f;
constexpr qint64 maxImportedMilliseconds = Q_INT64_C(253402300799999);
constexpr qint64 maxImportedSeconds = Q_INT64_C(253402300799);

// Checks a deck tree read from a file before anything of it is stored, and makes it fit to store:
// a score or date that is a number is read as one (also in exponent form), scores are clamped as
// above, texts lose unpaired surrogates. Only the fields the options say are read are checked.
// Returns false with a message for the user naming the first value that cannot be taken (a score
// that is not finite, a date outside the range); the map is then left as it was.
bool checkDeckMap(QVariantMap& map, const TransferOptions& options, QString* message = nullptr);

// Fill a fresh deck from the text or map and store it with everything below it: each deck is
// inserted as it is read, then its children or its cards with new knowledge units. Text that is not
// a JSON object reads as an empty deck. The tree is checked with checkDeckMap() first: when it
// fails nothing is stored and the result is false. Returns false as soon as a row could not be
// stored; the caller decides what to undo (importDeckText() undoes everything).
bool deckFromJson(Deck* deck, const QString& text, const TransferOptions& options);
bool deckFromMap(Deck* deck, const QVariantMap& map, const TransferOptions& options);
// Fill a fresh card (made with newDeckCard) and store its knowledge unit; the caller stores the
// card itself with its deck's saveCard(). A card that checkDeckMap() would refuse stores nothing.
bool deckCardFromMap(DeckCard* card, const QVariantMap& map, const TransferOptions& options);

// Most decks and cards one import makes; a file that describes more fails like a failed store. A
// file within the size limit could otherwise describe millions of empty decks.
constexpr int maxImportedObjects = 500000;

// Imports the text as a new deck (or folder tree) at the end of parentFolder (the root when none is
// given) in one transaction, titled "Untitled" when the file gives no title, and renumbers the
// tree. Returns the new deck, or none when checkDeckMap() refuses a value, anything could not be
// stored or the file holds more than maxObjects decks and cards; then nothing of the file is
// stored, the objects made so far are released, the tree is as before and *errorMessage (when
// given) says why, in the words shown to the user.
Deck* importDeckText(Profile* profile, const QString& text, const TransferOptions& options,
                     Deck* parentFolder, int maxObjects = maxImportedObjects,
                     QString* errorMessage = nullptr);

// Largest deck file read: larger files are refused rather than read into memory.
constexpr qint64 maxDeckFileSize = 64 * 1024 * 1024;

enum class DeckFileStatus { Ok, Missing, Unreadable, TooLarge };

// Reads a deck file as UTF-8 text.
DeckFileStatus readDeckFile(const QString& fileName, QString* text);
// Writes the deck with every option and no header. The file is replaced only by a complete new one:
// on any failure an existing file stays as it was.
bool writeDeckFile(Deck* deck, const QString& fileName);

} // namespace korvo
