#include "stroketestsupport.h"

#include "strokes/strokeanimation.h"
#include "strokes/strokeanimationdatabase.h"
#include "strokes/strokeanimationview.h"

#include <QPainter>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>

using korvo::StrokeAnimation;
using korvo::StrokeAnimationDatabase;

// The animation database: the shipped "Animations.db" and small hand-made files with broken
// content, which must leave a stroke or a character without animation and never crash.
class TestStrokeAnimationDatabase : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void opensUnderItsConnectionName();
    void knownCharactersLoad_data();
    void knownCharactersLoad();
    void hasAnimation_data();
    void hasAnimation();
    void characterWithoutDataHasNoAnimation();
    void everySimplifiedHskCharacterLoads();
    void outlineIsRecoloured();
    void previousAnimationLivesWhileHeld();
    void missingFileHasNothing();
    void brokenCharacters_data();
    void brokenCharacters();
    void brokenStrokes_data();
    void brokenStrokes();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<StrokeAnimationDatabase> m_shipped;
};

void TestStrokeAnimationDatabase::initTestCase()
{
    QVERIFY2(QFile::exists(stroketest::shippedAnimations()), "the data build made Animations.db");
    m_shipped = std::make_unique<StrokeAnimationDatabase>(stroketest::shippedAnimations(),
                                                          QStringLiteral("shippedAnimations"));
    QVERIFY(m_shipped->isOpen());
}

void TestStrokeAnimationDatabase::opensUnderItsConnectionName()
{
    {
        StrokeAnimationDatabase database(stroketest::shippedAnimations());
        QCOMPARE(database.connectionName(), QStringLiteral("strokeAnimations"));
        QVERIFY(QSqlDatabase::contains(QStringLiteral("strokeAnimations")));
        QVERIFY(database.hasAnimation(QStringLiteral("你")));
    }
    QVERIFY(!QSqlDatabase::contains(QStringLiteral("strokeAnimations")));
}

void TestStrokeAnimationDatabase::knownCharactersLoad_data()
{
    QTest::addColumn<QString>("character");
    QTest::addColumn<int>("strokeCount");
    QTest::newRow("ni") << QStringLiteral("你") << 7;
    QTest::newRow("ai") << QStringLiteral("爱") << 10;
    QTest::newRow("long") << QStringLiteral("龍") << 16;
    QTest::newRow("bao") << QStringLiteral("薄") << 16;
    QTest::newRow("yi") << QStringLiteral("一") << 1;
}

void TestStrokeAnimationDatabase::knownCharactersLoad()
{
    QFETCH(QString, character);
    QFETCH(int, strokeCount);
    const std::shared_ptr<StrokeAnimation> animation = m_shipped->loadAnimation(character);
    QVERIFY(animation);
    QCOMPARE(m_shipped->currentAnimation(), animation);
    QCOMPARE(animation->character(), character);
    QCOMPARE(animation->strokeCount(), strokeCount);
    QVERIFY(animation->brushRadius() > 0);
    QCOMPARE(animation->font(), QStringLiteral("Ukai"));
    QVERIFY(animation->id() > 0);
    for (const auto& stroke : animation->strokes()) {
        QVERIFY(stroke->hasMask());
        QVERIFY(stroke->isDrawable());
        QVERIFY(!stroke->maskRegion().isEmpty());
        // The brush path starts inside its own mask (allowing for the rounding of the points).
        const QPoint start = stroke->pointAt(0).toPoint();
        QVERIFY(stroke->maskRegion().intersects(QRect(start - QPoint(3, 3), QSize(7, 7))));
    }
    QCOMPARE(animation->outlineFill(), QStringLiteral("#dedede"));
}

