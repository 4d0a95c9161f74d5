#include "reader/readerprofile.h"

#include "profile/builtindecks.h"
#include "profile/profile.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace korvo {

namespace {

const QString TextSetting = QStringLiteral("reader.text");
const QString PositionSetting = QStringLiteral("reader.position");
const QString EditsSetting = QStringLiteral("reader.edits");

} // namespace

QSet<QString> ReaderProfile::knownWords(const QSqlDatabase& profileDatabase)
{
    QSet<QString> words;
    QSqlQuery query(profileDatabase);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT DISTINCT u.simplified, u.traditional FROM Cards c "
                                   "JOIN KnowledgeUnits u ON u.id = c.kuId WHERE u.score >= 1")))
        return words;
    while (query.next()) {
        for (int column = 0; column < 2; ++column) {
            const QString word = query.value(column).toString();
            if (!word.isEmpty())
                words.insert(word);
        }
    }
    return words;
}

QHash<QString, int> ReaderProfile::hskLevels(const QSqlDatabase& profileDatabase)
{
    QHash<QString, int> levels;
    const QStringList uuids = builtInDeckGroups().value(0).deckUuids;
    if (uuids.isEmpty())
        return levels;
    QStringList marks;
    for (qsizetype i = 0; i < uuids.size(); ++i)
        marks << QStringLiteral("?");
    QSqlQuery query(profileDatabase);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT d.uuid, u.simplified, u.traditional FROM Cards c JOIN "
                                 "Decks d ON d.id = c.deckId JOIN KnowledgeUnits u ON u.id = "
                                 "c.kuId WHERE d.uuid IN (%1)")
                      .arg(marks.join(QStringLiteral(", "))));
    for (qsizetype i = 0; i < uuids.size(); ++i)
        query.bindValue(int(i), uuids.at(i));
    if (!query.exec())
        return levels;
    while (query.next()) {
        // The group lists its decks from HSK 1 up.
        const int level = int(uuids.indexOf(query.value(0).toString())) + 1;
        for (int column = 1; column < 3; ++column) {
            const QString word = query.value(column).toString();
            if (word.isEmpty())
                continue;
            auto kept = levels.find(word);
            if (kept == levels.end() || *kept > level)
                levels.insert(word, level);
        }
    }
    return levels;
}

void ReaderProfile::save(Profile& profile, const SavedText& saved)
{
    profile.setSetting(TextSetting, saved.text);
    profile.setSetting(PositionSetting, qlonglong(saved.position));
    profile.setSetting(EditsSetting, saved.edits);
}

ReaderProfile::SavedText ReaderProfile::load(Profile& profile)
{
    SavedText saved;
    saved.text = profile.setting(TextSetting, QString()).toString();
    saved.edits = profile.setting(EditsSetting, QString()).toString();
    bool ok = false;
    const qlonglong position = profile.setting(PositionSetting, 0).toLongLong(&ok);
    saved.position = ok && position >= 0 && position <= saved.text.size() ? position : 0;
    return saved;
}

} // namespace korvo
