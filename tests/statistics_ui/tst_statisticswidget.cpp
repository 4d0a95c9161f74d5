#include "dictionary/dictionary.h"
#include "guitestsupport.h"
#include "practice/practicewidget.h"
#include "practice/session.h"
#include "practice/sessiondialog.h"
#include "practicetestsupport.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/profile.h"
#include "profiletestsupport.h"
#include "statistics/practicestatistics.h"
#include "statistics_ui/chartpanel.h"
#include "statistics_ui/statisticswidget.h"
#include "style/xqpushbutton.h"
#include "text/pinyin.h"
#include "text/translationcatalogue.h"

#include <QAbstractBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

using namespace korvo;
using namespace practicetest;

// The statistics screen after a session answered through the real practice screen: the figures
// it shows against what Profile.db holds, its deck tree and ranges, the exports of every chart,
// the practice of the hardest cards, and its texts in every interface language.
class TestStatisticsWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void answersGivenInPracticeAreCounted();
    void treeAndRangesChooseWhatIsCounted_data();
    void treeAndRangesChooseWhatIsCounted();
    void everyChartExportsItsPictureAndTable_data();
    void everyChartExportsItsPictureAndTable();
    void anExportThatCannotBeWrittenIsTold();
    void hardestCardsArePractisedWithOneClick();
    void textsAreTranslatedAndFit_data();
    void textsAreTranslatedAndFit();

private:
    // Practises the three cards of "Mine" with keys: right, wrong, right, then the wrong one
    // again right. The card answered wrongly goes to *wrongCard.
    bool practise(int* wrongCard = nullptr);
    void showStatistics();
    QString figure(const QString& name) const;
    void clickDeck(int deckId);
    void clickRange(StatisticsRange range);
    // The values of the first series of a chart, by category.
    QList<qreal> barValues(const QString& chart, int set) const;
    int scalar(const QString& sql) const;
    void press(Qt::Key key);

    std::unique_ptr<Dictionary> m_dictionary;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Profile> m_profile;
    std::unique_ptr<Session> m_session;
    std::unique_ptr<PracticeServices> m_services;
    // Both screens live in the stand-in main window, which owns them.
    QPointer<PracticeWidget> m_practice;
    QPointer<StatisticsWidget> m_statistics;
    Deck* m_deck = nullptr;
};

void TestStatisticsWidget::initTestCase()
{
    initPinyinTables();
    uitest::useBuiltSkin();
    TranslationCatalogue::instance()->setDataFolder(uitest::dataFolder());
    TranslationCatalogue::instance()->setCatalogueName(QStringLiteral("application"));
    m_dictionary = std::make_unique<Dictionary>();
    QVERIFY(m_dictionary->open(uitest::dataFolder() + "/Dictionary.db", "statisticsDictionary"));
}

void TestStatisticsWidget::cleanupTestCase()
{
    m_dictionary.reset();
    TranslationCatalogue::instance()->setLocale(QStringLiteral("en"));
}

void TestStatisticsWidget::init()
{
    TranslationCatalogue::instance()->setLocale(QStringLiteral("en"));
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_profile =
        profiletest::openProfile(m_dir->path(), uitest::dataFolder() + "/Profile.default.db");
    QVERIFY(m_profile && m_profile->database().isOpen());
    m_session = std::make_unique<Session>(m_profile.get());
    m_services =
        std::make_unique<PracticeServices>(m_profile.get(), m_dictionary.get(), m_session.get());
    QWidget* window = m_services->mainWindow();
    window->resize(1024, 695);
    m_practice = new PracticeWidget(m_session.get(), window);
    m_practice->resize(1024, 695);
    m_statistics = new StatisticsWidget(m_session.get(), window);
    m_statistics->resize(1024, 695);
    m_statistics->hide();
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    m_deck = makeDeck(m_profile.get(), "Mine",
                      {{"你好", "", "ni3 hao3", "hello"},
                       {"再见", "再見", "zai4 jian4", "goodbye"},
                       {"谢谢", "謝謝", "xie4 xie5", "thank you"}});
    QVERIFY(m_deck);
}

void TestStatisticsWidget::cleanup()
{
    m_services.reset();
    m_session.reset();
    m_profile.reset();
    m_dir.reset();
}

