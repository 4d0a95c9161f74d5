// Checks the data files that the build writes into the data folder: the facts the program
// relies on, the agreement between stored pinyin forms and the program's own pinyin code, and
// minimum sizes. The build always makes these files, so a missing file is a failure.

#include "dictionary/knowledgeunit.h"
#include "profile/profileschema.h"
#include "text/pinyin.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString DataDir = QStringLiteral(QUILLET_DATA_DIR);

QVariant scalar(const QSqlDatabase& db, const QString& statement)
{
    QSqlQuery query(db);
    if (!query.exec(statement) || !query.next()) {
        qWarning("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
        return QVariant();
    }
    return query.value(0);
}

} // namespace

class TestShippedData : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void rowCountsMeetMinimums_data();
    void rowCountsMeetMinimums();
    void entriesHaveStoredPinyin_data();
    void entriesHaveStoredPinyin();
    void mergedPinyinAgreesWithProgram();
    void characterFacts_data();
    void characterFacts();
    void partIdsReferToDrawableParts();
    void mostFrequentCharacterRanksFirst();
    void bigramThresholdKeepsCommonWords();
    void radicalsCoverKangxi_data();
    void radicalsCoverKangxi();
    void sentencesCarryBothScriptsAndAttribution();
    void sentenceRankIsRarestCharacter();
    void animationOfNi();
    void animationsUseDesignSpaceWithYDown();
    void profileTemplateSchemaAndVersion();
    void builtInDecksHaveFixedIdentifiers();
    void builtInDecksAreFilled();
    void everyCardHasItsUnit();
    void everySyllableKeyHasRecording();
    void brokenInputStopsWithoutTouchingTarget_data();
    void brokenInputStopsWithoutTouchingTarget();
    void synthesisReplacesEmptyLeftover();

private:
    QSqlDatabase open(const QString& fileName, const QString& connection);

    QSqlDatabase m_dictionary;
    QSqlDatabase m_animations;
    QSqlDatabase m_profile;
};

QSqlDatabase TestShippedData::open(const QString& fileName, const QString& connection)
{
    const QString path = DataDir + QLatin1Char('/') + fileName;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (QFileInfo::exists(path))
        db.open();
    return db;
}

void TestShippedData::initTestCase()
{
    korvo::initPinyinTables();
    m_dictionary = open(QStringLiteral("Dictionary.db"), QStringLiteral("dictionary"));
    m_animations = open(QStringLiteral("Animations.db"), QStringLiteral("strokeAnimations"));
    m_profile = open(QStringLiteral("Profile.default.db"), QStringLiteral("profile"));
    QVERIFY2(m_dictionary.isOpen(),
             qPrintable(DataDir + QStringLiteral("/Dictionary.db is missing")));
    QVERIFY2(m_animations.isOpen(),
             qPrintable(DataDir + QStringLiteral("/Animations.db is missing")));
    QVERIFY2(m_profile.isOpen(),
             qPrintable(DataDir + QStringLiteral("/Profile.default.db is missing")));
}

