#include "profile/profile.h"
#include "profile/profileschema.h"
#include "profiletestsupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;
using profiletest::runOnFile;
using profiletest::scalar;
using profiletest::scalarOnFile;

namespace {

const QString TemplatePath = QStringLiteral(QUILLET_DATA_DIR "/Profile.default.db");

// The card of the word on the HSK level, as a subquery.
QString hskCard(int level, const QString& word)
{
    return QStringLiteral("(SELECT c.id FROM Cards c JOIN Decks d ON d.id = c.deckId JOIN "
                          "KnowledgeUnits k ON k.id = c.kuId WHERE d.title = '{HSK_%1}' AND "
                          "k.simplified = '%2')")
        .arg(level)
        .arg(word);
}

QString unitOf(const QString& card)
{
    return QStringLiteral("(SELECT kuId FROM Cards WHERE id = %1)").arg(card);
}

} // namespace

// A profile made from an older template, whose built-in cards hold other readings of their
// words, is mended when it is opened: the cards get the template's reading and keep the score
// and answers of their word.
class TestBuiltInReadings : public QObject
{
    Q_OBJECT

private slots:
    void olderTemplateCardsAreMendedKeepingTheirHistory();
};

void TestBuiltInReadings::olderTemplateCardsAreMendedKeepingTheirHistory()
{
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("Profile.db"));
    QVERIFY(QFile::copy(TemplatePath, file));
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    const QString gaosu = hskCard(2, QStringLiteral("告诉"));
    const QString longCard = hskCard(2, QStringLiteral("长"));
    const QString growCard = hskCard(3, QStringLiteral("长"));
    const QString gaosuUnit = scalarOnFile(file, "SELECT " + unitOf(gaosu)).toString();
    const QString growUnit = scalarOnFile(file, "SELECT " + unitOf(growCard)).toString();
    const QString longId = scalarOnFile(file, "SELECT " + longCard).toString();
    QVERIFY(!gaosuUnit.isEmpty() && !growUnit.isEmpty() && !longId.isEmpty());
    // As the older template stored them: 告诉 as "to press charges", learnt a little; both 长
    // cards on the one zhǎng unit, which was practised; and a card of the learner's own on the
    // older 告诉 unit's content, which is not the template's to mend.
    QVERIFY(runOnFile(
        file,
        {QStringLiteral("UPDATE KnowledgeUnits SET uuid = 'olderGaosuUnit', pinyin = 'gao4 su4', "
                        "definition = 'to press charges; to file a complaint', score = 2 "
                        "WHERE id = %1")
             .arg(gaosuUnit),
         QStringLiteral("INSERT INTO Knowledge (kuId, cardId, deckId, result) VALUES (%1, 0, 0, 1)")
             .arg(gaosuUnit),
         QStringLiteral("UPDATE Cards SET kuId = %1 WHERE id = %2").arg(growUnit, longId),
         QStringLiteral("UPDATE KnowledgeUnits SET score = 3 WHERE id = %1").arg(growUnit),
         QStringLiteral("INSERT INTO Knowledge (kuId, cardId, deckId, result) VALUES (%1, 0, 0, 1)")
             .arg(growUnit),
         QStringLiteral("INSERT INTO KnowledgeUnits (uuid, simplified, traditional, pinyin, "
                        "definition, score) VALUES ('learnersUnit', '告诉', '告訴', 'gao4 su4', "
                        "'to press charges', 1)"),
         QStringLiteral("INSERT INTO Cards (deckId, kuId, sortOrder, uuid) VALUES (0, "
                        "last_insert_rowid(), 0, 'learnersCard')"),
         QStringLiteral("UPDATE DatabaseVersion SET version = '3.0'")}));

    Profile profile(folder.path(), TemplatePath);
    profile.openDatabase();
    profile.upgradeDatabase();
    const QSqlDatabase db = profile.database();
    QCOMPARE(profile.databaseVersion(), QString(CurrentProfileSchemaVersion));

    // 告诉's only unit is rewritten in place: the everyday reading, its score and answer kept.
    QCOMPARE(scalar(db, "SELECT " + unitOf(gaosu)).toString(), gaosuUnit);
    QCOMPARE(scalar(db, "SELECT pinyin FROM KnowledgeUnits WHERE id = " + gaosuUnit).toString(),
             QStringLiteral("gao4 su5"));
    QCOMPARE(scalar(db, "SELECT score FROM KnowledgeUnits WHERE id = " + gaosuUnit).toInt(), 2);
    QCOMPARE(scalar(db, "SELECT COUNT(*) FROM Knowledge WHERE kuId = " + gaosuUnit).toInt(), 1);
    QCOMPARE(scalar(db, "SELECT uuid FROM KnowledgeUnits WHERE id = " + gaosuUnit).toString(),
             scalarOnFile(TemplatePath,
                          "SELECT k.uuid FROM KnowledgeUnits k WHERE k.id = " + unitOf(gaosu))
                 .toString());

    // The shared zhǎng unit stays with the level that teaches it, with its history; the card of
    // "long" moves to a unit of its own reading.
    QCOMPARE(scalar(db, "SELECT " + unitOf(growCard)).toString(), growUnit);
    QCOMPARE(scalar(db, "SELECT pinyin FROM KnowledgeUnits WHERE id = " + growUnit).toString(),
             QStringLiteral("zhang3"));
    QCOMPARE(scalar(db, "SELECT score FROM KnowledgeUnits WHERE id = " + growUnit).toInt(), 3);
    QCOMPARE(scalar(db, "SELECT pinyin FROM KnowledgeUnits WHERE id = " +
                            unitOf(QStringLiteral("(%1)").arg(longId)))
                 .toString(),
             QStringLiteral("chang2"));

    // The learner's own card is theirs.
    QCOMPARE(scalar(db, "SELECT k.pinyin FROM Cards c JOIN KnowledgeUnits k ON k.id = c.kuId "
                        "WHERE c.uuid = 'learnersCard'")
                 .toString(),
             QStringLiteral("gao4 su4"));

    // Opening it again changes nothing.
    const QVariant units = scalar(db, "SELECT COUNT(*) FROM KnowledgeUnits");
    profile.upgradeDatabase();
    QCOMPARE(scalar(db, "SELECT COUNT(*) FROM KnowledgeUnits"), units);
}

QTEST_GUILESS_MAIN(TestBuiltInReadings)
#include "tst_builtinreadings.moc"
