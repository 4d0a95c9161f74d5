#include "dictionary/dictionary.h"
#include "dictionary_ui/dictionarywidget.h"
#include "dictionary_ui/resultpageview.h"
#include "profile/profile.h"
#include "profiletestsupport.h"
#include "reader_ui/addwordsdialog.h"
#include "reader_ui/readertextview.h"
#include "reader_ui/readerwidget.h"
#include "style/style.h"
#include "text/pinyin.h"
#include "uitestsupport.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;

namespace {

const QString Plain = QStringLiteral("我明天要去北京看朋友。");

QString words(const ReaderDocument& document)
{
    QStringList list;
    for (int i = 0; i < document.segmentCount(); ++i) {
        if (document.segment(i).kind != TextSegment::LineBreak)
            list << document.segmentText(i);
    }
    return list.join(QLatin1Char(' '));
}

int segmentOf(const ReaderDocument& document, const QString& word, int from = 0)
{
    for (int i = from; i < document.segmentCount(); ++i) {
        if (document.segmentText(i) == word)
            return i;
    }
    return -1;
}

// Confirms the open "Add to deck" dialog with a new deck of this name, or with the deck of this
// name when the learner has one; `wordsListed` gets the number of words it offered.
std::function<void(QWidget*)> addInto(const QString& deck, int* wordsListed)
{
    return [deck, wordsListed](QWidget* modal) {
        auto* dialog = qobject_cast<AddWordsDialog*>(modal);
        QVERIFY(dialog);
        *wordsListed = dialog->wordList()->count();
        const int existing = dialog->deckChoice()->findText(deck);
        if (existing >= 0) {
            dialog->deckChoice()->setCurrentIndex(existing);
        } else {
            dialog->newDeckTitle()->setText(deck);
        }
        QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
    };
}

} // namespace

// The reader screen on the shipped dictionary and a real profile, driven with the mouse and keys:
// paste, hover, join and split, cards for the unknown words, bad input, and the text reopened
// where the learner left it. One screen (and its web view) for every case.
class TestReaderWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void pastedTextShowsItsWordsAndTheHoveredEntry();
    void wordsAreJoinedAndSplitByHand();
    void unknownWordsGoIntoANewDeckOnce();
    void badInputLeavesTheTextAsItWas_data();
    void badInputLeavesTheTextAsItWas();
    void longTextsAreLaidOutAsTheyComeIntoView();
    void theReaderReopensWhereItWasLeft();

private:
    void paste(const QString& text);
    void hover(int segment);
    void click(int segment, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    QTemporaryDir m_folder;
    std::unique_ptr<Dictionary> m_dictionary;
    std::unique_ptr<Profile> m_profile;
    std::unique_ptr<uitest::TestServices> m_services;
    std::unique_ptr<ReaderWidget> m_screen;
};

void TestReaderWidget::initTestCase()
{
    initPinyinTables();
    uitest::useBuiltSkin();
    m_dictionary = std::make_unique<Dictionary>();
    QVERIFY(m_dictionary->open(uitest::dataFolder() + QStringLiteral("/Dictionary.db")));
    m_profile =
        profiletest::openProfile(m_folder.filePath(QStringLiteral("profile")),
                                 uitest::dataFolder() + QStringLiteral("/Profile.default.db"));
    QVERIFY(m_profile);
    m_services = std::make_unique<uitest::TestServices>(m_profile.get(), m_dictionary.get());
    ApplicationServices::setInstance(m_services.get());
    m_screen = std::make_unique<ReaderWidget>(m_dictionary.get(), m_profile.get());
    m_screen->resize(1000, 700);
    m_screen->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_screen.get()));
}

void TestReaderWidget::cleanupTestCase()
{
    m_screen.reset();
    ApplicationServices::setInstance(nullptr);
    m_services.reset();
    m_profile.reset();
    m_dictionary.reset();
    Style::destroyRoot();
}

void TestReaderWidget::paste(const QString& text)
{
    QApplication::clipboard()->setText(text);
    QSignalSpy shown(m_screen.get(), &ReaderWidget::textShown);
    m_screen->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_screen.get()));
    m_screen->textView()->setFocus();
    QTest::keyClick(m_screen->textView(), Qt::Key_V, Qt::ControlModifier);
    // The first text waits for the word table as well.
    QVERIFY(shown.count() == 1 || shown.wait(30000));
    QCOMPARE(m_screen->document().text(), text);
}

void TestReaderWidget::hover(int segment)
{
    const QRect box = m_screen->textView()->segmentRect(segment);
    QVERIFY2(!box.isEmpty(), qPrintable(QString::number(segment)));
    QTest::mouseMove(m_screen->textView()->viewport(), box.center());
}

void TestReaderWidget::click(int segment, Qt::KeyboardModifiers modifiers)
{
    const QRect box = m_screen->textView()->segmentRect(segment);
    QVERIFY2(!box.isEmpty(), qPrintable(QString::number(segment)));
    QTest::mouseClick(m_screen->textView()->viewport(), Qt::LeftButton, modifiers, box.center());
}