void TestShippedData::cleanupTestCase()
{
    for (QSqlDatabase* db : {&m_dictionary, &m_animations, &m_profile}) {
        const QString name = db->connectionName();
        db->close();
        *db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
}

void TestShippedData::rowCountsMeetMinimums_data()
{
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("minimum");
    QTest::newRow("entries") << "dictionary"
                             << "KnowledgeUnits" << 120000;
    QTest::newRow("characters") << "dictionary"
                                << "Characters" << 9000;
    QTest::newRow("radicals") << "dictionary"
                              << "Radicals" << 214;
    QTest::newRow("sentences") << "dictionary"
                               << "Sentences" << 20000;
    QTest::newRow("bigrams") << "dictionary"
                             << "Bigrams" << 100000;
    QTest::newRow("parts") << "dictionary"
                           << "DecompositionParts" << 1000;
    QTest::newRow("animations") << "strokeAnimations"
                                << "animations" << 9000;
    QTest::newRow("masks") << "strokeAnimations"
                           << "maskSvgs" << 90000;
    QTest::newRow("outlines") << "strokeAnimations"
                              << "characterSvgs" << 9000;
    QTest::newRow("template units") << "profile"
                                    << "KnowledgeUnits" << 5000;
}

void TestShippedData::rowCountsMeetMinimums()
{
    QFETCH(QString, database);
    QFETCH(QString, table);
    QFETCH(int, minimum);
    const QVariant count =
        scalar(QSqlDatabase::database(database), QStringLiteral("SELECT COUNT(*) FROM ") + table);
    QVERIFY(count.isValid());
    QVERIFY2(count.toInt() >= minimum,
             qPrintable(QStringLiteral("%1 rows in %2").arg(count.toInt()).arg(table)));
}

void TestShippedData::entriesHaveStoredPinyin_data()
{
    QTest::addColumn<QString>("simplified");
    QTest::addColumn<QString>("traditional");
    QTest::addColumn<QString>("pinyin");
    QTest::addColumn<QString>("merged");
    QTest::addColumn<QString>("mergedNoTones");
    QTest::addColumn<QString>("definitionStart");
    QTest::newRow("proper noun in lower case") << "中国"
                                               << "中國"
                                               << "zhong1 guo2"
                                               << "zhong1guo2"
                                               << "zhongguo"
                                               << "China";
    QTest::newRow("u colon") << "绿"
                             << "綠"
                             << "lu:4"
                             << "lu:4"
                             << "lu:"
                             << "green";
    QTest::newRow("neutral tone") << "东西"
                                  << "東西"
                                  << "dong1 xi5"
                                  << "dong1xi5"
                                  << "dongxi"
                                  << "thing";
    QTest::newRow("erhua") << "一点儿"
                           << "一點兒"
                           << "yi1 dian3 r5"
                           << "yi1dian3r5"
                           << "yidianr"
                           << "";
}

void TestShippedData::entriesHaveStoredPinyin()
{
    QFETCH(QString, simplified);
    QFETCH(QString, traditional);
    QFETCH(QString, pinyin);
    QFETCH(QString, merged);
    QFETCH(QString, mergedNoTones);
    QFETCH(QString, definitionStart);
    QSqlQuery query(m_dictionary);
    QVERIFY(query.prepare(QStringLiteral(
        "SELECT traditional, pinyinMerged, pinyinMergedNoTones, definition, variants "
        "FROM KnowledgeUnits WHERE simplified = ? AND pinyin = ?")));
    query.addBindValue(simplified);
    query.addBindValue(pinyin);
    QVERIFY(query.exec());
    bool found = false;
    while (query.next()) {
        if (!query.value(3).toString().startsWith(definitionStart))
            continue;
        found = true;
        QCOMPARE(query.value(0).toString(), traditional);
        QCOMPARE(query.value(1).toString(), merged);
        QCOMPARE(query.value(2).toString(), mergedNoTones);
        QVERIFY(!query.value(3).toString().startsWith(QLatin1Char('/')));
        QVERIFY(!query.value(3).toString().endsWith(QLatin1Char('/')));
        QCOMPARE(query.value(4).toString(), QString());
    }
    QVERIFY2(found, qPrintable(simplified + QLatin1Char(' ') + pinyin));
}

void TestShippedData::mergedPinyinAgreesWithProgram()
{
    // Searches compare the stored merged forms with what the program computes from a unit's
    // pinyin; every row must agree, and nothing may be stored with tone marks or capitals.
    QSqlQuery query(m_dictionary);
    QVERIFY(query.exec(QStringLiteral(
        "SELECT id, pinyin, pinyinMerged, pinyinMergedNoTones FROM KnowledgeUnits")));
    korvo::KnowledgeUnit unit;
    int rows = 0;
    int disagreeing = 0;
    QString example;
    while (query.next()) {
        ++rows;
        const QString pinyin = query.value(1).toString();
        unit.setPinyin(pinyin);
        if (unit.pinyinMerged() != query.value(2).toString() ||
            unit.pinyinMergedNoTones() != query.value(3).toString() || pinyin != pinyin.toLower() ||
            korvo::removeToneMarks(pinyin) != pinyin || pinyin.contains(QStringLiteral("ü"))) {
            if (++disagreeing == 1)
                example = query.value(0).toString() + QLatin1Char(' ') + pinyin;
        }
    }
    QVERIFY(rows > 120000);
    QVERIFY2(disagreeing == 0,
             qPrintable(QStringLiteral("%1 rows, e.g. %2").arg(disagreeing).arg(example)));
}

void TestShippedData::characterFacts_data()
{
    QTest::addColumn<QString>("character");
    QTest::addColumn<int>("radicalId");
    QTest::addColumn<int>("strokeCount");
    QTest::addColumn<int>("hskLevel");
    QTest::addColumn<int>("maximumRank");
    QTest::addColumn<QString>("simplified");
    QTest::addColumn<QString>("traditional");
    QTest::newRow("好") << "好" << 38 << 6 << 1 << 499 << ""
                        << "";
    QTest::newRow("们") << "们" << 9 << 5 << 1 << 100 << ""
                        << "們";
    QTest::newRow("們 ranks as 们") << "們" << 9 << 10 << 1 << 100 << "们"
                                    << "";
    QTest::newRow("绿: simplified radical form") << "绿" << 1120 << 11 << 3 << 2000 << ""
                                                 << "綠";
    QTest::newRow("你") << "你" << 9 << 7 << 1 << 100 << ""
                        << "";
    QTest::newRow("rare character unranked") << "龘" << 212 << 48 << 0 << 1000000 << ""
                                             << "";
}

void TestShippedData::characterFacts()
{
    QFETCH(QString, character);
    QFETCH(int, radicalId);
    QFETCH(int, strokeCount);
    QFETCH(int, hskLevel);
    QFETCH(int, maximumRank);
    QFETCH(QString, simplified);
    QFETCH(QString, traditional);
    QSqlQuery query(m_dictionary);
    QVERIFY(query.prepare(QStringLiteral("SELECT radicalId, strokeCount, hskLevel, rank, "
                                         "simplified, traditional, frequency, partIds, "
                                         "revertPartIds FROM Characters WHERE character = ?")));
    query.addBindValue(character);
    QVERIFY(query.exec());
    QVERIFY2(query.next(), qPrintable(character));
    QCOMPARE(query.value(0).toInt(), radicalId);
    QCOMPARE(query.value(1).toInt(), strokeCount);
    QCOMPARE(query.value(2).toInt(), hskLevel);
    QVERIFY2(query.value(3).toInt() <= maximumRank, qPrintable(query.value(3).toString()));
    QCOMPARE(query.value(4).toString(), simplified);
    QCOMPARE(query.value(5).toString(), traditional);
    // Unranked characters have no frequency and a rank of 20000 or more.
    QCOMPARE(query.value(3).toInt() >= 20000, query.value(6).toDouble() == 0);
    QStringList parts = query.value(7).toString().split(QLatin1Char(','), Qt::SkipEmptyParts);
    std::reverse(parts.begin(), parts.end());
    QCOMPARE(parts.join(QLatin1Char(',')), query.value(8).toString());
}

void TestShippedData::partIdsReferToDrawableParts()
{
    QSqlQuery query(m_dictionary);
    QVERIFY(query.exec(QStringLiteral("SELECT id, character FROM DecompositionParts ORDER BY id")));
    QStringList parts;
    while (query.next()) {
        QCOMPARE(query.value(0).toInt(), parts.size() + 1); // part id n is the n-th row
        const QString part = query.value(1).toString();
        QVERIFY2(part.size() == 1 && !part.at(0).isSurrogate(), qPrintable(part));
        parts.append(part);
    }
    QVERIFY(query.exec(QStringLiteral("SELECT character, partIds FROM Characters")));
    int withParts = 0;
    while (query.next()) {
        const QString character = query.value(0).toString();
        QVERIFY2(character.size() == 1, qPrintable(character));
        const QStringList ids =
            query.value(1).toString().split(QLatin1Char(','), Qt::SkipEmptyParts);
        withParts += ids.isEmpty() ? 0 : 1;
        for (const QString& id : ids) {
            const int n = id.toInt();
            QVERIFY2(n >= 1 && n <= parts.size(), qPrintable(character + QLatin1Char(' ') + id));
            QVERIFY2(parts.at(n - 1) != character, qPrintable(character));
        }
    }
    QVERIFY(withParts > 9000);
    // 你 is 亻 followed by 尔.
    const QString ni =
        scalar(m_dictionary,
               QStringLiteral("SELECT partIds FROM Characters WHERE character = '你'"))
            .toString();
    const QStringList niParts = ni.split(QLatin1Char(','));
    QCOMPARE(niParts.size(), 2);
    QCOMPARE(parts.at(niParts.at(0).toInt() - 1), QStringLiteral("亻"));
    QCOMPARE(parts.at(niParts.at(1).toInt() - 1), QStringLiteral("尔"));
}

void TestShippedData::mostFrequentCharacterRanksFirst()
{
    QSqlQuery query(m_dictionary);
    QVERIFY(query.exec(QStringLiteral(
        "SELECT character, rank FROM Characters ORDER BY frequency DESC, id LIMIT 1")));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toString(), QStringLiteral("的"));
    QCOMPARE(query.value(1).toInt(), 1);
    QCOMPARE(scalar(m_dictionary, QStringLiteral("SELECT COUNT(*) FROM Characters WHERE rank < 1"))
                 .toInt(),
             0);
}

