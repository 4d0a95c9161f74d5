// Takes the import preview's screenshot from the built data, on a temporary profile made from
// the shipped template:
//   import-preview.png   the preview of an Anki package with three fields, before importing
//
// Usage: quillet_screenshot_import <output folder>   (data is found beside the program)

#include "dictionary/dictionary.h"
#include "importing/importfilereader.h"
#include "importing_ui/importdialog.h"
#include "profile/profile.h"
#include "style/style.h"
#include "text/pinyin.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <cstdio>

using namespace korvo;

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    const QString output = QString::fromLocal8Bit(argv[1]);
    const QString dataFolder = QCoreApplication::applicationDirPath() + QStringLiteral("/data");
    QDir().mkpath(output);
    initPinyinTables();
    Style::setSkinFolder(dataFolder + QStringLiteral("/skins/default"));

    QTemporaryDir profileFolder;
    Profile profile(profileFolder.path(), dataFolder + QStringLiteral("/Profile.default.db"));
    profile.openDatabase();
    profile.upgradeDatabase();
    profile.loadDecks();
    for (const QString& family :
         {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("AR PL UKai CN")}) {
        if (QFontDatabase::families().contains(family)) {
            profile.setSetting(QStringLiteral("chineseFont"), family);
            break;
        }
    }
    Dictionary dictionary;
    if (!dictionary.open(dataFolder + QStringLiteral("/Dictionary.db"))) {
        std::fprintf(stderr, "No dictionary in %s\n", qPrintable(dataFolder));
        return 1;
    }
    const ImportedFile file = ImportFileReader::read(
        QStringLiteral(QUILLET_SOURCE_DIR "/tests/importing/fixtures/vocabulary.apkg"));
    if (!file.isValid()) {
        std::fprintf(stderr, "%s\n", qPrintable(file.error));
        return 1;
    }
    ImportDialog dialog(&profile, &dictionary, &file, nullptr);
    dialog.resize(720, 640);
    dialog.show();
    QTest::qWait(300);
    const QString path = output + QStringLiteral("/import-preview.png");
    const QPixmap pixmap = dialog.grab();
    if (!pixmap.save(path)) {
        std::fprintf(stderr, "Could not write %s\n", qPrintable(path));
        return 1;
    }
    QTextStream(stdout) << "Wrote " << path << " (" << pixmap.width() << " x " << pixmap.height()
                        << ")\n";
    return 0;
}
