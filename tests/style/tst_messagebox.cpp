#include "style/messagebox.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace korvo;

namespace {

// Clicks the button labelled `label` of the next modal box once it is shown, and records what
// the box looked like.
struct BoxObserver
{
    QString label;
    QString title;
    QRect geometry;
    QList<QPushButton*> buttons;
    QMap<QString, QSize> buttonSizes;
    bool found = false;

    void arm()
    {
        QTimer::singleShot(0, [this] { poll(); });
    }
    void poll()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            QTimer::singleShot(10, [this] { poll(); });
            return;
        }
        title = box->windowTitle();
        geometry = box->frameGeometry();
        for (QAbstractButton* b : box->buttons()) {
            auto* push = qobject_cast<QPushButton*>(b);
            buttonSizes.insert(b->text(), b->size());
            if (push && b->text() == label) {
                found = true;
                push->click();
                return;
            }
        }
        box->reject();
    }
};

} // namespace

class TestMessageBox : public QObject
{
    Q_OBJECT

private slots:
    void resultCodeFollowsRole_data();
    void resultCodeFollowsRole();
    void labelsExpandButtonCodes();
    void buttonsAreSizedUniformly();
    void emptyTitleUsesKindTitle_data();
    void emptyTitleUsesKindTitle();
    void boxIsCentredOverMainWindow();
};

void TestMessageBox::resultCodeFollowsRole_data()
{
    QTest::addColumn<QString>("buttons");
    QTest::addColumn<QString>("click");
    QTest::addColumn<int>("expected");

    QTest::newRow("ok") << "ok"
                        << "OK" << 1024;
    QTest::newRow("okCancel ok") << "okCancel"
                                 << "OK" << 1024;
    QTest::newRow("okCancel cancel") << "okCancel"
                                     << "Cancel" << 4194304;
    QTest::newRow("yesNo yes") << "yesNo"
                               << "Yes" << 16384;
    QTest::newRow("yesNo no") << "yesNo"
                              << "No" << 6;
    QTest::newRow("yesNoCancel yes") << "yesNoCancel"
                                     << "Yes" << 16384;
    QTest::newRow("yesNoCancel no") << "yesNoCancel"
                                    << "No" << 6;
    QTest::newRow("yesNoCancel cancel") << "yesNoCancel"
                                        << "Cancel" << 4194304;
    QTest::newRow("own first") << "Download|Cancel"
                               << "Download" << 0;
    QTest::newRow("own cancel") << "Download|Cancel"
                                << "Cancel" << 4194304;
    QTest::newRow("own second action") << "Close|Export all my decks"
                                       << "Export all my decks" << 1;
    QTest::newRow("exit rejects") << "Save|Exit"
                                  << "Exit" << 4194304;
    QTest::newRow("case ignored") << "yes|NO"
                                  << "NO" << 6;
    QTest::newRow("ok among own") << "Retry|ok"
                                  << "ok" << 1024;
}

void TestMessageBox::resultCodeFollowsRole()
{
    QFETCH(QString, buttons);
    QFETCH(QString, click);
    QFETCH(int, expected);
    BoxObserver observer;
    observer.label = click;
    observer.arm();
    const int result = messageBox("Text", "Title", buttons, MessageBoxKind::Confirmation);
    QVERIFY(observer.found);
    QCOMPARE(result, expected);
}

void TestMessageBox::labelsExpandButtonCodes()
{
    QCOMPARE(messageBoxLabels("yesNoCancel"), QStringList({"Yes", "No", "Cancel"}));
    QCOMPARE(messageBoxLabels("okCancel"), QStringList({"OK", "Cancel"}));
    QCOMPARE(messageBoxLabels("a|b|c"), QStringList({"a", "b", "c"}));
    QCOMPARE(messageBoxLabels("Okay"), QStringList({"Okay"}));
    QCOMPARE(messageBoxButtonRole("Okay"), QMessageBox::ActionRole);
    QCOMPARE(messageBoxButtonRole("cancel"), QMessageBox::RejectRole);
}

void TestMessageBox::buttonsAreSizedUniformly()
{
    const QString longLabel = "Export all my decks to a file on the desktop";
    std::unique_ptr<QMessageBox> box(
        createMessageBox("Text", QString(), "OK|" + longLabel, MessageBoxKind::Information));
    box->show();
    QCOMPARE(box->buttons().size(), 2);
    for (QAbstractButton* b : box->buttons()) {
        QCOMPARE(b->height(), 26);
        const int textWidth = QFontMetrics(b->font()).horizontalAdvance(b->text());
        QCOMPARE(b->width(), qMax(100, textWidth + 40));
        QCOMPARE(b->minimumWidth(), b->maximumWidth());
    }
    // The short label gets the minimum width, the long one its text width plus 40.
    QAbstractButton* ok =
        box->buttons().at(0)->text() == "OK" ? box->buttons().at(0) : box->buttons().at(1);
    QCOMPARE(ok->width(), 100);
    QCOMPARE(messageBoxResult(box.get(), nullptr), 4194304);
}

void TestMessageBox::emptyTitleUsesKindTitle_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("icon");
    QTest::newRow("information") << int(MessageBoxKind::Information) << "Information"
                                 << int(QMessageBox::Information);
    QTest::newRow("confirmation") << int(MessageBoxKind::Confirmation) << "Confirmation"
                                  << int(QMessageBox::Question);
    QTest::newRow("error") << int(MessageBoxKind::Error) << "Error" << int(QMessageBox::Critical);
    QTest::newRow("warning") << int(MessageBoxKind::Warning) << "Warning"
                             << int(QMessageBox::Warning);
}

void TestMessageBox::emptyTitleUsesKindTitle()
{
    QFETCH(int, kind);
    QFETCH(QString, title);
    QFETCH(int, icon);
    std::unique_ptr<QMessageBox> box(
        createMessageBox("Text", QString(), "ok", MessageBoxKind(kind)));
    QCOMPARE(box->windowTitle(), title);
    QCOMPARE(int(box->icon()), icon);
    std::unique_ptr<QMessageBox> titled(
        createMessageBox("Text", "Mine", "ok", MessageBoxKind(kind)));
    QCOMPARE(titled->windowTitle(), QString("Mine"));
}

void TestMessageBox::boxIsCentredOverMainWindow()
{
    QWidget window;
    window.setGeometry(200, 150, 900, 700);
    window.show();
    setMainWindow(&window);
    BoxObserver observer;
    observer.label = "OK";
    observer.arm();
    QCOMPARE(error("Something failed"), 1024);
    QCOMPARE(observer.title, QString("Error"));
    const QRect frame = window.frameGeometry();
    QCOMPARE(observer.geometry.x(), frame.x() + (frame.width() - observer.geometry.width()) / 2);
    QCOMPARE(observer.geometry.y(), frame.y() + (frame.height() - observer.geometry.height()) / 2);
    setMainWindow(nullptr);
}

QTEST_MAIN(TestMessageBox)
#include "tst_messagebox.moc"