void TestStatisticsWidget::press(Qt::Key key)
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus || (focus != m_practice.data() && !m_practice->isAncestorOf(focus)))
        focus = m_practice.data();
    QTest::keyClick(focus, key);
}

bool TestStatisticsWidget::practise(int* wrongCard)
{
    m_statistics->hide();
    m_practice->show();
    SetUp setUp;
    setUp.deckIds = {m_deck->id()};
    setUp.type = "typeFreeRB";
    if (!startSession(m_practice, m_services.get(), setUp))
        return false;
    for (Qt::Key answer : {Qt::Key_C, Qt::Key_W, Qt::Key_C, Qt::Key_C}) {
        if (!m_practice->currentCard())
            return false;
        if (answer == Qt::Key_W && wrongCard)
            *wrongCard = m_practice->currentCard()->id();
        press(Qt::Key_F);
        press(answer);
    }
    return m_session->status() == SessionStatus::Finished;
}

void TestStatisticsWidget::showStatistics()
{
    m_practice->hide();
    m_statistics->show();
}

QString TestStatisticsWidget::figure(const QString& name) const
{
    auto* label = m_statistics->findChild<QLabel*>(name + QStringLiteral("Value"));
    return label ? label->text() : QStringLiteral("(no %1)").arg(name);
}

void TestStatisticsWidget::clickDeck(int deckId)
{
    auto* tree = m_statistics->findChild<QTreeView*>(QStringLiteral("statisticsDeckTree"));
    const QModelIndexList found = tree->model()->match(
        tree->model()->index(0, 0), Qt::UserRole, deckId, 1, Qt::MatchExactly | Qt::MatchRecursive);
    QVERIFY2(!found.isEmpty(), qPrintable(QString::number(deckId)));
    tree->scrollTo(found.first());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier,
                      tree->visualRect(found.first()).center());
}

