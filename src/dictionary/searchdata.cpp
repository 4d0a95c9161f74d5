#include "dictionary/searchdata.h"

#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "dictionary/substringindex.h"
#include "text/texthelpers.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <limits>

namespace korvo {

namespace {

constexpr quint32 FrequencyTag = 0x51534631;  // "QSF1"
constexpr quint32 DefinitionTag = 0x51534431; // "QSD1"
// Ids beyond this are not kept in the flat tables (the dictionary's row ids are far below it).
constexpr int DenseIdLimit = 1 << 21;

const QStringList SearchedColumns = {
    QStringLiteral("simplified"), QStringLiteral("traditional"), QStringLiteral("pinyinMerged"),
    QStringLiteral("pinyinMergedNoTones"), QStringLiteral("definition")};

void appendNumber(QByteArray& bytes, quint32 value)
{
    char raw[4];
    qToLittleEndian(value, raw);
    bytes.append(raw, 4);
}

quint32 numberAt(const QByteArray& bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

} // namespace

const QString SearchData::TableName = QStringLiteral("SearchData");

SearchData::SearchData(Dictionary* dictionary) : m_dictionary(dictionary) {}

SearchData::~SearchData() = default;

QByteArray SearchData::storedPart(const QString& name) const
{
    QSqlQuery query(m_dictionary->database());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT data FROM SearchData WHERE name = :name"));
    query.bindValue(QStringLiteral(":name"), name);
    if (!query.exec() || !query.next())
        return QByteArray();
    return query.value(0).toByteArray();
}

const SubstringIndex* SearchData::column(const QString& name)
{
    auto found = m_columns.find(name);
    if (found != m_columns.end())
        return found->second.get();
    std::unique_ptr<SubstringIndex> index =
        SubstringIndex::fromBytes(storedPart(QStringLiteral("column:") + name));
    if (!index)
        index =
            SubstringIndex::build(m_dictionary->database(), QStringLiteral("KnowledgeUnits"), name);
    return m_columns.emplace(name, std::move(index)).first->second.get();
}

void SearchData::loadFrequencies()
{
    m_frequenciesLoaded = true;
    const QByteArray bytes = storedPart(QStringLiteral("frequency"));
    if (bytes.size() < 8 || numberAt(bytes, 0) != FrequencyTag)
        return;
    const quint64 count = numberAt(bytes, 4);
    if (count > quint64(DenseIdLimit) || quint64(bytes.size()) != 8 + count * 8)
        return;
    m_frequencies.resize(size_t(count));
    for (size_t id = 0; id < count; ++id) {
        const quint64 bits = qFromLittleEndian<quint64>(bytes.constData() + 8 + id * 8);
        std::memcpy(&m_frequencies[id], &bits, sizeof bits);
    }
}

double SearchData::frequency(int id)
{
    if (!m_frequenciesLoaded)
        loadFrequencies();
    if (id >= 0 && size_t(id) < m_frequencies.size() && !std::isnan(m_frequencies[size_t(id)]))
        return m_frequencies[size_t(id)];
    KnowledgeUnit* unit = m_dictionary->knowledgeUnit(id);
    const double value = unit ? m_dictionary->frequencyScore(unit->simplified()) : 0;
    if (id >= 0 && id < DenseIdLimit) {
        if (size_t(id) >= m_frequencies.size())
            m_frequencies.resize(size_t(id) + 1, std::numeric_limits<double>::quiet_NaN());
        m_frequencies[size_t(id)] = value;
    }
    return value;
}

void SearchData::loadEnglishDefinitions()
{
    m_definitionsLoaded = true;
    QByteArray bytes = storedPart(QStringLiteral("englishDefinitions"));
    if (bytes.size() < 8 || numberAt(bytes, 0) != DefinitionTag)
        return;
    const quint64 count = numberAt(bytes, 4);
    const quint64 header = 8 + (count + 1) * 4;
    if (count > quint64(DenseIdLimit) || quint64(bytes.size()) < header)
        return;
    std::vector<quint32> offsets(size_t(count + 1));
    for (size_t i = 0; i <= count; ++i) {
        offsets[i] = numberAt(bytes, qsizetype(8 + i * 4));
        if ((i > 0 && offsets[i] < offsets[i - 1]) || header + offsets[i] > quint64(bytes.size()))
            return;
    }
    m_definitionOffsets = std::move(offsets);
    m_definitionText = bytes.mid(qsizetype(header));
    m_definitions.resize(size_t(count));
    m_definitionsKnown.resize(size_t(count));
}

const QStringList& SearchData::englishDefinitions(int id)
{
    if (!m_definitionsLoaded)
        loadEnglishDefinitions();
    if (id < 0 || id >= DenseIdLimit) {
        static QStringList scratch;
        KnowledgeUnit* unit = m_dictionary->knowledgeUnit(id);
        scratch = unit ? comparableDefinitions(unit->definitions()) : QStringList();
        return scratch;
    }
    const size_t slot = size_t(id);
    if (slot >= m_definitions.size()) {
        m_definitions.resize(slot + 1);
        m_definitionsKnown.resize(slot + 1);
    }
    if (m_definitionsKnown[slot])
        return m_definitions[slot];
    m_definitionsKnown[slot] = true;
    QStringList& definitions = m_definitions[slot];
    if (slot + 1 < m_definitionOffsets.size()) {
        const quint32 start = m_definitionOffsets[slot];
        const quint32 stop = m_definitionOffsets[slot + 1];
        const QString text =
            QString::fromUtf8(m_definitionText.constData() + start, qsizetype(stop - start));
        definitions = text.split(QLatin1Char(DefinitionEnd));
        definitions.removeLast(); // the piece after the last end mark
    } else if (KnowledgeUnit* unit = m_dictionary->knowledgeUnit(id)) {
        definitions = comparableDefinitions(unit->definitions());
    }
    return definitions;
}

bool SearchData::storedEnglishDefinitions(int id, QByteArrayView* definitions)
{
    if (!m_definitionsLoaded)
        loadEnglishDefinitions();
    if (id < 0 || size_t(id) + 1 >= m_definitionOffsets.size())
        return false;
    const quint32 start = m_definitionOffsets[size_t(id)];
    const quint32 stop = m_definitionOffsets[size_t(id) + 1];
    *definitions = QByteArrayView(m_definitionText.constData() + start, qsizetype(stop - start));
    return true;
}

QStringList SearchData::comparableDefinitions(const QStringList& definitions)
{
    QStringList result;
    result.reserve(definitions.size());
    for (const QString& definition : definitions)
        result << removeParenthesised(definition.toLower()).simplified();
    return result;
}

QByteArray SearchData::frequenciesToBytes(const std::vector<double>& frequencies)
{
    QByteArray bytes;
    appendNumber(bytes, FrequencyTag);
    appendNumber(bytes, quint32(frequencies.size()));
    for (const double value : frequencies) {
        quint64 bits;
        std::memcpy(&bits, &value, sizeof bits);
        char raw[8];
        qToLittleEndian(bits, raw);
        bytes.append(raw, 8);
    }
    return bytes;
}

QByteArray SearchData::definitionsToBytes(const std::vector<QStringList>& definitions)
{
    QByteArray text;
    QByteArray bytes;
    appendNumber(bytes, DefinitionTag);
    appendNumber(bytes, quint32(definitions.size()));
    for (const QStringList& list : definitions) {
        appendNumber(bytes, quint32(text.size()));
        for (const QString& definition : list)
            text += definition.toUtf8() + DefinitionEnd;
    }
    appendNumber(bytes, quint32(text.size()));
    return bytes + text;
}

bool SearchData::store(Dictionary* dictionary)
{
    QSqlDatabase database = dictionary->database();
    QList<QPair<QString, QByteArray>> parts;
    for (const QString& name : SearchedColumns) {
        const std::unique_ptr<SubstringIndex> index =
            SubstringIndex::build(database, QStringLiteral("KnowledgeUnits"), name);
        if (!index)
            return false;
        parts.append({QStringLiteral("column:") + name, index->toBytes()});
    }
    std::vector<double> frequencies;
    std::vector<QStringList> definitions;
    {
        QSqlQuery query(database);
        query.setForwardOnly(true);
        if (!query.exec(QStringLiteral("SELECT * FROM KnowledgeUnits ORDER BY id")))
            return false;
        while (query.next()) {
            std::unique_ptr<KnowledgeUnit> unit(dictionary->loadKnowledgeUnit(query, false));
            const int id = unit->id();
            if (id < 0 || id >= DenseIdLimit)
                continue;
            if (size_t(id) >= frequencies.size()) {
                frequencies.resize(size_t(id) + 1, std::numeric_limits<double>::quiet_NaN());
                definitions.resize(size_t(id) + 1);
            }
            frequencies[size_t(id)] = dictionary->frequencyScore(unit->simplified());
            definitions[size_t(id)] = comparableDefinitions(unit->definitions());
        }
    }
    parts.append({QStringLiteral("frequency"), frequenciesToBytes(frequencies)});
    parts.append({QStringLiteral("englishDefinitions"), definitionsToBytes(definitions)});

    QSqlQuery query(database);
    bool ok = database.transaction() &&
              query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS SearchData (name TEXT PRIMARY "
                                        "KEY, data BLOB NOT NULL)")) &&
              query.exec(QStringLiteral("DELETE FROM SearchData"));
    query.prepare(QStringLiteral("INSERT INTO SearchData (name, data) VALUES (:name, :data)"));
    for (int i = 0; ok && i < parts.size(); ++i) {
        query.bindValue(QStringLiteral(":name"), parts.at(i).first);
        query.bindValue(QStringLiteral(":data"), parts.at(i).second);
        ok = query.exec();
    }
    if (!ok) {
        qWarning("SearchData: could not be stored: %s", qPrintable(query.lastError().text()));
        database.rollback();
        return false;
    }
    return database.commit();
}

} // namespace korvo