void TestShippedData::bigramThresholdKeepsCommonWords()
{
    const double threshold = 9.99415635798833e-06;
    QSqlQuery query(m_dictionary);
    QVERIFY(query.prepare(QStringLiteral("SELECT frequency FROM Bigrams WHERE simplified = ?")));
    for (const QString& word :
         {QStringLiteral("中国"), QStringLiteral("我们"), QStringLiteral("时候")}) {
        query.addBindValue(word);
        QVERIFY(query.exec());
        QVERIFY2(query.next(), qPrintable(word));
        QVERIFY2(query.value(0).toDouble() > threshold, qPrintable(word));
        QVERIFY(query.value(0).toDouble() < 0.1);
    }
    const int preloaded =
        scalar(m_dictionary, QStringLiteral("SELECT COUNT(*) FROM Bigrams WHERE frequency > %1")
                                 .arg(threshold, 0, 'g', 15))
            .toInt();
    QVERIFY2(preloaded > 1000 && preloaded < 30000, qPrintable(QString::number(preloaded)));
    QCOMPARE(scalar(m_dictionary,
                    QStringLiteral("SELECT COUNT(*) FROM Bigrams WHERE length(simplified) != 2"))
                 .toInt(),
             0);
    // Shares of one corpus: together at most the whole.
    QVERIFY(scalar(m_dictionary, QStringLiteral("SELECT SUM(frequency) FROM Bigrams")).toDouble() <=
            1.0);
}

