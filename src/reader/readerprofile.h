#pragma once

#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QString>

namespace korvo {

class Profile;

// What the reader keeps in the learner's profile: the words the learner knows (the characters
// of cards in any deck whose unit has a score of 1 or more, both scripts), and the text last
// read with the reading position and the joins and splits made by hand, kept as the user
// settings "reader.text", "reader.position" and "reader.edits". Stateless.
class ReaderProfile
{
public:
    struct SavedText
    {
        QString text;
        qsizetype position = 0; // a character position in the text
        QString edits;          // ReaderDocument::editsText()
    };

    static QSet<QString> knownWords(const QSqlDatabase& profileDatabase);
    // The HSK level of every word of the profile's built-in HSK decks (both scripts), the
    // lowest where a word is in several.
    static QHash<QString, int> hskLevels(const QSqlDatabase& profileDatabase);
    // Keeps the text in the profile's settings (written with its other pending settings).
    static void save(Profile& profile, const SavedText& saved);
    // The text kept last, its position within it (0 when it no longer fits).
    static SavedText load(Profile& profile);
};

} // namespace korvo
