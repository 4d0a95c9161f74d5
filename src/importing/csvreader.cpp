#include "importing/csvreader.h"

#include "importing/fieldmapping.h"
#include "text/translationcatalogue.h"

#include <QMap>

namespace korvo {

namespace {

// Records looked at to recognise the delimiter and the header.
constexpr int SampleRecords = 50;
constexpr qsizetype SampleCharacters = 65536;

bool isLineBreak(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

} // namespace

bool CsvReader::parse(const QString& text, QChar delimiter, QList<Record>* records, QString* error,
                      int maxRecords)
{
    const qsizetype size = text.size();
    qsizetype p = 0;
    int line = 1;
    while (p < size && (maxRecords < 0 || records->size() < maxRecords)) {
        Record record;
        record.line = line;
        QString field;
        bool recordHasText = false;
        for (;;) {
            if (p < size && text.at(p) == QLatin1Char('"')) {
                // A quoted field: up to the quote that is not doubled.
                const int quoteLine = line;
                ++p;
                bool closed = false;
                while (p < size) {
                    const QChar c = text.at(p);
                    if (c == QLatin1Char('"')) {
                        if (p + 1 < size && text.at(p + 1) == QLatin1Char('"')) {
                            field.append(c);
                            p += 2;
                            continue;
                        }
                        ++p;
                        closed = true;
                        break;
                    }
                    if (c == QLatin1Char('\n') ||
                        (c == QLatin1Char('\r') && (p + 1 >= size || text.at(p + 1) != '\n')))
                        ++line;
                    field.append(c);
                    ++p;
                }
                if (!closed) {
                    if (error)
                        *error = translate(QStringLiteral("the quoted field that starts on line "
                                                          "%1 is not closed"))
                                     .arg(quoteLine);
                    return false;
                }
                recordHasText = true;
            }
            // The rest of the field as it stands (text after a closing quote is kept too).
            while (p < size && text.at(p) != delimiter && !isLineBreak(text.at(p)))
                field.append(text.at(p++));
            recordHasText = recordHasText || !field.isEmpty();
            record.fields.append(field);
            field.clear();
            if (p < size && text.at(p) == delimiter) {
                ++p;
                recordHasText = true;
                continue;
            }
            break;
        }
        // The line break that ends the record.
        if (p < size && text.at(p) == QLatin1Char('\r'))
            ++p;
        if (p < size && text.at(p) == QLatin1Char('\n'))
            ++p;
        ++line;
        if (recordHasText)
            records->append(record);
    }
    return true;
}

QChar CsvReader::detectDelimiter(const QString& text)
{
    const QString sample = text.left(SampleCharacters);
    QChar best = QLatin1Char('\t');
    double bestScore = 0;
    for (const QChar candidate :
         {QLatin1Char('\t'), QLatin1Char(','), QLatin1Char(';'), QLatin1Char('|')}) {
        QList<Record> records;
        parse(sample, candidate, &records, nullptr, SampleRecords);
        QMap<int, int> counts;
        for (const Record& record : std::as_const(records))
            ++counts[int(record.fields.size())];
        int commonest = 1;
        int often = 0;
        for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
            if (it.value() > often || (it.value() == often && it.key() > commonest)) {
                commonest = it.key();
                often = it.value();
            }
        }
        if (commonest < 2 || records.isEmpty())
            continue;
        // The share of records with the usual number of fields decides; more fields break ties.
        const double score = double(often) / double(records.size()) + commonest * 1e-4;
        if (score > bestScore) {
            bestScore = score;
            best = candidate;
        }
    }
    return best;
}

bool CsvReader::isHeader(const QList<Record>& records)
{
    if (records.isEmpty())
        return false;
    const QStringList& first = records.first().fields;
    for (const QString& name : first) {
        if (FieldMapping::roleForName(name) != FieldRole::Ignored)
            return true;
    }
    // Names without characters above a column of words in characters.
    for (const QString& name : first) {
        if (FieldMapping::hasHanCharacters(name))
            return false;
    }
    const int following = int(qMin<qsizetype>(records.size() - 1, SampleRecords));
    if (following < 1)
        return false;
    int withHan = 0;
    for (int i = 1; i <= following; ++i) {
        for (const QString& field : records.at(i).fields) {
            if (FieldMapping::hasHanCharacters(field)) {
                ++withHan;
                break;
            }
        }
    }
    return withHan * 2 > following;
}

void CsvReader::read(const QString& text, ImportedFile& file)
{
    const QChar delimiter = detectDelimiter(text);
    QList<Record> records;
    QString error;
    if (!parse(text, delimiter, &records, &error)) {
        file.error = error;
        return;
    }
    if (records.isEmpty()) {
        file.error = translate(QStringLiteral("it holds no cards"));
        return;
    }
    NoteType type;
    type.name = file.defaultDeck;
    const bool header = isHeader(records);
    const int fieldCount = int(records.first().fields.size());
    for (int i = 0; i < fieldCount; ++i) {
        const QString name = header ? records.first().fields.at(i).trimmed() : QString();
        type.fieldNames << (name.isEmpty() ? translate(QStringLiteral("Column %1")).arg(i + 1)
                                           : name);
    }
    file.noteTypes = {type};
    file.notes.reserve(records.size());
    for (qsizetype i = header ? 1 : 0; i < records.size(); ++i) {
        const Record& record = records.at(i);
        if (record.fields.size() < fieldCount) {
            file.error = translate(QStringLiteral("line %1 has too few fields (%2 of %3)"))
                             .arg(record.line)
                             .arg(record.fields.size())
                             .arg(fieldCount);
            file.notes.clear();
            return;
        }
        ImportedNote note;
        note.fields = record.fields;
        for (QString& field : note.fields)
            field = field.trimmed();
        note.position = record.line;
        file.notes.append(note);
    }
    if (file.notes.isEmpty())
        file.error = translate(QStringLiteral("it holds no cards"));
}

} // namespace korvo