void TestShippedData::radicalsCoverKangxi_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("simplified");
    QTest::addColumn<QString>("traditional");
    QTest::addColumn<QString>("pinyin");
    QTest::addColumn<QString>("variant");
    QTest::newRow("person") << 9 << "人"
                            << "人"
                            << "ren2"
                            << "亻";
    QTest::newRow("woman") << 38 << "女"
                           << "女"
                           << "nu:3"
                           << "";
    QTest::newRow("silk") << 120 << "纟"
                          << "糸"
                          << "mi4"
                          << "糹";
    QTest::newRow("speech") << 149 << "讠"
                            << "言"
                            << "yan2"
                            << "";
    QTest::newRow("flute") << 214 << "龠"
                           << "龠"
                           << "yue4"
                           << "";
}

void TestShippedData::radicalsCoverKangxi()
{
    QFETCH(int, id);
    QFETCH(QString, simplified);
    QFETCH(QString, traditional);
    QFETCH(QString, pinyin);
    QFETCH(QString, variant);
    QCOMPARE(scalar(m_dictionary, QStringLiteral("SELECT COUNT(*) FROM Radicals WHERE id BETWEEN 1 "
                                                 "AND 214 AND pinyin != '' AND definition != ''"))
                 .toInt(),
             214);
    QSqlQuery query(m_dictionary);
    QVERIFY(
        query.exec(QStringLiteral("SELECT simplified, traditional, pinyin, definition, variants "
                                  "FROM Radicals WHERE id = %1")
                       .arg(id)));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toString(), simplified);
    QCOMPARE(query.value(1).toString(), traditional);
    QCOMPARE(query.value(2).toString(), pinyin);
    QVERIFY(!query.value(3).toString().isEmpty());
    const QStringList variants =
        query.value(4).toString().split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (!variant.isEmpty())
        QVERIFY2(variants.contains(variant), qPrintable(query.value(4).toString()));
    QVERIFY(!variants.contains(simplified));
}

void TestShippedData::sentencesCarryBothScriptsAndAttribution()
{
    QCOMPARE(
        scalar(m_dictionary, QStringLiteral("SELECT COUNT(*) FROM Sentences WHERE simplified = '' "
                                            "OR traditional = '' OR english = '' OR "
                                            "attribution NOT LIKE '%tatoeba.org%'"))
            .toInt(),
        0);
    QSqlQuery query(m_dictionary);
    QVERIFY(query.exec(QStringLiteral(
        "SELECT traditional FROM Sentences WHERE simplified = '我赢了。' AND english = 'I won!'")));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toString(), QStringLiteral("我贏了。"));
    // Sentences written in traditional script get their simplified form.
    const int converted =
        scalar(m_dictionary, QStringLiteral("SELECT COUNT(*) FROM Sentences WHERE "
                                            "simplified != traditional"))
            .toInt();
    QVERIFY(converted > 5000);
    QVERIFY(scalar(m_dictionary,
                   QStringLiteral("SELECT COUNT(*) FROM Sentences WHERE simplified LIKE '%你好%'"))
                .toInt() > 0);
}

