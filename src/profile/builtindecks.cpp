#include "profile/builtindecks.h"

#include "dictionary/statementbuilder.h"
#include "text/translationcatalogue.h"

#include <QSqlQuery>
#include <QVariant>

namespace korvo {

namespace {

QString translated(const char* text)
{
    return translate(QString::fromUtf8(text));
}

QString levelName(QChar level)
{
    switch (level.unicode()) {
    case '1':
    case '2':
        return translated("Elementary");
    case '3':
    case '4':
        return translated("Intermediate");
    case '5':
    case '6':
        return translated("Advanced");
    default:
        return QString();
    }
}

} // namespace

const QList<BuiltInDeckGroup>& builtInDeckGroups()
{
    static const QList<BuiltInDeckGroup> groups = {
        {QStringLiteral("{HSK_DECKS}"),
         QStringLiteral("com.quillet.hsk"),
         {QStringLiteral("f5641dce649f957cc0f40e313df88150"),
          QStringLiteral("4589742a62e4496be4ee5bac56873159"),
          QStringLiteral("57f8123f41afbe6e3e3b3c75cc714369"),
          QStringLiteral("151d8cae41ecadb2883e1347026b6c10"),
          QStringLiteral("d53a76e425f3477565785138602a627e"),
          QStringLiteral("0b8630c3e6e3a5c113b611faf39d1c69")}},
        {QStringLiteral("{COMMON_CHARACTER_DECKS}"),
         QStringLiteral("com.quillet.commonCharacters"),
         {QStringLiteral("4eb08883c9c4c3478ae0ea97ccabb98a"),
          QStringLiteral("94530da6bc3cf5e7495f43ce93e3e293"),
          QStringLiteral("fbc51e7c9c54013dc335cc565918abf0"),
          QStringLiteral("3f7df1b3e369677d26d33488a95b8734"),
          QStringLiteral("0eef96350c2ec4e1f6dc9735e98bf213")}},
    };
    return groups;
}

void groupBuiltInDecks(QSqlDatabase database)
{
    for (const BuiltInDeckGroup& group : builtInDeckGroups()) {
        QStringList placeholders;
        for (int i = 0; i < group.deckUuids.size(); ++i)
            placeholders << QStringLiteral(":uuid%1").arg(i);
        QSqlQuery query(database);
        query.prepare(QStringLiteral("SELECT id FROM Decks WHERE uuid IN (%1)")
                          .arg(placeholders.join(QStringLiteral(", "))));
        for (int i = 0; i < group.deckUuids.size(); ++i)
            query.bindValue(placeholders.at(i), group.deckUuids.at(i));
        if (!query.exec() || !query.next())
            continue;
        query.finish();

        // A folder left by an earlier run of this step is reused rather than doubled.
        int folderId = 0;
        query.prepare(QStringLiteral("SELECT id FROM Decks WHERE uuid = :uuid AND isFolder = 1"));
        query.bindValue(QStringLiteral(":uuid"), group.folderUuid);
        if (query.exec() && query.next())
            folderId = query.value(0).toInt();
        query.finish();
        if (folderId <= 0) {
            QSqlQuery insert = buildQuery(
                database, QStringLiteral("insert"), QStringLiteral("Decks"),
                {QStringLiteral("title"), QStringLiteral("sortOrder"), QStringLiteral("uuid"),
                 QStringLiteral("owner"), QStringLiteral("isFolder")},
                {group.folderTitle, 1, group.folderUuid, 0, 1});
            if (!insert.exec())
                continue;
            folderId = insert.lastInsertId().toInt();
        }
        for (const QString& uuid : group.deckUuids) {
            QSqlQuery update = buildQuery(database, QStringLiteral("update"),
                                          QStringLiteral("Decks"), {QStringLiteral("parentId")},
                                          {folderId}, QStringLiteral("uuid = :uuid"));
            update.bindValue(QStringLiteral(":uuid"), uuid);
            update.exec();
        }
    }
}

bool isTitlePlaceholder(const QString& title)
{
    return title.size() > 2 && title.startsWith(QLatin1Char('{')) &&
           title.endsWith(QLatin1Char('}'));
}

QString builtInDisplayTitle(const QString& storedTitle)
{
    if (!isTitlePlaceholder(storedTitle))
        return storedTitle;
    const QString key = storedTitle.mid(1, storedTitle.size() - 2);
    if (key == QLatin1String("CHINESE_RADICALS"))
        return translated("Chinese radicals");
    if (key == QLatin1String("HSK_DECKS"))
        return translated("HSK levels");
    if (key == QLatin1String("COMMON_CHARACTER_DECKS"))
        return translated("Common characters");
    const QString commonPrefix = QStringLiteral("COMMON_CHARACTERS_");
    if (key.startsWith(commonPrefix))
        return translated("%1 most common characters").arg(key.mid(commonPrefix.size()));
    const QString hskPrefix = QStringLiteral("HSK_");
    if (key.startsWith(hskPrefix) && key.size() > hskPrefix.size() && key.back().isDigit()) {
        const QChar level = key.back();
        return translated("HSK %1 (Level %2)").arg(levelName(level), QString(level));
    }
    return storedTitle;
}

} // namespace korvo