void TestStrokeAnimationDatabase::hasAnimation_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");
    QTest::newRow("character with data") << QStringLiteral("爱") << true;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("latin") << QStringLiteral("a") << false;
    QTest::newRow("two characters") << QStringLiteral("你好") << false;
    QTest::newRow("traditional without data") << QStringLiteral("曏") << false;
    QTest::newRow("quote in the text") << QStringLiteral("你' OR '1'='1") << false;
}

void TestStrokeAnimationDatabase::hasAnimation()
{
    QFETCH(QString, text);
    QFETCH(bool, expected);
    const auto current = m_shipped->currentAnimation();
    QCOMPARE(m_shipped->hasAnimation(text), expected);
    // Asked again (the answer is kept): the same, and the current animation is untouched.
    QCOMPARE(m_shipped->hasAnimation(text), expected);
    QCOMPARE(m_shipped->currentAnimation(), current);
}

void TestStrokeAnimationDatabase::characterWithoutDataHasNoAnimation()
{
    QVERIFY(m_shipped->loadAnimation(QStringLiteral("你")));
    QVERIFY(!m_shipped->loadAnimation(QStringLiteral("曏")));
    QVERIFY(!m_shipped->currentAnimation());
    QVERIFY(!m_shipped->loadAnimation(QStringLiteral("你' OR '1'='1")));
    QVERIFY(!m_shipped->loadAnimation(QString()));
}

void TestStrokeAnimationDatabase::everySimplifiedHskCharacterLoads()
{
    // Every simplified character of HSK levels 1-3 has an animation with as many strokes as the
    // dictionary counts, and every stroke has a mask that renders to a region.
    const QString connection = QStringLiteral("hskDictionary");
    QList<QPair<QString, int>> characters;
    {
        QSqlDatabase dictionary = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        dictionary.setDatabaseName(stroketest::dataFolder() + QStringLiteral("/Dictionary.db"));
        QVERIFY(dictionary.open());
        QSqlQuery query(dictionary);
        QVERIFY(query.exec(QStringLiteral("SELECT character, strokeCount FROM Characters WHERE "
                                          "hskLevel BETWEEN 1 AND 3 AND simplified = ''")));
        while (query.next())
            characters.append({query.value(0).toString(), query.value(1).toInt()});
    }
    QSqlDatabase::removeDatabase(connection);
    QVERIFY2(characters.size() > 500, qPrintable(QString::number(characters.size())));

    QStringList failures;
    for (const auto& [character, strokeCount] : characters) {
        const auto animation = m_shipped->loadAnimation(character);
        if (!animation) {
            failures.append(character + QStringLiteral(": no animation"));
            continue;
        }
        if (animation->strokeCount() != strokeCount)
            failures.append(QStringLiteral("%1: %2 strokes, the dictionary counts %3")
                                .arg(character)
                                .arg(animation->strokeCount())
                                .arg(strokeCount));
        for (int i = 0; i < animation->strokeCount(); ++i) {
            korvo::Stroke* stroke = animation->stroke(i);
            if (!stroke->isDrawable() || stroke->maskRegion().isEmpty())
                failures.append(
                    QStringLiteral("%1: stroke %2 cannot be drawn").arg(character).arg(i));
        }
    }
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
}