void TestStatisticsWidget::clickRange(StatisticsRange range)
{
    auto* button = m_statistics->findChild<XQPushButton*>(
        QStringLiteral("range%1Button").arg(rangeKey(range)));
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

QList<qreal> TestStatisticsWidget::barValues(const QString& chart, int set) const
{
    QList<qreal> values;
    ChartPanel* panel = m_statistics->chartPanel(chart);
    if (!panel)
        return values;
    for (QAbstractSeries* series : panel->chart()->series()) {
        if (auto* bars = qobject_cast<QAbstractBarSeries*>(series)) {
            QBarSet* barSet = bars->barSets().value(set);
            for (int i = 0; barSet && i < barSet->count(); ++i)
                values << barSet->at(i);
        }
    }
    return values;
}

int TestStatisticsWidget::scalar(const QString& sql) const
{
    return profiletest::scalarOnFile(m_profile->databasePath(), sql).toInt();
}

void TestStatisticsWidget::answersGivenInPracticeAreCounted()
{
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    int wrongCard = 0;
    QVERIFY(practise(&wrongCard));
    showStatistics();

    // What Profile.db holds: four answers of today, with their times, one of them wrong.
    const QString today = QStringLiteral("answerTime >= %1")
                              .arg(LocalCalendar().startOf(m_statistics->report().today));
    QCOMPARE(scalar("SELECT COUNT(*) FROM Knowledge WHERE " + today), 4);
    QCOMPARE(scalar("SELECT COUNT(*) FROM Knowledge WHERE result = 1 AND " + today), 3);
    QCOMPARE(scalar(QString("SELECT COUNT(*) FROM Knowledge WHERE answerTime < %1").arg(before)),
             0);
    QCOMPARE(scalar(QString("SELECT cardId FROM Knowledge WHERE result = 0")), wrongCard);

    // What the screen shows of them, for all decks.
    QCOMPARE(figure("answers"), QStringLiteral("4"));
    QCOMPARE(figure("correctRate"), QStringLiteral("75%"));
    QCOMPARE(figure("streak"), QStringLiteral("1"));
    const QLocale shown(QStringLiteral("en_US"));
    QCOMPARE(figure("cards"), shown.toString(scalar("SELECT COUNT(*) FROM Cards")));
    QList<Deck*> decks;
    m_profile->collectDecks(decks, false);
    QCOMPARE(figure("dueToday"), shown.toString(countCards(decks, -1, true)));
    QCOMPARE(barValues("answers", 0).last(), 3.0);
    QCOMPARE(barValues("answers", 1).last(), 1.0);
    QCOMPARE(barValues("hours", 0).value(QTime::currentTime().hour()), 4.0);
    auto* list = m_statistics->findChild<QTreeWidget*>(QStringLiteral("hardestCardsList"));
    QCOMPARE(list->topLevelItemCount(), 1);
    QCOMPARE(list->topLevelItem(0)->data(0, Qt::UserRole).toInt(), wrongCard);
    QCOMPARE(list->topLevelItem(0)->text(3), QStringLiteral("1"));
    QCOMPARE(list->topLevelItem(0)->text(4), QStringLiteral("2"));
    // The tooltip of today's bar names its figures.
    QCOMPARE(m_statistics->chartPanel("answers")->toolTipText(
                 m_statistics->chartPanel("answers")->table().rows.size() - 1),
             QStringLiteral("%1\nCorrect: 3\nWrong: 1\nCorrect rate (%): 75")
                 .arg(shown.toString(m_statistics->report().today, QLocale::LongFormat)));

    // The deck's cards by band, as their scores in Profile.db put them: answered, and below 2.5
    // points (1, 1 and 0.5), all three are learning.
    clickDeck(m_deck->id());
    QCOMPARE(figure("cards"), QStringLiteral("3"));
    const int learning =
        scalar(QString("SELECT COUNT(*) FROM Cards c JOIN KnowledgeUnits ku ON ku.id = c.kuId "
                       "WHERE c.deckId = %1 AND ku.lastTimePracticed > 0 AND ku.score < 2.5")
                   .arg(m_deck->id()));
    QCOMPARE(learning, 3);
    QCOMPARE(barValues("decks", int(ScoreBand::Learning)), QList<qreal>{qreal(learning)});
    QCOMPARE(barValues("decks", int(ScoreBand::New)), QList<qreal>{0});
}

void TestStatisticsWidget::treeAndRangesChooseWhatIsCounted_data()
{
    QTest::addColumn<int>("range");
    QTest::addColumn<QString>("deck"); // "mine", "HSK 1" or "all"
    QTest::addColumn<int>("bars");
    QTest::addColumn<QString>("answers");
    // A bar per day for the short ranges, per month for twelve months; all time starts on the
    // first day with a timed answer, today.
    const QList<std::pair<StatisticsRange, int>> ranges = {{StatisticsRange::Week, 7},
                                                           {StatisticsRange::Month, 30},
                                                           {StatisticsRange::Year, 12},
                                                           {StatisticsRange::AllTime, 1}};
    for (const auto& [range, bars] : ranges) {
        const QByteArray name = rangeKey(range).toLatin1();
        const char* key = name.constData();
        QTest::addRow("%s, my deck", key) << int(range) << "mine" << bars << "4";
        QTest::addRow("%s, another deck", key) << int(range) << "HSK 1" << bars << "0";
        // All time also counts the two answers without a time.
        QTest::addRow("%s, all decks", key)
            << int(range) << "all" << bars << (range == StatisticsRange::AllTime ? "6" : "4");
    }
}

void TestStatisticsWidget::treeAndRangesChooseWhatIsCounted()
{
    QFETCH(int, range);
    QFETCH(QString, deck);
    QFETCH(int, bars);
    QFETCH(QString, answers);
    QVERIFY(practise());
    // Two answers given before answer times were kept, in a deck that is gone.
    QVERIFY(profiletest::runOnFile(
        m_profile->databasePath(),
        {"INSERT INTO Knowledge (kuId, cardId, deckId, result) VALUES (1, 1, 9999, 1)",
         "INSERT INTO Knowledge (kuId, cardId, deckId, result) VALUES (1, 1, 9999, 0)"}));
    showStatistics();
    clickRange(StatisticsRange(range));
    const int deckId = deck == "mine"  ? m_deck->id()
                       : deck == "all" ? PracticeStatistics::AllDecks
                                       : builtInDeck(m_profile.get(), "{HSK_1}")->id();
    clickDeck(deckId);
    QCOMPARE(m_statistics->deckId(), deckId);
    QCOMPARE(m_statistics->range(), StatisticsRange(range));
    QCOMPARE(figure("answers"), answers);
    auto* note = m_statistics->findChild<QLabel*>(QStringLiteral("untimedLabel"));
    const bool untimed = answers == "6";
    QCOMPARE(note->isVisible(), untimed);
    if (untimed)
        QVERIFY(note->text().endsWith(": 2"));
    QCOMPARE(int(barValues("answers", 0).size()), bars);
    QCOMPARE(barValues("due", 0).size(), PracticeStatistics::DueDays);
}

void TestStatisticsWidget::everyChartExportsItsPictureAndTable_data()
{
    QTest::addColumn<QString>("chart");
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("row"); // a line the table must hold; %1 is today
    QTest::newRow("answers") << "answers"
                             << "Day,Correct,Wrong,Correct rate (%)"
                             << "%1,3,1,75";
    QTest::newRow("due") << "due"
                         << "Day,Cards due"
                         << "";
    QTest::newRow("hours") << "hours"
                           << "Hour,Answers"
                           << "";
    QTest::newRow("decks") << "decks"
                           << "Deck,New cards,Learning,Known,Mastered"
                           << "Mine,0,3,0,0";
}

void TestStatisticsWidget::everyChartExportsItsPictureAndTable()
{
    QFETCH(QString, chart);
    QFETCH(QString, header);
    QFETCH(QString, row);
    QVERIFY(practise());
    showStatistics();
    clickRange(StatisticsRange::Week);
    QStringList asked;
    m_statistics->setFileChooser([&](const QString& suggested, const QString& filter) {
        asked << suggested + " " + filter;
        return m_dir->filePath(suggested);
    });
    ChartPanel* panel = m_statistics->chartPanel(chart);
    QVERIFY(panel);
    QTest::mouseClick(panel->findChild<XQPushButton*>("csvButton"), Qt::LeftButton);
    QTest::mouseClick(panel->findChild<XQPushButton*>("pngButton"), Qt::LeftButton);
    QCOMPARE(asked,
             (QStringList{chart + ".csv CSV tables (*.csv)", chart + ".png PNG pictures (*.png)"}));

    QFile csv(m_dir->filePath(chart + ".csv"));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QByteArray bytes = csv.readAll();
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    const QStringList lines = QString::fromUtf8(bytes.mid(3)).split("\r\n", Qt::SkipEmptyParts);
    QCOMPARE(lines.first(), header);
    QCOMPARE(lines.size() - 1, int(panel->table().rows.size()));
    if (!row.isEmpty())
        QVERIFY2(lines.contains(row.arg(m_statistics->report().today.toString(Qt::ISODate))),
                 qPrintable(lines.join('\n')));
    if (chart == "due") {
        // Today's count on the first line, as the figure above the charts says.
        QCOMPARE(lines.at(1).section(',', 1), figure("dueToday").remove(','));
    }

    const QImage picture(m_dir->filePath(chart + ".png"));
    QVERIFY(!picture.isNull());
    QCOMPARE(picture.size(), panel->chartView()->size() * panel->chartView()->devicePixelRatio());
    // Not blank: the chart's background and bars differ.
    QSet<QRgb> colours;
    for (int x = 0; x < picture.width(); x += 7) {
        for (int y = 0; y < picture.height(); y += 7)
            colours.insert(picture.pixel(x, y));
    }
    QVERIFY(colours.size() > 3);
}

void TestStatisticsWidget::anExportThatCannotBeWrittenIsTold()
{
    showStatistics();
    const QString nowhere = m_dir->filePath("missing/folder/answers.csv");
    m_statistics->setFileChooser([&](const QString&, const QString&) { return nowhere; });
    auto box = guitest::clickInNextModal(QStringLiteral("OK"));
    QTest::mouseClick(m_statistics->chartPanel("answers")->findChild<XQPushButton*>("csvButton"),
                      Qt::LeftButton);
    QTRY_VERIFY(box->seen);
    QVERIFY2(box->text.contains(nowhere), qPrintable(box->text));
    QVERIFY(!QFile::exists(nowhere));
    // Cancelling the file dialog writes nothing and tells nothing.
    m_statistics->setFileChooser([&](const QString&, const QString&) { return QString(); });
    auto none = guitest::clickInNextModal(QStringLiteral("OK"));
    QTest::mouseClick(m_statistics->chartPanel("answers")->findChild<XQPushButton*>("pngButton"),
                      Qt::LeftButton);
    // A box would have been answered before the click returned.
    QVERIFY(!none->seen);
    QCOMPARE(QDir(m_dir->path()).entryList({"*.png"}), QStringList());
}

void TestStatisticsWidget::hardestCardsArePractisedWithOneClick()
{
    int wrongCard = 0;
    QVERIFY(practise(&wrongCard));
    showStatistics();
    auto* button = m_statistics->findChild<XQPushButton*>(QStringLiteral("practiseHardestButton"));
    QVERIFY(button->isEnabled());
    m_services->calls.clear();
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(m_services->calls, QStringList{"showScreen:practice"});
    QCOMPARE(m_session->cardIds(), QList<int>{wrongCard});
    QCOMPARE(m_session->status(), SessionStatus::Running);
    // The practice screen asks that card now, and its answer is stored like any other.
    m_statistics->hide();
    m_practice->show();
    QVERIFY(m_practice->currentCard());
    QCOMPARE(m_practice->currentCard()->id(), wrongCard);
    press(Qt::Key_F);
    press(Qt::Key_C);
    QCOMPARE(m_session->status(), SessionStatus::Finished);
    m_session->saveHistoryItems();
    QCOMPARE(scalar(QString("SELECT COUNT(*) FROM Knowledge WHERE cardId = %1").arg(wrongCard)), 3);

    // Without wrong answers in the range there is nothing to practise.
    showStatistics();
    clickDeck(builtInDeck(m_profile.get(), "{HSK_1}")->id());
    QVERIFY(!button->isEnabled());
}

void TestStatisticsWidget::textsAreTranslatedAndFit_data()
{
    QTest::addColumn<QString>("locale");
    for (const char* locale : {"de", "es", "fr", "zh_CN", "zh_TW"})
        QTest::newRow(locale) << locale;
}

void TestStatisticsWidget::textsAreTranslatedAndFit()
{
    QFETCH(QString, locale);
    QVERIFY(practise());
    showStatistics();
    QMap<QString, QString> english;
    const auto texts = [this] {
        QMap<QString, QString> found;
        for (QLabel* label : m_statistics->findChildren<QLabel*>()) {
            if (label->objectName().endsWith("Caption") || label->objectName().endsWith("Title") ||
                label->objectName().endsWith("TitleLabel"))
                found.insert(label->objectName() + label->parent()->objectName(), label->text());
        }
        for (XQPushButton* button : m_statistics->findChildren<XQPushButton*>())
            found.insert(button->objectName() + button->parent()->objectName(), button->text());
        return found;
    };
    english = texts();
    TranslationCatalogue::instance()->setLocale(locale);
    m_statistics->retranslate();
    const QMap<QString, QString> translated = texts();
    QCOMPARE(translated.size(), english.size());
    for (auto it = translated.cbegin(); it != translated.cend(); ++it) {
        QVERIFY2(!it.value().isEmpty(), qPrintable(it.key()));
        QVERIFY2(it.value() != english.value(it.key()), qPrintable(it.key() + ": " + it.value()));
    }
    // Every button is as wide as its text needs.
    for (XQPushButton* button : m_statistics->findChildren<XQPushButton*>())
        QVERIFY2(button->width() >= button->sizeHint().width(), qPrintable(button->objectName()));
    // The charts carry the language too.
    const StatisticsTable& table = m_statistics->chartPanel("answers")->table();
    QVERIFY(table.title != QStringLiteral("Answers per day"));
    QVERIFY(table.columns.at(2) != QStringLiteral("Wrong"));
    QCOMPARE(m_statistics->chartPanel("answers")->chart()->series().size(), 2);
}

QTEST_MAIN(TestStatisticsWidget)
#include "tst_statisticswidget.moc"