void TestShippedData::sentenceRankIsRarestCharacter()
{
    QHash<QString, int> ranks;
    QSqlQuery query(m_dictionary);
    QVERIFY(query.exec(QStringLiteral("SELECT character, rank FROM Characters")));
    while (query.next())
        ranks.insert(query.value(0).toString(), query.value(1).toInt());
    QVERIFY(query.exec(
        QStringLiteral("SELECT simplified, highestCharacterRank, characterFrequency FROM Sentences "
                       "WHERE id % 97 = 0")));
    int checked = 0;
    while (query.next()) {
        int highest = 0;
        for (const QChar c : query.value(0).toString()) {
            if (korvo::isChineseCharacter(c))
                highest = std::max(highest, ranks.value(QString(c), 20000));
        }
        QCOMPARE(query.value(1).toInt(), highest);
        QVERIFY(query.value(2).toDouble() >= 0);
        ++checked;
    }
    QVERIFY(checked > 200);
}

void TestShippedData::animationOfNi()
{
    QSqlQuery query(m_animations);
    QVERIFY(query.exec(QStringLiteral("SELECT id, json FROM animations WHERE korvo = '你'")));
    QVERIFY(query.next());
    QJsonParseError error;
    const QJsonObject animation =
        QJsonDocument::fromJson(query.value(1).toString().toUtf8(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(animation.value(QLatin1String("character")).toString(), QStringLiteral("你"));
    QCOMPARE(animation.value(QLatin1String("id")).toInt(), query.value(0).toInt());
    const int radius = animation.value(QLatin1String("brushRadius")).toInt();
    QVERIFY2(radius >= 10 && radius <= 80, qPrintable(QString::number(radius)));
    const QJsonArray strokes = animation.value(QLatin1String("strokes")).toArray();
    QCOMPARE(strokes.size(), 7);
    QSqlQuery mask(m_animations);
    QVERIFY(mask.prepare(QStringLiteral("SELECT svg FROM maskSvgs WHERE id = ?")));
    for (const QJsonValue& stroke : strokes) {
        const QString name = stroke.toObject().value(QLatin1String("mask")).toString();
        mask.addBindValue(QFileInfo(name).baseName());
        QVERIFY(mask.exec());
        QVERIFY2(mask.next(), qPrintable(name));
        QVERIFY(mask.value(0).toString().startsWith(QLatin1String("<svg")));
        QVERIFY(mask.value(0).toString().contains(QLatin1String("<path d=\"M ")));
        QVERIFY(stroke.toObject().value(QLatin1String("points")).toArray().size() >= 2);
    }
    const QString outline =
        scalar(m_animations, QStringLiteral("SELECT svg FROM characterSvgs WHERE id = %1")
                                 .arg(QStringLiteral("你").at(0).unicode()))
            .toString();
    QCOMPARE(outline.count(QLatin1String("<path ")), 7);
    QVERIFY(outline.contains(QLatin1String("<g ")));
}

void TestShippedData::animationsUseDesignSpaceWithYDown()
{
    // 三 is written top to bottom: with y pointing down, each stroke lies below the previous.
    QSqlQuery query(m_animations);
    QVERIFY(query.exec(QStringLiteral("SELECT json FROM animations WHERE korvo = '三'")));
    QVERIFY(query.next());
    const QJsonArray strokes = QJsonDocument::fromJson(query.value(0).toString().toUtf8())
                                   .object()
                                   .value(QLatin1String("strokes"))
                                   .toArray();
    QCOMPARE(strokes.size(), 3);
    double previousY = -1;
    for (const QJsonValue& stroke : strokes) {
        const QJsonArray points = stroke.toObject().value(QLatin1String("points")).toArray();
        const double y = points.first().toArray().at(1).toDouble();
        QVERIFY2(y > previousY, qPrintable(QString::number(y)));
        previousY = y;
    }
    // Every point of every character stays near the 800 x 800 square.
    QVERIFY(query.exec(QStringLiteral("SELECT korvo, json FROM animations WHERE id % 50 = 0")));
    while (query.next()) {
        const QJsonArray all = QJsonDocument::fromJson(query.value(1).toString().toUtf8())
                                   .object()
                                   .value(QLatin1String("strokes"))
                                   .toArray();
        QVERIFY(!all.isEmpty());
        for (const QJsonValue& stroke : all) {
            for (const QJsonValue& point :
                 stroke.toObject().value(QLatin1String("points")).toArray()) {
                const double x = point.toArray().at(0).toDouble();
                const double y = point.toArray().at(1).toDouble();
                QVERIFY2(x >= -50 && x <= 850 && y >= -50 && y <= 850,
                         qPrintable(query.value(0).toString()));
            }
        }
    }
}

void TestShippedData::profileTemplateSchemaAndVersion()
{
    QCOMPARE(scalar(m_profile, QStringLiteral("SELECT version FROM DatabaseVersion")).toString(),
             QString(korvo::CurrentProfileSchemaVersion));
    QCOMPARE(scalar(m_profile, QStringLiteral("SELECT COUNT(*) FROM DatabaseVersion")).toInt(), 1);
    for (const QString& table : {QStringLiteral("UserSettings"), QStringLiteral("Knowledge")}) {
        QSqlQuery query(m_profile);
        QVERIFY2(query.exec(QStringLiteral("SELECT COUNT(*) FROM ") + table), qPrintable(table));
    }
    // The answer time of the history is there; the columns of the "2.0" schema are all present
    // and filled.
    QVERIFY(m_profile.record(QStringLiteral("Knowledge")).contains(QStringLiteral("answerTime")));
    QCOMPARE(scalar(m_profile, QStringLiteral("SELECT COUNT(*) FROM Decks WHERE uuid IS NULL OR "
                                              "uuid = '' OR creationDate IS NULL OR updateDate "
                                              "IS NULL"))
                 .toInt(),
             0);
}

void TestShippedData::builtInDecksHaveFixedIdentifiers()
{
    const QStringList hsk = {
        "f5641dce649f957cc0f40e313df88150", "4589742a62e4496be4ee5bac56873159",
        "57f8123f41afbe6e3e3b3c75cc714369", "151d8cae41ecadb2883e1347026b6c10",
        "d53a76e425f3477565785138602a627e", "0b8630c3e6e3a5c113b611faf39d1c69"};
    const QStringList common = {
        "4eb08883c9c4c3478ae0ea97ccabb98a", "94530da6bc3cf5e7495f43ce93e3e293",
        "fbc51e7c9c54013dc335cc565918abf0", "3f7df1b3e369677d26d33488a95b8734",
        "0eef96350c2ec4e1f6dc9735e98bf213"};
    QSqlQuery query(m_profile);
    QVERIFY(query.prepare(
        QStringLiteral("SELECT d.title, d.isFolder, f.uuid, f.isFolder, d.sortOrder FROM Decks d "
                       "JOIN Decks f ON f.id = d.parentId WHERE d.uuid = ?")));
    for (int i = 0; i < hsk.size() + common.size(); ++i) {
        const bool isHsk = i < hsk.size();
        query.addBindValue(isHsk ? hsk.at(i) : common.at(i - hsk.size()));
        QVERIFY(query.exec());
        QVERIFY2(query.next(), qPrintable(QString::number(i)));
        const QString title = query.value(0).toString();
        if (isHsk)
            QCOMPARE(title, QStringLiteral("{HSK_%1}").arg(i + 1));
        else
            QVERIFY2(title.startsWith(QLatin1String("{COMMON_CHARACTERS_")) &&
                         title.endsWith(QLatin1Char('}')),
                     qPrintable(title));
        QCOMPARE(query.value(1).toInt(), 0);
        QCOMPARE(query.value(2).toString(), isHsk ? QStringLiteral("com.quillet.hsk")
                                                  : QStringLiteral("com.quillet.commonCharacters"));
        QCOMPARE(query.value(3).toInt(), 1);
        QCOMPARE(query.value(4).toInt(), isHsk ? i : i - hsk.size()); // the table's order
    }
    QCOMPARE(scalar(m_profile, QStringLiteral("SELECT COUNT(*) FROM Decks WHERE title = "
                                              "'{CHINESE_RADICALS}' AND isFolder = 0"))
                 .toInt(),
             1);
}

void TestShippedData::builtInDecksAreFilled()
{
    QSqlQuery query(m_profile);
    QVERIFY(query.exec(QStringLiteral(
        "SELECT d.title, COUNT(c.id) FROM Decks d LEFT JOIN Cards c ON c.deckId = d.id "
        "WHERE d.isFolder = 0 GROUP BY d.id ORDER BY d.id")));
    int hskCards = 0;
    int decks = 0;
    while (query.next()) {
        const QString title = query.value(0).toString();
        const int cards = query.value(1).toInt();
        ++decks;
        QVERIFY2(cards > 0, qPrintable(title));
        if (title.startsWith(QLatin1String("{HSK_")))
            hskCards += cards;
        if (title.startsWith(QLatin1String("{COMMON_CHARACTERS_"))) {
            const int n = title.mid(19).chopped(1).toInt();
            QCOMPARE(cards, n);
        }
        if (title == QLatin1String("{CHINESE_RADICALS}"))
            QCOMPARE(cards, 214);
    }
    QCOMPARE(decks, 12);
    QVERIFY2(hskCards >= 4900 && hskCards <= 5100, qPrintable(QString::number(hskCards)));
    // The first HSK level starts with everyday words in their common reading.
    QVERIFY(query.exec(QStringLiteral(
        "SELECT k.simplified, k.pinyin FROM Cards c JOIN Decks d ON d.id = c.deckId JOIN "
        "KnowledgeUnits k ON k.id = c.kuId WHERE d.title = '{HSK_1}'")));
    QHash<QString, QString> readings;
    while (query.next())
        readings.insert(query.value(0).toString(), query.value(1).toString());
    QCOMPARE(readings.value(QStringLiteral("说")), QStringLiteral("shuo1"));
    QCOMPARE(readings.value(QStringLiteral("好")), QStringLiteral("hao3"));
    QCOMPARE(readings.value(QStringLiteral("东西")), QStringLiteral("dong1 xi5"));
}

void TestShippedData::everyCardHasItsUnit()
{
    QCOMPARE(
        scalar(m_profile, QStringLiteral("SELECT COUNT(*) FROM Cards c LEFT JOIN "
                                         "KnowledgeUnits k ON k.id = c.kuId WHERE k.id IS NULL"))
            .toInt(),
        0);
    QCOMPARE(
        scalar(m_profile, QStringLiteral("SELECT COUNT(*) FROM Cards c LEFT JOIN Decks d ON "
                                         "d.id = c.deckId WHERE d.id IS NULL OR d.isFolder = 1"))
            .toInt(),
        0);
    // Identifiers are the 22-character kind and unique across each table.
    for (const QString& table : {QStringLiteral("Cards"), QStringLiteral("KnowledgeUnits")}) {
        QSqlQuery query(m_profile);
        QVERIFY(query.exec(QStringLiteral("SELECT uuid, creationDate, updateDate FROM ") + table));
        QSet<QString> seen;
        while (query.next()) {
            const QString uuid = query.value(0).toString();
            QCOMPARE(uuid.size(), 22);
            QVERIFY2(!seen.contains(uuid), qPrintable(table + QLatin1Char(' ') + uuid));
            seen.insert(uuid);
            QVERIFY(query.value(1).toLongLong() > 0);
            QCOMPARE(query.value(2).toLongLong(), query.value(1).toLongLong());
        }
        QVERIFY(seen.size() > 200);
    }
    // Built-in entries are not the user's own.
    QCOMPARE(
        scalar(m_profile, QStringLiteral("SELECT COUNT(*) FROM KnowledgeUnits WHERE owner != 0 "
                                         "OR score != 0 OR pinyin = '' OR definition = ''"))
            .toInt(),
        0);
}

void TestShippedData::everySyllableKeyHasRecording()
{
    const QDir pinyin(DataDir + QStringLiteral("/pinyin"));
    QVERIFY2(pinyin.exists(), qPrintable(pinyin.path()));
    QStringList missing;
    int keys = 0;
    for (const QString& syllable : korvo::pinyinSyllables()) {
        for (int tone = 1; tone <= 5; ++tone) {
            const QString key = korvo::toAudioSyllable(syllable + QString::number(tone));
            const QFileInfo file(pinyin.filePath(key + QStringLiteral(".mp3")));
            ++keys;
            if (!file.exists() || file.size() < 500)
                missing.append(key);
        }
    }
    QCOMPARE(keys, 411 * 5);
    QVERIFY2(missing.isEmpty(), qPrintable(missing.mid(0, 20).join(QLatin1Char(' '))));
    // A syllable without tone digit plays the tone-1 file, which exists.
    QVERIFY(QFileInfo::exists(
        pinyin.filePath(korvo::toAudioSyllable(QStringLiteral("lü")) + QStringLiteral(".mp3"))));
}

void TestShippedData::brokenInputStopsWithoutTouchingTarget_data()
{
    QTest::addColumn<QString>("cedict");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing source") << QString() << "cedict_ts.u8.js: cannot be read";
    QTest::newRow("not a module") << "# CC-CEDICT\n"
                                  << "cedict_ts.u8.js: holds no text literal";
    QTest::newRow("malformed entry")
        << "module.exports = `#! date=2026-09-10T07:14:51Z\n中國 中国 [zhong1 guo2] /China/\n"
           "broken line\n`;"
        << "cedict_ts.u8.js: line 3: not an entry";
    QTest::newRow("no definition") << "module.exports = `#! date=2026-09-10T07:14:51Z\n中國 中国 "
                                      "[zhong1 guo2] //\n`;"
                                   << "cedict_ts.u8.js: line 2: entry without definition";
}

void TestShippedData::brokenInputStopsWithoutTouchingTarget()
{
#ifndef QUILLET_DATAGEN
    QFAIL("the data tool is not part of this build");
#else
    QFETCH(QString, cedict);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString sources = dir.filePath(QStringLiteral("node_modules"));
    QVERIFY(QDir().mkpath(sources + QStringLiteral("/hanzi/lib/data")));
    if (!cedict.isNull()) {
        QFile file(sources + QStringLiteral("/hanzi/lib/data/cedict_ts.u8.js"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(cedict.toUtf8());
    }
    // An earlier good file stays as it was.
    const QString target = dir.filePath(QStringLiteral("data/Dictionary.db"));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("data"))));
    {
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("previous build");
    }
    QProcess tool;
    tool.start(QStringLiteral(QUILLET_DATAGEN),
               {QStringLiteral("dictionary"), target, QStringLiteral("--node-modules"), sources,
                QStringLiteral("--sources"), dir.filePath(QStringLiteral("sources"))});
    QVERIFY(tool.waitForFinished(60000));
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), 1);
    const QString errors = QString::fromUtf8(tool.readAllStandardError());
    QVERIFY2(errors.contains(message), qPrintable(errors));
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("previous build"));
    QVERIFY(!QFileInfo::exists(target + QStringLiteral(".partial")));
