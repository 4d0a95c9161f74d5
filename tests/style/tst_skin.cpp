#include "style/deckmanageractionbar.h"
#include "style/dictionaryactionbar.h"
#include "style/practiceactionbar.h"
#include "style/style.h"
#include "style/xqpushbutton.h"

#include <QDir>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QtTest>

using namespace korvo;

namespace {

const QString skinFolder = QStringLiteral(QUILLET_DATA_DIR "/skins/default");

// A plain widget that tiles a skin image over itself, standing in for the window and the
// navigation bar in the showcase.
class TiledBackground : public QWidget
{
public:
    TiledBackground(const QString& image, const QString& highlight, QWidget* parent = nullptr)
        : QWidget(parent), m_tile(Style::skinPixmap(image)),
          m_highlight(highlight.isEmpty() ? QPixmap() : Style::skinPixmap(highlight))
    {
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.drawTiledPixmap(rect(), m_tile);
        if (!m_highlight.isNull())
            painter.drawPixmap(width() / 2 -
                                   m_highlight.deviceIndependentSize().toSize().width() / 2,
                               0, m_highlight);
    }

private:
    QPixmap m_tile;
    QPixmap m_highlight;
};

XQPushButton* makeButton(QWidget* parent, const QString& name, const QString& text)
{
    auto* button = new XQPushButton(parent);
    button->setObjectName(name);
    button->setStyleName(name);
    button->setText(text);
    button->resize(button->sizeHint());
    return button;
}

} // namespace

class TestSkin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void everySectionTheProgramAsksForExists_data();
    void everySectionTheProgramAsksForExists();
    void everyNamedImageExistsAtBothDensities();
    void editableSectionsDefineWhatTheyOffer();
    void buttonsFitTheirBars();
    void showcaseOfButtons();
};

void TestSkin::initTestCase()
{
    QVERIFY2(QFile::exists(skinFolder + "/style.json"), "build the data targets first");
    Style::destroyRoot();
    Style::setSkinFolder(skinFolder);
    QVERIFY(!Style::root()->isEmpty());
}

void TestSkin::cleanupTestCase()
{
    Style::destroyRoot();
}

void TestSkin::everySectionTheProgramAsksForExists_data()
{
    QTest::addColumn<QString>("section");
    const QStringList names = {"Application",
                               "ActionBar",
                               "ActionBarLabel",
                               "NavigationBar",
                               "Card",
                               "deckManagerActionBar",
                               "practiceActionBar",
                               "dictionaryActionBar",
                               "practiceButton",
                               "manageButton",
                               "dictionaryButton",
                               "readerButton",
                               "statisticsButton",
                               "optionButton",
                               "helpButton",
                               "newDeckButton",
                               "deleteDeckButton",
                               "printDeckButton",
                               "newCardButton",
                               "strokeAnimationButton",
                               "cardPropertiesButton",
                               "deleteCardButton",
                               "listenButton",
                               "sessionButton",
                               "searchDictionaryButton",
                               "flipButton",
                               "correctButton",
                               "wrongButton",
                               "mcqRadioButton",
                               "mcqRadioButtonA",
                               "mcqRadioButtonB",
                               "mcqRadioButtonC",
                               "mcqNextButton",
                               "tiAnswerLabel",
                               "tiOkButton",
                               "mcqResultLabelCorrect",
                               "mcqResultLabelWrong",
                               "dictionaryPreviousButton",
                               "dictionaryNextButton",
                               "StatisticsFigure",
                               "StatisticsCaption",
                               "StatisticsChartTitle",
                               "StatisticsDeckTree",
                               "StatisticsCardList",
                               "StatisticsRangeButton",
                               "StatisticsExportButton",
                               "practiseHardestButton",
                               "answersChart",
                               "dueChart",
                               "hoursChart",
                               "decksChart"};
    for (const QString& name : names)
        QTest::newRow(qPrintable(name)) << name;
}

void TestSkin::everySectionTheProgramAsksForExists()
{
    QFETCH(QString, section);
    QVERIFY(!Style::root()->section(section)->isEmpty());
}