void TestStrokeAnimationDatabase::outlineIsRecoloured()
{
    const auto animation = m_shipped->loadAnimation(QStringLiteral("一"));
    QVERIFY(animation);
    // The stored outline fills its group black; loading moves a grey fill onto the paths.
    QVERIFY(!animation->outlineText().contains(QStringLiteral("<g fill")));
    QCOMPARE(animation->outlineFill(), QStringLiteral("#dedede"));

    // The middle of the one horizontal stroke, in a 200 x 200 rendering.
    const korvo::Stroke* stroke = animation->stroke(0);
    const QPoint probe = (stroke->points().first() + stroke->points().last()).toPoint() / 8;
    const auto render = [&](QSvgRenderer* renderer) {
        QImage image(200, 200, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer->render(&painter, QRectF(0, 0, 200, 200));
        painter.end();
        return image.pixel(probe);
    };
    QCOMPARE(render(animation->outlineRenderer()), qRgba(222, 222, 222, 255));
    QCOMPARE(render(animation->whiteOutlineRenderer()), qRgba(255, 255, 255, 255));
    // Making the white renderer leaves the document (and the coloured renderer) grey.
    QCOMPARE(animation->outlineFill(), QStringLiteral("#dedede"));
    QCOMPARE(render(animation->outlineRenderer()), qRgba(222, 222, 222, 255));

    animation->setOutlineColor(QColor(200, 0, 0));
    QCOMPARE(animation->outlineFill(), QStringLiteral("#c80000"));
    QCOMPARE(render(animation->outlineRenderer()), qRgba(200, 0, 0, 255));
    QCOMPARE(render(animation->whiteOutlineRenderer()), qRgba(255, 255, 255, 255));
}

void TestStrokeAnimationDatabase::previousAnimationLivesWhileHeld()
{
    std::shared_ptr<StrokeAnimation> first = m_shipped->loadAnimation(QStringLiteral("你"));
    const std::weak_ptr<StrokeAnimation> watch = first;
    const auto second = m_shipped->loadAnimation(QStringLiteral("爱"));
    QVERIFY(second);
    QCOMPARE(m_shipped->currentAnimation(), second);
    // Still whole for whoever holds it.
    QVERIFY(!watch.expired());
    QCOMPARE(first->strokeCount(), 7);
    QVERIFY(first->stroke(6)->isDrawable());
    first.reset();
    QVERIFY(watch.expired());

    // Nobody holding it: the database lets the previous one go when it loads the next.
    std::weak_ptr<StrokeAnimation> dropped = m_shipped->loadAnimation(QStringLiteral("好"));
    QVERIFY(!dropped.expired());
    m_shipped->loadAnimation(QStringLiteral("一"));
    QVERIFY(dropped.expired());
}

void TestStrokeAnimationDatabase::missingFileHasNothing()
{
    StrokeAnimationDatabase database(m_dir.filePath(QStringLiteral("nothing.db")),
                                     QStringLiteral("missingAnimations"));
    QVERIFY(!database.isOpen());
    QVERIFY(!database.hasAnimation(QStringLiteral("你")));
    QVERIFY(!database.loadAnimation(QStringLiteral("你")));
    QVERIFY2(!QFile::exists(m_dir.filePath(QStringLiteral("nothing.db"))), "no file is made");
}

namespace {

// A two-stroke character of bars whose JSON is replaced by the text given.
stroketest::TestCharacter withJson(const QString& json)
{
    stroketest::TestCharacter character = stroketest::barCharacter(QStringLiteral("丁"), 2, 200);
    character.json = json;
    return character;
}

const QString GoodStrokes =
    QStringLiteral("[{\"mask\":\"masks/4e01_1.svg\",\"points\":[[120,141],[320,141]]},"
                   "{\"mask\":\"masks/4e01_2.svg\",\"points\":[[120,341],[320,341]]}]");

// Plays the animation to its end and shows all its strokes: nothing may crash.
void playThrough(const std::shared_ptr<StrokeAnimation>& animation)
{
    korvo::StrokeAnimationView view;
    view.resize(200, 200);
    view.setAnimation(animation);
    view.showStrokes(animation->strokeCount() - 1);
    view.restart();
    QTRY_COMPARE_WITH_TIMEOUT(view.state(), korvo::StrokeAnimationView::Idle, 10000);
}

} // namespace

void TestStrokeAnimationDatabase::brokenCharacters_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<QString>("outline");
    const QString good = QStringLiteral("{\"id\":5,\"character\":\"丁\",\"brushRadius\":40,"
                                        "\"font\":\"\",\"strokes\":%1}");
    QTest::newRow("json cut short") << QStringLiteral("{\"strokes\":[") << QString();
    QTest::newRow("json not an object") << QStringLiteral("[1,2,3]") << QString();
    QTest::newRow("json empty") << QStringLiteral("") << QString();
    QTest::newRow("empty stroke list") << good.arg(QStringLiteral("[]")) << QString();
    QTest::newRow("strokes not a list") << good.arg(QStringLiteral("5")) << QString();
    QTest::newRow("strokes an object") << good.arg(QStringLiteral("{\"a\":1}")) << QString();
    QTest::newRow("no strokes") << QStringLiteral("{\"brushRadius\":40}") << QString();
    QTest::newRow("brush radius a word")
        << QStringLiteral("{\"brushRadius\":\"wide\",\"strokes\":%1}").arg(GoodStrokes)
        << QString();
    QTest::newRow("brush radius a list")
        << QStringLiteral("{\"brushRadius\":[40],\"strokes\":%1}").arg(GoodStrokes) << QString();
    QTest::newRow("brush radius negative")
        << QStringLiteral("{\"brushRadius\":-4,\"strokes\":%1}").arg(GoodStrokes) << QString();
    QTest::newRow("brush radius enormous")
        << QStringLiteral("{\"brushRadius\":1e300,\"strokes\":%1}").arg(GoodStrokes) << QString();
    QTest::newRow("no brush radius")
        << QStringLiteral("{\"strokes\":%1}").arg(GoodStrokes) << QString();
    QTest::newRow("character a list")
        << QStringLiteral("{\"character\":[1],\"brushRadius\":40,\"strokes\":%1}").arg(GoodStrokes)
        << QString();
    QTest::newRow("font an object")
        << QStringLiteral("{\"font\":{},\"brushRadius\":40,\"strokes\":%1}").arg(GoodStrokes)
        << QString();
    QTest::newRow("id a word")
        << QStringLiteral("{\"id\":\"x\",\"brushRadius\":40,\"strokes\":%1}").arg(GoodStrokes)
        << QString();
    QTest::newRow("outline not svg") << good.arg(GoodStrokes) << QStringLiteral("<svg><g></svg>");
    QTest::newRow("outline not xml") << good.arg(GoodStrokes) << QStringLiteral("no picture");
    QTest::newRow("outline of another kind")
        << good.arg(GoodStrokes) << QStringLiteral("<html><body/></html>");
    QTest::newRow("no outline row") << good.arg(GoodStrokes) << QStringLiteral("-");
}

