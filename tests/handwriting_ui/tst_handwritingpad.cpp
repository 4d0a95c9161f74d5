#include "dictionary/dictionary.h"
#include "dictionary_ui/dictionarywidget.h"
#include "handwriting_ui/handwritingcanvas.h"
#include "handwriting_ui/handwritingpad.h"
#include "handwritingtestsupport.h"
#include "profile/profile.h"
#include "profiletestsupport.h"
#include "text/pinyin.h"
#include "ui/editcarddialog.h"
#include "uitestsupport.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPointingDevice>
#include <QPushButton>
#include <QTabletEvent>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using namespace korvo;
using handwritingtest::Strokes;

// The drawing pad as a learner uses it, in the dictionary screen and in the card editor: the pad
// button opens it, strokes drawn with the mouse (or a pen, or a finger) bring candidates, a click
// or a digit inserts one at the cursor. One dictionary screen (and web engine) serves every case.
class TestHandwritingPad : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void drawnCharacterIsFoundFirstAndInserted_data();
    void drawnCharacterIsFoundFirstAndInserted();
    void undoClearAndEscape();
    void penAndTouchDrawToo_data();
    void penAndTouchDrawToo();

private:
    QLineEdit* edit(const QString& where);
    HandwritingPad* openPad(QLineEdit* edit);
    // The character's medians placed on the pad's canvas.
    Strokes strokesOn(HandwritingCanvas* canvas, const QString& character);
    void drawWithMouse(HandwritingCanvas* canvas, const Strokes& strokes);

    QTemporaryDir m_folder;
    std::unique_ptr<Dictionary> m_dictionary;
    std::unique_ptr<Profile> m_profile;
    std::unique_ptr<uitest::TestServices> m_services;
    std::unique_ptr<DictionaryWidget> m_screen;
    std::unique_ptr<EditCardDialog> m_editor;
};

void TestHandwritingPad::initTestCase()
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
    m_screen = std::make_unique<DictionaryWidget>(m_dictionary.get(), m_profile.get());
    m_screen->resize(900, 600);
    m_screen->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_screen.get()));
    m_editor = std::make_unique<EditCardDialog>();
    m_editor->setCard(nullptr, -1);
    m_editor->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_editor.get()));
}

void TestHandwritingPad::cleanupTestCase()
{
    m_editor.reset();
    m_screen.reset();
    m_services.reset();
    m_profile.reset();
    m_dictionary.reset();
}

QLineEdit* TestHandwritingPad::edit(const QString& where)
{
    if (where == QLatin1String("dictionary"))
        return m_screen->searchTextInput();
    return m_editor->findChild<QLineEdit*>(where);
}

HandwritingPad* TestHandwritingPad::openPad(QLineEdit* edit)
{
    HandwritingPad* pad = HandwritingPad::of(edit);
    if (!pad)
        return nullptr;
    // The pad button sits at the end of the line edit.
    QToolButton* button = nullptr;
    for (QObject* object : pad->padAction()->associatedObjects())
        button = button ? button : qobject_cast<QToolButton*>(object);
    if (!button || !button->isVisible())
        return nullptr;
    if (!pad->isVisible())
        QTest::mouseClick(button, Qt::LeftButton);
    return pad->isVisible() ? pad : nullptr;
}

Strokes TestHandwritingPad::strokesOn(HandwritingCanvas* canvas, const QString& character)
{
    const QRectF box = QRectF(canvas->rect()).adjusted(10, 10, -10, -10);
    return handwritingtest::placed(handwritingtest::medians(character), box);
}

void TestHandwritingPad::drawWithMouse(HandwritingCanvas* canvas, const Strokes& strokes)
{
    for (const QVector<QPointF>& stroke : strokes) {
        QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, stroke.first().toPoint());
        for (int i = 1; i < stroke.size(); ++i) {
            // Pointer events every few pixels along each piece, as a hand moves.
            const QPointF a = stroke.at(i - 1), b = stroke.at(i);
            const int steps = std::max(1, int(QLineF(a, b).length() / 4));
            for (int s = 1; s <= steps; ++s)
                QTest::mouseMove(canvas, (a + (b - a) * (double(s) / steps)).toPoint());
        }
        QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, stroke.last().toPoint());
    }
}

void TestHandwritingPad::drawnCharacterIsFoundFirstAndInserted_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("characterMode");
    QTest::addColumn<QString>("character");
    QTest::addColumn<bool>("byDigit");

    QTest::newRow("dictionary, click") << "dictionary"
                                       << "simplified"
                                       << "永" << false;
    QTest::newRow("dictionary, traditional, digit") << "dictionary"
                                                    << "traditional"
                                                    << "學" << true;
    QTest::newRow("card editor, simplified, click") << "simplifiedTE"
                                                    << "simplified"
                                                    << "你" << false;
    QTest::newRow("card editor, traditional, digit") << "traditionalTE"
                                                     << "simplified"
                                                     << "國" << true;
}

