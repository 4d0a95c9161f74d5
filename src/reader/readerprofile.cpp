#include "reader/readerprofile.h"

#include "profile/profile.h"

#include <QSqlQuery>
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