void TestStrokeAnimationDatabase::brokenCharacters()
{
    QFETCH(QString, json);
    QFETCH(QString, outline);
    stroketest::TestCharacter character = withJson(json);
    character.outline = outline;
    const QString path = m_dir.filePath(QStringLiteral("broken.db"));
    QVERIFY(stroketest::writeDatabase(path, {character}));
    StrokeAnimationDatabase database(path, QStringLiteral("brokenAnimations"));
    QVERIFY(database.isOpen());
    // The row exists, but there is nothing to animate.
    QVERIFY(database.hasAnimation(QStringLiteral("丁")));
    QVERIFY(!database.loadAnimation(QStringLiteral("丁")));
    QVERIFY(!database.currentAnimation());
}

void TestStrokeAnimationDatabase::brokenStrokes_data()
{
    QTest::addColumn<QString>("secondStroke");
    QTest::addColumn<QString>("secondMaskSvg");
    QTest::addColumn<bool>("drawable");
    QTest::addColumn<bool>("clipped");
    const QString bar = stroketest::rectanglesSvg({stroketest::barRect(1)});
    const QString points = QStringLiteral("\"points\":[[120,341],[320,341]]");
    const QString mask = QStringLiteral("\"mask\":\"masks/4e01_2.svg\"");
    QTest::newRow("sound") << QStringLiteral("{%1,%2}").arg(mask, points) << bar << true << true;
    QTest::newRow("mask svg does not parse") << QStringLiteral("{%1,%2}").arg(mask, points)
                                             << QStringLiteral("<svg><path") << false << false;
    QTest::newRow("mask svg empty")
        << QStringLiteral("{%1,%2}").arg(mask, points) << QStringLiteral("") << false << false;
    QTest::newRow("no mask row") << QStringLiteral("{%1,%2}").arg(mask, points) << QString() << true
                                 << false;
    QTest::newRow("no mask key") << QStringLiteral("{%1}").arg(points) << bar << true << false;
    QTest::newRow("mask a list") << QStringLiteral("{\"mask\":[1],%1}").arg(points) << bar << false
                                 << false;
    QTest::newRow("stroke a number") << QStringLiteral("7") << bar << false << false;
    QTest::newRow("stroke a list") << QStringLiteral("[1,2]") << bar << false << false;
    QTest::newRow("points missing") << QStringLiteral("{%1}").arg(mask) << bar << false << false;
    QTest::newRow("points a word")
        << QStringLiteral("{%1,\"points\":\"x\"}").arg(mask) << bar << false << true;
    QTest::newRow("point with one coordinate")
        << QStringLiteral("{%1,\"points\":[[120,341],[320]]}").arg(mask) << bar << false << true;
    QTest::newRow("point with three coordinates")
        << QStringLiteral("{%1,\"points\":[[120,341,1],[320,341,1]]}").arg(mask) << bar << false
        << true;
    QTest::newRow("coordinate a word")
        << QStringLiteral("{%1,\"points\":[[120,341],[\"a\",341]]}").arg(mask) << bar << false
        << true;
    QTest::newRow("coordinate a bool")
        << QStringLiteral("{%1,\"points\":[[120,341],[true,341]]}").arg(mask) << bar << false
        << true;
    QTest::newRow("coordinate enormous")
        << QStringLiteral("{%1,\"points\":[[120,341],[1e300,341]]}").arg(mask) << bar << false
        << true;
    QTest::newRow("no points") << QStringLiteral("{%1,\"points\":[]}").arg(mask) << bar << false
                               << true;
    QTest::newRow("one point") << QStringLiteral("{%1,\"points\":[[5,5]]}").arg(mask) << bar
                               << false << true;
}