void TestReaderWidget::pastedTextShowsItsWordsAndTheHoveredEntry()
{
    paste(Plain);
    QCOMPARE(words(m_screen->document()), QStringLiteral("我 明天 要 去 北京 看 朋友 。"));

    hover(segmentOf(m_screen->document(), QStringLiteral("北京")));
    const PageContent content = m_screen->resultView()->content();
    QVERIFY2(content.status.contains(QStringLiteral("北京")), qPrintable(content.status));
    QVERIFY(content.results.contains(QStringLiteral("Beijing")));
    // The word's level from the built-in HSK decks; a word they lack gets its characters'.
    QCOMPARE(m_screen->wordInfo(), QStringLiteral("北京 · HSK 1"));
    hover(segmentOf(m_screen->document(), QStringLiteral("我")));
    QCOMPARE(m_screen->wordInfo(), QStringLiteral("我 · HSK 1"));

    // The panel's links reach the application as on the dictionary screen.
    QSignalSpy links(m_screen->resultView(), &ResultPageView::linkClicked);
    emit m_screen->resultView()->linkClicked(
        QUrl(QStringLiteral("quillet://?action=viewStrokeOrder&characters=%E5%8C%97")));
    QVERIFY(m_services->calls.contains(QStringLiteral("showStrokeOrder:北")));
}

void TestReaderWidget::wordsAreJoinedAndSplitByHand()
{
    paste(Plain);
    auto* join = m_screen->findChild<QPushButton*>(QStringLiteral("readerJoinButton"));
    auto* split = m_screen->findChild<QPushButton*>(QStringLiteral("readerSplitButton"));
    const int look = segmentOf(m_screen->document(), QStringLiteral("看"));
    click(look);
    QVERIFY(!join->isEnabled());
    click(look + 1, Qt::ShiftModifier);
    QVERIFY(join->isEnabled());
    QTest::mouseClick(join, Qt::LeftButton);
    QCOMPARE(words(m_screen->document()), QStringLiteral("我 明天 要 去 北京 看朋友 。"));

    click(segmentOf(m_screen->document(), QStringLiteral("北京")));
    QVERIFY(split->isEnabled());
    QTest::mouseClick(split, Qt::LeftButton);
    QCOMPARE(words(m_screen->document()), QStringLiteral("我 明天 要 去 北 京 看朋友 。"));

    // Right-click a word, then "Split" in its menu.
    const QRect tomorrow =
        m_screen->textView()->segmentRect(segmentOf(m_screen->document(), QStringLiteral("明天")));
    QTimer::singleShot(
        0, [] { QVERIFY(uitest::clickMenuAction(QStringLiteral("readerSplitAction"))); });
    QContextMenuEvent menu(QContextMenuEvent::Mouse, tomorrow.center(),
                           m_screen->textView()->viewport()->mapToGlobal(tomorrow.center()));
    QApplication::sendEvent(m_screen->textView()->viewport(), &menu);
    QCOMPARE(words(m_screen->document()), QStringLiteral("我 明 天 要 去 北 京 看朋友 。"));
    // Punctuation is never part of a join.
    click(segmentOf(m_screen->document(), QStringLiteral("看朋友")));
    click(segmentOf(m_screen->document(), QStringLiteral("。")), Qt::ShiftModifier);
    QVERIFY(!join->isEnabled());
}

void TestReaderWidget::unknownWordsGoIntoANewDeckOnce()
{
    paste(QStringLiteral("我们明天去北京。北京很大！"));
    const QString deck = QStringLiteral("Reading 1");
    int listed = 0;
    QSignalSpy added(m_screen.get(), &ReaderWidget::wordsAdded);

    // Cancelled: nothing is stored.
    const int decksBefore = profiletest::rowCount(m_profile->database(), QStringLiteral("Decks"));
    uitest::whenModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    m_screen->addUnknownWords();
    QCOMPARE(profiletest::rowCount(m_profile->database(), QStringLiteral("Decks")), decksBefore);

    uitest::whenModal(addInto(deck, &listed));
    QTest::mouseClick(m_screen->findChild<QPushButton*>(QStringLiteral("readerAddUnknownButton")),
                      Qt::LeftButton);
    QVERIFY(!uitest::modalMissed());
    QCOMPARE(listed, 6); // 我们 明天 去 北京 很 大, 北京 once
    QCOMPARE(added.count(), 1);
    QCOMPARE(added.last().at(0).toInt(), 6);
    const QString cards =
        QStringLiteral(
            "SELECT group_concat(u.simplified || ':' || u.pinyin, ' ') FROM Cards c JOIN Decks d "
            "ON d.id = c.deckId JOIN KnowledgeUnits u ON u.id = c.kuId WHERE d.title = '%1' "
            "ORDER BY c.id")
            .arg(deck);
    QCOMPARE(
        profiletest::scalarOnFile(m_profile->databasePath(), cards).toString(),
        QStringLiteral("我们:wo3 men5 明天:ming2 tian1 去:qu4 北京:bei3 jing1 很:hen3 大:da4"));

    // Into the same deck again: every word is skipped.
    uitest::whenModal(addInto(deck, &listed));
    m_screen->addUnknownWords();
    QCOMPARE(added.last().at(0).toInt(), 0);
    QCOMPARE(added.last().at(1).toInt(), 6);

    // A word practised to a score of 1 is known: no longer offered.
    QVERIFY(profiletest::runOnFile(
        m_profile->databasePath(),
        {QStringLiteral("UPDATE KnowledgeUnits SET score = 1 WHERE simplified = '北京'")}));
    paste(QStringLiteral("北京很大。"));
    uitest::whenModal(addInto(deck, &listed));
    m_screen->addUnknownWords();
    QCOMPARE(listed, 2);
}