void TestSkin::everyNamedImageExistsAtBothDensities()
{
    QStringList images = {
        "CardWoodBackground.png",     "CardBackground.png", "NavigationBarBackground.png",
        "NavigationBarHighlight.png", "DeckIcon.png",       "FolderIcon.png"};
    const QVariantMap sections = Style::root()->data().toMap();
    for (auto s = sections.cbegin(); s != sections.cend(); ++s) {
        const QVariantMap properties = s.value().toMap();
        for (auto p = properties.cbegin(); p != properties.cend(); ++p) {
            if (p.key().startsWith("backgroundImage") || p.key() == "icon")
                images.append(p.value().toString());
        }
    }
    images.removeDuplicates();
    for (const QString& name : qAsConst(images)) {
        const QImage normal(skinFolder + "/" + name);
        QVERIFY2(!normal.isNull(), qPrintable(name));
        QString dense = name;
        dense.insert(dense.lastIndexOf('.'), "@2x");
        const QImage twice(skinFolder + "/" + dense);
        QVERIFY2(!twice.isNull(), qPrintable(dense));
        QCOMPARE(twice.size(), normal.size() * 2);
    }
    // The card face is a square that the card painter scales into the face square.
    const QImage face(skinFolder + "/CardBackground.png");
    QCOMPARE(face.width(), face.height());
    QCOMPARE(QImage(skinFolder + "/CardWoodBackground.png").width(), 420);
}

void TestSkin::editableSectionsDefineWhatTheyOffer()
{
    // Overrides only replace properties a section defines itself, so every property that a
    // section offers for editing must be defined right there.
    const QVariantMap sections = Style::root()->data().toMap();
    int editable = 0;
    for (auto s = sections.cbegin(); s != sections.cend(); ++s) {
        const QVariantMap properties = s.value().toMap();
        if (!properties.contains("editable"))
            continue;
        ++editable;
        QVERIFY2(properties.contains("title"), qPrintable(s.key()));
        for (const QString& key : properties.value("editable").toString().split(','))
            QVERIFY2(properties.contains(key.trimmed()), qPrintable(s.key() + "." + key));
    }
    QVERIFY(editable >= 3);
    QVERIFY(sections.value("Card").toMap().contains("editable"));
    QVERIFY(Style::cardStyle()->colorValue("selectionColor").isValid());
}

void TestSkin::buttonsFitTheirBars()
{
    DeckManagerActionBar bar;
    QCOMPARE(bar.height(), Style::root()->section("ActionBar")->intValue("height"));
    for (ActionBarButton* button : bar.buttons()) {
        QVERIFY2(button->icon() && !button->icon()->isNull(), qPrintable(button->objectName()));
        QVERIFY(button->effectiveHeight() <= bar.height());
        QVERIFY(!button->toolTip().isEmpty());
    }
    DictionaryActionBar dictionary;
    QCOMPARE(dictionary.button("dictionaryNextButton")->size(), QSize(100, 32));
    QCOMPARE(dictionary.button("dictionaryPreviousButton")->text(), QString("Back"));
    PracticeActionBar practice;
    QCOMPARE(practice.button("sessionButton")->text(), QString("New Session"));
    QCOMPARE(practice.button("listenButton")->toolTip(), QString("Listen to this card (L)"));
}