#endif
}

void TestShippedData::synthesisReplacesEmptyLeftover()
{
#ifndef QUILLET_DATAGEN
    QFAIL("the data tool is not part of this build");
#else
    for (const char* program : {"espeak-ng", "lame"}) {
        if (QStandardPaths::findExecutable(QLatin1String(program)).isEmpty())
            QSKIP("the speech synthesis programs are not installed");
    }
    // Every recording but one comes from the "sources" folder; the missing one was left empty
    // by an earlier, interrupted run and must be synthesised again.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString sources = dir.filePath(QStringLiteral("sources/pinyin"));
    const QString target = dir.filePath(QStringLiteral("pinyin"));
    QVERIFY(QDir().mkpath(sources));
    QVERIFY(QDir().mkpath(target));
    const QString missing = QStringLiteral("ma5.mp3");
    const QDir built(DataDir + QStringLiteral("/pinyin"));
    const QStringList recordings = built.entryList({QStringLiteral("*.mp3")}, QDir::Files);
    QVERIFY(recordings.contains(missing));
    for (const QString& name : recordings) {
        if (name != missing)
            QVERIFY(QFile::link(built.filePath(name), sources + QLatin1Char('/') + name));
    }
    {
        QFile empty(target + QLatin1Char('/') + missing);
        QVERIFY(empty.open(QIODevice::WriteOnly));
    }
    QProcess tool;
    tool.start(QStringLiteral(QUILLET_DATAGEN),
               {QStringLiteral("audio"), target, QStringLiteral("--sources"),
                dir.filePath(QStringLiteral("sources")), QStringLiteral("--jobs"),
                QStringLiteral("1")});
    QVERIFY(tool.waitForFinished(60000));
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QVERIFY2(tool.exitCode() == 0, tool.readAllStandardError().constData());
    QVERIFY(QFileInfo(target + QLatin1Char('/') + missing).size() > 0);
    QVERIFY(!QFileInfo::exists(target + QLatin1Char('/') + missing + QStringLiteral(".part")));
#endif
}

QTEST_GUILESS_MAIN(TestShippedData)
#include "tst_shippeddata.moc"