void TestStrokeAnimationDatabase::brokenStrokes()
{
    // Stroke 2 of a two-stroke character is broken in one way: the character still animates,
    // stroke 1 is drawn, stroke 2 keeps its place but draws nothing (or is drawn unclipped when
    // only its mask is missing).
    QFETCH(QString, secondStroke);
    QFETCH(QString, secondMaskSvg);
    QFETCH(bool, drawable);
    QFETCH(bool, clipped);
    stroketest::TestCharacter character = withJson(
        QStringLiteral("{\"id\":5,\"character\":\"丁\",\"brushRadius\":40,\"strokes\":["
                       "{\"mask\":\"masks/4e01_1.svg\",\"points\":[[120,141],[320,141]]},%1]}")
            .arg(secondStroke));
    character.strokes[1].maskSvg = secondMaskSvg;
    const QString path = m_dir.filePath(QStringLiteral("strokes.db"));
    QVERIFY(stroketest::writeDatabase(path, {character}));
    StrokeAnimationDatabase database(path, QStringLiteral("strokeAnimationsTest"));
    const auto animation = database.loadAnimation(QStringLiteral("丁"));
    QVERIFY(animation);
    QCOMPARE(animation->strokeCount(), 2);
    QCOMPARE(animation->id(), 5);
    QVERIFY(animation->stroke(0)->isDrawable());
    QCOMPARE(animation->stroke(1)->isDrawable(), drawable);
    if (drawable)
        QCOMPARE(animation->stroke(1)->hasMaskRegion(), clipped);
    playThrough(animation);
}

QTEST_MAIN(TestStrokeAnimationDatabase)
#include "tst_strokeanimationdatabase.moc"
