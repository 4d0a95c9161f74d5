#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <memory>
#include <vector>

namespace korvo {

// An in-memory copy of one text column of a table, for fast substring searches that give
// exactly what "column LIKE '%text%'" gives: ASCII letters compared without case, everything
// else byte for byte, NULL values never matching, rows in row id order. Texts containing the
// LIKE wildcards % and _ are not handled here (the caller runs the statement instead). Owned by
// the Dictionary that built it.
class SubstringIndex
{
public:
    // Reads "SELECT id, <column> FROM <table> ORDER BY id"; none when the statement fails.
    static std::unique_ptr<SubstringIndex> build(const QSqlDatabase& database, const QString& table,
                                                 const QString& column);
    // The index as bytes, to be stored and read back by fromBytes().
    QByteArray toBytes() const;
    // An index stored by toBytes(); none when the bytes are not one (damaged or truncated).
    static std::unique_ptr<SubstringIndex> fromBytes(const QByteArray& bytes);

    // Whether find() can answer for this text.
    static bool canSearch(const QString& text);
    // Row positions whose text contains `text`, in row order.
    std::vector<int> find(const QString& text) const;
    int id(int row) const { return m_ids[row]; }

    enum Answer { No, Yes, Unknown };
    // Whether the row holds `word` as a whole word (words end at the word separators of
    // splitWords), case ignored as containsWord() ignores it. Unknown when only a comparison
    // of the Unicode text can tell: a word that is not ASCII once lower-cased, or a row with a
    // character whose lower case is an ASCII letter.
    Answer containsWord(int row, const QString& word) const;
    // containsWord() with the word prepared once by asciiWord(), for checking many rows.
    Answer containsAsciiWord(int row, const QByteArray& asciiWord) const;
    // The word lower-cased as ASCII bytes; empty when it is empty or not ASCII once lower-cased.
    static QByteArray asciiWord(const QString& word);
    // The row's text with ASCII letters in lower case.
    QString text(int row) const;
    // Whether text(row) is the text of these UTF-8 bytes, without making a string of it.
    bool textEquals(int row, const QByteArray& utf8) const;
    // Whether the row's text, lower-cased in full (QString::toLower), differs from text(row):
    // it holds a letter outside ASCII with a lower case of its own.
    bool lowersBeyondAscii(int row) const { return m_lowersBeyondAscii[size_t(row)]; }
    int rowCount() const { return int(m_ids.size()); }

private:
    // The row's text as stored (ASCII lower-cased), without its end mark.
    QByteArrayView rowBytes(int row) const;
    // The row whose text holds the byte at `offset`, searched from `fromRow` on (at or before it).
    int rowHolding(int offset, int fromRow) const;

    QByteArray m_text; // every row's text, ASCII lower-cased, each followed by a '\0'
    std::vector<int> m_starts;
    std::vector<int> m_ids;
    // Rows holding a non-ASCII character whose lower case is an ASCII letter (KELVIN SIGN).
    std::vector<bool> m_foldsToAscii;
    std::vector<bool> m_lowersBeyondAscii;
};

} // namespace korvo