void TestSkin::showcaseOfButtons()
{
    TiledBackground window("ApplicationBackground.png", QString());
    window.resize(760, 400);

    auto* navigation =
        new TiledBackground("NavigationBarBackground.png", "NavigationBarHighlight.png", &window);
    navigation->setGeometry(0, 0, 760, 73);
    const QStringList tabs = {"practiceButton", "manageButton", "dictionaryButton"};
    const QStringList tabTexts = {"Practice", "Manage Cards", "Dictionary"};
    int x = 14;
    for (int i = 0; i < tabs.size(); ++i) {
        XQPushButton* tab = makeButton(navigation, tabs.at(i), tabTexts.at(i));
        tab->setCheckable(true);
        tab->setChecked(i == 0);
        tab->move(x, (73 - tab->height() - 4) / 2);
        x += tab->width() + 4;
    }
    XQPushButton* help = makeButton(navigation, "helpButton", "Help");
    help->move(760 - 14 - help->width(), (73 - help->height() - 4) / 2);
    XQPushButton* options = makeButton(navigation, "optionButton", "Options");
    options->move(help->x() - 4 - options->width(), help->y());

    // Self-assessment row.
    QList<XQPushButton*> row = {makeButton(&window, "flipButton", "Flip"),
                                makeButton(&window, "correctButton", "Correct"),
                                makeButton(&window, "wrongButton", "Wrong")};
    int rowWidth = 0;
    for (XQPushButton* b : row)
        rowWidth += b->width();
    x = (760 - rowWidth - 2 * 50) / 2;
    for (XQPushButton* b : row) {
        b->move(x, 100);
        x += b->width() + 50;
    }

    // Multiple-choice options, the first one answered wrongly, the second right.
    const QStringList answers = {"nǐ hǎo", "xiè xie", "zài jiàn"};
    for (int i = 0; i < 3; ++i) {
        XQPushButton* option =
            makeButton(&window, "mcqRadioButton" + QString(QChar('A' + i)), QString());
        if (i == 1) {
            option->setColoredText({"xiè ", "xie"}, {QColor(0, 0, 255), QColor(60, 60, 60)});
        } else {
            option->setText(answers.at(i));
        }
        option->resize(option->sizeHint());
        option->move(40, 162 + i * 50);
        option->setOpacity(i == 1 ? 1.0 : 0.3);
    }
    XQPushButton* next = makeButton(&window, "mcqNextButton", "Next >>");
    next->move(300, 212);
    auto* result = new QLabel("Correct!", &window);
    Style::root()->section("mcqResultLabelCorrect")->applyToWidget(result);
    result->adjustSize();
    result->move(300, 175);
    XQPushButton* ok = makeButton(&window, "tiOkButton", "Confirm");
    ok->move(440, 212);
    XQPushButton* session = makeButton(&window, "sessionButton", "New Session");
    session->move(580, 212);
    XQPushButton* back = makeButton(&window, "dictionaryPreviousButton", "Back");
    back->setAutoResize(false);
    back->move(540, 164);
    XQPushButton* forward = makeButton(&window, "dictionaryNextButton", "Next");
    forward->setAutoResize(false);
    forward->move(back->x() + back->width() + 8, 164);

    auto* bar = new DeckManagerActionBar(&window);
    bar->setGeometry(0, 400 - bar->height(), 760, bar->height());
    const int buttonHeight = bar->buttons().first()->effectiveHeight();
    bar->layoutButtons(10, bar->height() - buttonHeight, 5, 1);
    bar->layoutButtons(200, bar->height() - buttonHeight, 5, 2);
    bar->button("deleteDeckButton")->setEnabled(false);
    bar->label()->setText("Cards: 150");
    bar->label()->adjustSize();
    bar->label()->move(760 - 14 - bar->label()->width(),
                       (bar->height() - bar->label()->height()) / 2);

    window.show();
    const QImage shot = window.grab().toImage();
    QCOMPARE(shot.deviceIndependentSize().toSize(), QSize(760, 400));
    const qreal ratio = shot.devicePixelRatio();
    // The selected tab shows its highlight bar; the action bar shows its light gradient.
    const QColor barColor = shot.pixelColor(150 * ratio, (400 - 20) * ratio);
    QVERIFY(barColor.red() > 200 && barColor.red() > barColor.blue());

    const QString folder = QStringLiteral(QUILLET_DATA_DIR "/../screenshots");
    QDir().mkpath(folder);
    QVERIFY(shot.save(folder + (ratio > 1 ? "/buttons@2x.png" : "/buttons.png")));
}

QTEST_MAIN(TestSkin)
#include "tst_skin.moc"