void TestReaderWidget::badInputLeavesTheTextAsItWas_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("size");

    QTest::newRow("empty") << QByteArray() << qint64(0);
    QTest::newRow("binary") << QByteArray("\x7f"
                                          "ELF\x02\x01\x01\0\0\0",
                                          10)
                            << qint64(0);
    QTest::newRow("undecodable") << QByteArray("abc \x80\x80\x80 def") << qint64(0);
    QTest::newRow("over 10 MB") << QByteArray("你好") << qint64(11 * 1024 * 1024);
}

void TestReaderWidget::badInputLeavesTheTextAsItWas()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, size);
    paste(Plain);
    const QString path = m_folder.filePath(QStringLiteral("bad.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    if (size)
        QVERIFY(file.resize(size));
    file.close();

    QString told;
    uitest::whenModal([&told](QWidget* box) {
        told = uitest::messageBoxText(box);
        QVERIFY(uitest::clickMessageBoxButton(box, QStringLiteral("OK")));
    });
    QVERIFY(!m_screen->openFile(path));
    QVERIFY2(told.startsWith(QStringLiteral("The file ")), qPrintable(told));
    QCOMPARE(m_screen->document().text(), Plain);
    QCOMPARE(words(m_screen->document()), QStringLiteral("我 明天 要 去 北京 看 朋友 。"));
}

void TestReaderWidget::longTextsAreLaidOutAsTheyComeIntoView()
{
    QString text;
    while (text.size() < 100000)
        text += Plain + (text.size() % 7 == 0 ? QStringLiteral("\n") : QString());
    paste(text);
    ReaderTextView* view = m_screen->textView();
    const int segments = m_screen->document().segmentCount();
    QVERIFY(segments > 50000);
    QVERIFY2(view->laidOutLineCount() < 100, qPrintable(QString::number(view->laidOutLineCount())));
    view->scrollToSegment(segments / 2);
    QVERIFY(view->topSegment() <= segments / 2);
    QVERIFY(!view->segmentRect(segments / 2).isEmpty());
}

void TestReaderWidget::theReaderReopensWhereItWasLeft()
{
    QString text;
    for (int i = 0; i < 300; ++i)
        text += Plain + QStringLiteral("\n");
    paste(text);
    ReaderTextView* view = m_screen->textView();
    const int far = segmentOf(m_screen->document(), QStringLiteral("北京"), 2000);
    view->scrollToSegment(far);
    click(far);
    QTest::mouseClick(m_screen->findChild<QPushButton*>(QStringLiteral("readerSplitButton")),
                      Qt::LeftButton);
    const qsizetype position = m_screen->document().segment(view->topSegment()).start;
    QVERIFY(position > 0);
    const QString edits = m_screen->document().editsText();
    QVERIFY(!edits.isEmpty());
    m_screen.reset();
    QVERIFY(m_profile->saveSettings());

    // A new screen, as the next start of the program makes it.
    m_screen = std::make_unique<ReaderWidget>(m_dictionary.get(), m_profile.get());
    m_screen->resize(1000, 700);
    QSignalSpy shown(m_screen.get(), &ReaderWidget::textShown);
    // Shown at once, as the main window shows it: the word table starts loading meanwhile.
    m_screen->show();
    QVERIFY(shown.wait(30000));
    QCOMPARE(m_screen->document().text(), text);
    QCOMPARE(m_screen->document().editsText(), edits);
    QCOMPARE(m_screen->document().segmentText(far), QStringLiteral("北"));
    QCOMPARE(m_screen->document().segment(m_screen->textView()->topSegment()).start, position);
    QCOMPARE(profiletest::scalarOnFile(m_profile->databasePath(),
                                       QStringLiteral("SELECT count(*) FROM UserSettings WHERE "
                                                      "settingName LIKE 'reader.%'"))
                 .toInt(),
             3);
}

int main(int argc, char* argv[])
{
    DictionaryWidget::prepareWebEngine();
    QApplication application(argc, argv);
    TestReaderWidget test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_readerwidget.moc"
