// Takes the practice screenshots from the built data, on a temporary profile made from the
// shipped template (and @2x copies):
//   session-dialog.png            the set-up dialog, HSK 1 chosen for multiple-choice questions
//   practice-multiple-choice.png  a multiple-choice question on HSK 1 with tone-coloured pinyin
//   practice-type-in.png          a type-in question answered correctly
//   practice-self-assessment.png  a flipped card in its fan, two cards into a session
//
// Usage: quillet_screenshot_practice <output folder>   (data is found beside the program)

#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "practice/practicewidget.h"
#include "practice/session.h"
#include "practice/sessiondialog.h"
#include "practicetestsupport.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/profile.h"
#include "style/practiceactionbar.h"
#include "style/style.h"
#include "text/pinyin.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include <cstdio>

using namespace korvo;

namespace {

QString firstInstalledFamily(const QStringList& candidates)
{
    const QStringList families = QFontDatabase::families();
    for (const QString& family : candidates) {
        if (families.contains(family))
            return family;
    }
    return QString();
}

void settle(int milliseconds = 300)
{
    QTest::qWait(milliseconds);
}

// The widget at its own size and at twice the density.
bool save(QWidget* widget, const QString& folder, const QString& name)
{
    bool ok = true;
    for (int scale : {1, 2}) {
        QPixmap pixmap(widget->size() * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::white);
        widget->render(&pixmap);
        const QString path = folder + QLatin1Char('/') + name +
                             (scale == 2 ? QStringLiteral("@2x") : QString()) +
                             QStringLiteral(".png");
        if (!pixmap.save(path)) {
            std::fprintf(stderr, "Could not write %s\n", qPrintable(path));
            ok = false;
            continue;
        }
        QTextStream(stdout) << "Wrote " << path << " (" << pixmap.width() << " x "
                            << pixmap.height() << ")\n";
    }
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    const QString output = QString::fromLocal8Bit(argv[1]);
    const QString dataFolder = QCoreApplication::applicationDirPath() + QStringLiteral("/data");
    qputenv("QUILLET_DATA_DIR", dataFolder.toLocal8Bit());
    QDir().mkpath(output);

    initPinyinTables();
    Style::setSkinFolder(dataFolder + QStringLiteral("/skins/default"));

    QTemporaryDir profileFolder;
    Profile profile(profileFolder.path(), dataFolder + QStringLiteral("/Profile.default.db"));
    profile.openDatabase();
    profile.upgradeDatabase();
    profile.loadDecks();
    profile.setSetting(QStringLiteral("chineseFont"),
                       firstInstalledFamily(
                           {QStringLiteral("AR PL UKai CN"), QStringLiteral("Noto Sans CJK SC")}));
    profile.setSetting(QStringLiteral("playAudioOnRevealCard"), false);
    Dictionary dictionary;
    if (!dictionary.open(dataFolder + QStringLiteral("/Dictionary.db"))) {
        std::fprintf(stderr, "No dictionary in %s\n", qPrintable(dataFolder));
        return 1;
    }
    Deck* hsk1 = practicetest::builtInDeck(&profile, QStringLiteral("{HSK_1}"));
    if (!hsk1) {
        std::fprintf(stderr, "The profile template has no HSK 1 deck\n");
        return 1;
    }

    Session session(&profile);
    practicetest::PracticeServices services(&profile, &dictionary, &session);
    // The window around the screen, painted with the skin's background as the main window is.
    QWidget* window = services.mainWindow();
    window->setWindowTitle(QStringLiteral("Quillet"));
    QPalette palette = window->palette();
    palette.setBrush(QPalette::Window,
                     QBrush(Style::skinPixmap(QStringLiteral("ApplicationBackground.png"))));
    window->setPalette(palette);
    window->setAutoFillBackground(true);
    auto* screen = new PracticeWidget(&session, window);
    window->resize(1024, 695);
    screen->resize(1024, 695);
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        return 1;
    settle();

    bool ok = true;
    auto fail = [&](const char* what) {
        std::fprintf(stderr, "Could not %s\n", what);
        ok = false;
    };

    // The set-up dialog, HSK 1 and multiple choice on pinyin chosen.
    QTest::mouseClick(screen->actionBar()->button(QStringLiteral("sessionButton")), Qt::LeftButton);
    SessionDialog* dialog = services.sessionDialog();
    if (!dialog || !practicetest::waitUntilFilled(dialog))
        return 1;
    practicetest::clickIndicator(dialog->findChild<QAbstractButton*>("typeMcqRB"));
    practicetest::clickIndicator(dialog->findChild<QAbstractButton*>("quizOnPinyinRB"));
    settle();
    ok = save(dialog, output, QStringLiteral("session-dialog")) && ok;

    // A multiple-choice question on pinyin, the options coloured by tone.
    QTest::mouseClick(dialog->findChild<QAbstractButton*>("startButton"), Qt::LeftButton);
    window->activateWindow();
    settle();
    if (!screen->currentCard())
        fail("start the multiple-choice session");
    // A few questions on, at a word of two syllables: the piles on both sides, and more tones.
    for (int question = 0; question < 40 && screen->currentCard(); ++question) {
        if (question >= 3 &&
            splitSyllables(screen->currentCard()->knowledgeUnit()->pinyin()).size() == 2)
            break;
        QTest::keyClick(screen, Qt::Key_A);
        settle(50);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        settle(50);
    }
    settle();
    ok = save(window, output, QStringLiteral("practice-multiple-choice")) && ok;

    // A type-in question on the pinyin, answered correctly with tone numbers.
    practicetest::SetUp typeIn;
    typeIn.deckIds = {hsk1->id()};
    typeIn.type = QStringLiteral("typeWriteRB");
    typeIn.quizOn = QStringLiteral("pinyin");
    if (!practicetest::startSession(screen, &services, typeIn))
        fail("start the type-in session");
    window->activateWindow();
    settle();
    auto* answerBox = screen->findChild<QLineEdit*>(QStringLiteral("tiAnswerTextBox"));
    if (screen->currentCard() && answerBox) {
        QTest::keyClicks(answerBox, screen->currentCard()->knowledgeUnit()->pinyin());
        QTest::keyClick(answerBox, Qt::Key_Return);
    } else {
        fail("answer the type-in question");
    }
    settle();
    ok = save(window, output, QStringLiteral("practice-type-in")) && ok;

    // Self-assessment: two cards answered, the third turned over.
    practicetest::SetUp selfAssessment;
    selfAssessment.deckIds = {hsk1->id()};
    selfAssessment.type = QStringLiteral("typeFreeRB");
    if (!practicetest::startSession(screen, &services, selfAssessment))
        fail("start the self-assessment session");
    window->activateWindow();
    settle();
    for (Qt::Key key : {Qt::Key_C, Qt::Key_W, Qt::Key_F}) {
        QTest::keyClick(screen, key);
        settle(100);
    }
    settle();
    ok = save(window, output, QStringLiteral("practice-self-assessment")) && ok;
    return ok ? 0 : 1;
}