void TestHandwritingPad::drawnCharacterIsFoundFirstAndInserted()
{
    QFETCH(QString, where);
    QFETCH(QString, characterMode);
    QFETCH(QString, character);
    QFETCH(bool, byDigit);
    m_profile->setSetting(QStringLiteral("characterMode"), characterMode);
    QLineEdit* line = edit(where);
    QVERIFY(line);
    line->setText(QStringLiteral("ab"));
    line->setCursorPosition(1);
    HandwritingPad* pad = openPad(line);
    QVERIFY(pad);
    QVERIFY(pad->candidates().isEmpty());
    // The pad opens under its line edit.
    QVERIFY(pad->geometry().top() >= line->mapToGlobal(QPoint(0, line->height())).y() - 1);

    drawWithMouse(pad->canvas(), strokesOn(pad->canvas(), character));
    QCOMPARE(pad->canvas()->drawing().strokeCount(), handwritingtest::medians(character).size());
    QCOMPARE(pad->candidates().value(0), character);
    QCOMPARE(pad->candidates().size(), 10);

    if (byDigit)
        QTest::keyClick(pad, Qt::Key_1);
    else
        QTest::mouseClick(pad->candidateButtons().first(), Qt::LeftButton);
    QCOMPARE(line->text(), QStringLiteral("a") + character + QStringLiteral("b"));
    QCOMPARE(line->cursorPosition(), 2);
    // Cleared for the next character, still open.
    QVERIFY(pad->canvas()->drawing().isEmpty());
    QVERIFY(pad->candidates().isEmpty());
    QVERIFY(pad->isVisible());
    QTest::keyClick(pad, Qt::Key_Escape);
    QVERIFY(!pad->isVisible());
}

void TestHandwritingPad::undoClearAndEscape()
{
    QLineEdit* line = edit(QStringLiteral("dictionary"));
    line->clear();
    HandwritingPad* pad = openPad(line);
    QVERIFY(pad);
    const Strokes strokes = strokesOn(pad->canvas(), QStringLiteral("永"));
    drawWithMouse(pad->canvas(), strokes.mid(0, 2));
    const QStringList afterTwo = pad->candidates();
    drawWithMouse(pad->canvas(), strokes.mid(2, 1));
    QVERIFY(pad->candidates() != afterTwo);

    QTest::mouseClick(pad->findChild<QPushButton*>(QStringLiteral("handwritingUndoButton")),
                      Qt::LeftButton);
    QCOMPARE(pad->canvas()->drawing().strokeCount(), 2);
    QCOMPARE(pad->candidates(), afterTwo);

    QTest::mouseClick(pad->findChild<QPushButton*>(QStringLiteral("handwritingClearButton")),
                      Qt::LeftButton);
    QVERIFY(pad->canvas()->drawing().isEmpty());
    QVERIFY(pad->candidates().isEmpty());
    // A digit with no candidates inserts nothing.
    QTest::keyClick(pad, Qt::Key_3);
    QCOMPARE(line->text(), QString());

    QTest::keyClick(pad, Qt::Key_Escape);
    QVERIFY(!pad->isVisible());
    QVERIFY(line->hasFocus() || QApplication::focusWidget() == line ||
            line->window()->focusWidget() == line);
}

void TestHandwritingPad::penAndTouchDrawToo_data()
{
    QTest::addColumn<bool>("touch");
    QTest::newRow("pen") << false;
    QTest::newRow("finger") << true;
}

void TestHandwritingPad::penAndTouchDrawToo()
{
    QFETCH(bool, touch);
    QLineEdit* line = edit(QStringLiteral("simplifiedTE"));
    line->clear();
    HandwritingPad* pad = openPad(line);
    QVERIFY(pad);
    HandwritingCanvas* canvas = pad->canvas();
    const Strokes strokes = strokesOn(canvas, QStringLiteral("人"));
    static QPointingDevice* screen = QTest::createTouchDevice();
    const QPointingDevice* pen = QPointingDevice::primaryPointingDevice();
    for (const QVector<QPointF>& stroke : strokes) {
        for (int i = 0; i < stroke.size(); ++i) {
            const QPoint p = stroke.at(i).toPoint();
            if (touch) {
                auto sequence = QTest::touchEvent(canvas, screen);
                if (i == 0)
                    sequence.press(0, p, canvas);
                else if (i + 1 < stroke.size())
                    sequence.move(0, p, canvas);
                else
                    sequence.release(0, p, canvas);
            } else {
                const QEvent::Type type = i == 0                  ? QEvent::TabletPress
                                          : i + 1 < stroke.size() ? QEvent::TabletMove
                                                                  : QEvent::TabletRelease;
                QTabletEvent event(type, pen, QPointF(p), canvas->mapToGlobal(QPointF(p)), 0.5, 0,
                                   0, 0, 0, 0, Qt::NoModifier,
                                   type == QEvent::TabletRelease ? Qt::NoButton : Qt::LeftButton,
                                   Qt::LeftButton);
                QApplication::sendEvent(canvas, &event);
            }
        }
    }
    QCOMPARE(canvas->drawing().strokeCount(), 2);
    QCOMPARE(pad->candidates().value(0), QStringLiteral("人"));
    QTest::keyClick(pad, Qt::Key_1);
    QCOMPARE(line->text(), QStringLiteral("人"));
    QTest::keyClick(pad, Qt::Key_Escape);
}

int main(int argc, char* argv[])
{
    DictionaryWidget::prepareWebEngine();
    QApplication application(argc, argv);
    TestHandwritingPad test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_handwritingpad.moc"
