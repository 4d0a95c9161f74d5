#include "importing/ankicollection.h"

#include "importing/ankitext.h"
#include "text/translationcatalogue.h"

#include <QFile>
#include <QHash>

#include <sqlite3.h>

namespace korvo {

namespace {

// One prepared statement, finalised when it goes.
class Statement
{
public:
    Statement(sqlite3* database, const char* sql)
    {
        if (sqlite3_prepare_v2(database, sql, -1, &m_statement, nullptr) != SQLITE_OK)
            m_statement = nullptr;
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool isValid() const { return m_statement != nullptr; }
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step() { return m_statement ? sqlite3_step(m_statement) : SQLITE_ERROR; }
    qint64 integer(int column) const { return sqlite3_column_int64(m_statement, column); }
    QString text(int column) const
    {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
        return QString::fromUtf8(bytes, sqlite3_column_bytes(m_statement, column));
    }

private:
    sqlite3_stmt* m_statement = nullptr;
};

// The newer layout orders names with the collation "unicase" (case folded); the checks of its
// indexes need it.
int compareUnicase(void*, int leftLength, const void* left, int rightLength, const void* right)
{
    const QString a = QString::fromUtf8(static_cast<const char*>(left), leftLength);
    const QString b = QString::fromUtf8(static_cast<const char*>(right), rightLength);
    return a.compare(b, Qt::CaseInsensitive);
}

QString damaged(sqlite3* database)
{
    return translate(QStringLiteral("its collection database is damaged (%1)"))
        .arg(QString::fromUtf8(sqlite3_errmsg(database)));
}

} // namespace

AnkiCollection::~AnkiCollection()
{
    sqlite3_close(m_database);
}

bool AnkiCollection::open(QString* error)
{
    if (sqlite3_open_v2(QFile::encodeName(m_path).constData(), &m_database, SQLITE_OPEN_READONLY,
                        nullptr) != SQLITE_OK) {
        *error = damaged(m_database);
        return false;
    }
    sqlite3_create_collation(m_database, "unicase", SQLITE_UTF8, nullptr, compareUnicase);
    Statement check(m_database, "PRAGMA quick_check");
    if (check.step() != SQLITE_ROW) {
        *error = damaged(m_database);
        return false;
    }
    const QString verdict = check.text(0);
    if (verdict != QLatin1String("ok")) {
        *error = translate(QStringLiteral("its collection database is damaged (%1)")).arg(verdict);
        return false;
    }
    return true;
}

void AnkiCollection::read(ImportedFile& file)
{
    QString error;
    if (!open(&error)) {
        file.error = error;
        return;
    }
    Statement version(m_database, "SELECT ver FROM col");
    if (version.step() != SQLITE_ROW) {
        file.error = translate(QStringLiteral("it holds no Anki collection"));
        return;
    }
    const qint64 ver = version.integer(0);
    m_version = ver;
    QHash<qint64, int> types;
    QHash<qint64, QString> decks;
    bool ok = false;
    if (ver == LegacyVersion) {
        ok = readLegacyTypes(file, &types, &decks);
    } else if (ver >= FirstVersion && ver <= LastVersion) {
        ok = readTypes(file, &types, &decks);
    } else {
        file.error =
            translate(QStringLiteral("its collection has the unknown version %1")).arg(ver);
        return;
    }
    if (ok)
        ok = readNotes(file, types, decks);
    if (!ok && file.error.isEmpty())
        file.error = damaged(m_database);
    if (!ok)
        file.notes.clear();
}

bool AnkiCollection::readLegacyTypes(ImportedFile& file, QHash<qint64, int>* types,
                                     QHash<qint64, QString>* decks)
{
    Statement query(m_database, "SELECT models, decks FROM col");
    if (query.step() != SQLITE_ROW)
        return false;
    const QHash<qint64, NoteType> noteTypes = AnkiText::noteTypesFromJson(query.text(0));
    for (auto it = noteTypes.cbegin(); it != noteTypes.cend(); ++it) {
        types->insert(it.key(), int(file.noteTypes.size()));
        file.noteTypes.append(it.value());
    }
    *decks = AnkiText::deckNamesFromJson(query.text(1));
    return true;
}

bool AnkiCollection::readTypes(ImportedFile& file, QHash<qint64, int>* types,
                               QHash<qint64, QString>* decks)
{
    Statement noteTypes(m_database, "SELECT id, name FROM notetypes ORDER BY id");
    Statement fields(m_database, "SELECT ntid, name FROM fields ORDER BY ntid, ord");
    Statement deckNames(m_database, "SELECT id, name FROM decks");
    if (!noteTypes.isValid() || !fields.isValid() || !deckNames.isValid()) {
        // The version says newer layout, the tables say otherwise.
        file.error =
            translate(QStringLiteral("its collection has the unknown version %1")).arg(m_version);
        return false;
    }
    int step = SQLITE_ROW;
    while ((step = noteTypes.step()) == SQLITE_ROW) {
        types->insert(noteTypes.integer(0), int(file.noteTypes.size()));
        file.noteTypes.append({noteTypes.text(1), {}});
    }
    if (step != SQLITE_DONE)
        return false;
    while ((step = fields.step()) == SQLITE_ROW) {
        const auto type = types->constFind(fields.integer(0));
        if (type != types->constEnd())
            file.noteTypes[type.value()].fieldNames << fields.text(1);
    }
    if (step != SQLITE_DONE)
        return false;
    while ((step = deckNames.step()) == SQLITE_ROW)
        decks->insert(deckNames.integer(0), deckNames.text(1));
    return step == SQLITE_DONE;
}

bool AnkiCollection::readNotes(ImportedFile& file, const QHash<qint64, int>& types,
                               const QHash<qint64, QString>& decks)
{
    // The deck of the note's first card; a card in a filtered deck counts in its home deck.
    Statement notes(m_database,
                    "SELECT n.mid, n.flds, (SELECT CASE WHEN c.odid != 0 THEN c.odid ELSE c.did "
                    "END FROM cards c WHERE c.nid = n.id ORDER BY c.ord LIMIT 1) FROM notes n "
                    "ORDER BY n.id");
    if (!notes.isValid())
        return false;
    QHash<qint64, QStringList> deckPaths;
    int position = 0;
    int step = SQLITE_ROW;
    while ((step = notes.step()) == SQLITE_ROW) {
        ++position;
        const auto type = types.constFind(notes.integer(0));
        if (type == types.constEnd()) {
            file.error =
                translate(QStringLiteral("note %1 has a note type the collection does not define"))
                    .arg(position);
            return false;
        }
        ImportedNote note;
        note.noteType = type.value();
        note.position = position;
        const QStringList fields = AnkiText::splitFields(notes.text(1));
        const int expected = int(file.noteTypes.at(note.noteType).fieldNames.size());
        if (fields.size() < expected) {
            file.error = translate(QStringLiteral("note %1 has too few fields (%2 of %3)"))
                             .arg(position)
                             .arg(fields.size())
                             .arg(expected);
            return false;
        }
        note.fields.reserve(fields.size());
        for (const QString& field : fields)
            note.fields << AnkiText::htmlToPlainText(field);
        const qint64 deckId = notes.integer(2);
        auto path = deckPaths.find(deckId);
        if (path == deckPaths.end())
            path = deckPaths.insert(deckId, AnkiText::deckPath(decks.value(deckId)));
        note.deckPath = path.value();
        file.notes.append(note);
    }
    return step == SQLITE_DONE;
}

} // namespace korvo
