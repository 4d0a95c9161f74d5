#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

namespace korvo {

class Dictionary;
class SubstringIndex;

// What the searches of the main dictionary keep in memory: a copy of each searched column for
// substring searches, and for each unit what ranking needs of it — how common it is
// (Dictionary::frequencyScore of its simplified form) and its definitions as English ranking
// compares them. The data build stores it all in the table "SearchData", so that the first search
// after start-up costs no more than the later ones; a dictionary without that table, or with a part
// of it damaged, has the part made from its own rows on first use. Owned by the Dictionary; the
// dictionary is borrowed.
class SearchData
{
public:
    static const QString TableName;

    explicit SearchData(Dictionary* dictionary);
    ~SearchData();

    // The copy of a column of KnowledgeUnits, read from the table or made on first use; none
    // when the column cannot be read.
    const SubstringIndex* column(const QString& name);
    // How common the unit is, 0..1; read from the table, or computed (loading the unit) and kept.
    double frequency(int id);
    // The unit's definitions in lower case, without parenthesised parts, blanks simplified.
    const QStringList& englishDefinitions(int id);
    // The same definitions as the data build stored them, UTF-8, each followed by
    // DefinitionEnd; false when the table holds none for the unit.
    bool storedEnglishDefinitions(int id, QByteArrayView* definitions);
    static constexpr char DefinitionEnd = '\x1f';

    // Makes every part from the dictionary's rows and writes it into the table, replacing what
    // was there (the data build does this once the units, characters and bigrams are written).
    static bool store(Dictionary* dictionary);

private:
    QByteArray storedPart(const QString& name) const;
    void loadFrequencies();
    void loadEnglishDefinitions();
    static QStringList comparableDefinitions(const QStringList& definitions);
    static QByteArray frequenciesToBytes(const std::vector<double>& frequencies);
    static QByteArray definitionsToBytes(const std::vector<QStringList>& definitions);

    Dictionary* m_dictionary;
    std::map<QString, std::unique_ptr<SubstringIndex>> m_columns;
    std::vector<double> m_frequencies; // by unit id; NaN where not known yet
    bool m_frequenciesLoaded = false;
    // Stored definitions of every unit, split on first use; by unit id.
    QByteArray m_definitionText;
    std::vector<quint32> m_definitionOffsets;
    std::vector<QStringList> m_definitions;
    std::vector<bool> m_definitionsKnown;
    bool m_definitionsLoaded = false;
};

} // namespace korvo
