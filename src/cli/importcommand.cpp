#include "cli/importcommand.h"

#include "cli/commandline.h"
#include "dictionary/dictionary.h"
#include "importing/cardimport.h"
#include "importing/importfilereader.h"
#include "profile/profile.h"
#include "profile/profilelock.h"
#include "profile/profileschema.h"
#include "text/translationcatalogue.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <QVariantList>
#include <QVariantMap>

namespace korvo {

namespace {

QVariantMap summaryAsJson(const ImportSummary& summary, const QString& fileName, bool dryRun)
{
    QVariantList decks;
    for (const ImportSummary::DeckCount& deck : summary.decks) {
        QVariantMap map;
        map.insert(QStringLiteral("path"), deck.path);
        map.insert(QStringLiteral("cards"), deck.cards);
        map.insert(QStringLiteral("created"), deck.created);
        decks << map;
    }
    QVariantMap document;
    document.insert(QStringLiteral("file"), fileName);
    document.insert(QStringLiteral("dryRun"), dryRun);
    document.insert(QStringLiteral("stored"), summary.stored);
    document.insert(QStringLiteral("decks"), decks);
    document.insert(QStringLiteral("createdDecks"), summary.createdDecks);
    document.insert(QStringLiteral("createdFolders"), summary.createdFolders);
    document.insert(QStringLiteral("linkedCards"), summary.linkedCards);
    document.insert(QStringLiteral("userMadeCards"), summary.userMadeCards);
    document.insert(QStringLiteral("duplicates"), summary.duplicates);
    document.insert(QStringLiteral("withoutCharacters"), summary.withoutCharacters);
    return document;
}

void printSummary(const ImportSummary& summary, bool dryRun)
{
    QTextStream out(stdout);
    for (const ImportSummary::DeckCount& deck : summary.decks) {
        out << deck.path.join(QStringLiteral(" / ")) << '\t' << deck.cards << '\t'
            << (deck.created ? translate(QStringLiteral("new deck"))
                             : translate(QStringLiteral("existing deck")))
            << Qt::endl;
    }
    out << (dryRun ? translate(QStringLiteral("Dry run, nothing stored. Decks: %1 (new: %2). "
                                              "Cards linked to dictionary entries: %3. "
                                              "User-made entries: %4. Duplicates skipped: %5."))
                   : translate(QStringLiteral("Decks: %1 (new: %2). Cards linked to dictionary "
                                              "entries: %3. User-made entries: %4. Duplicates "
                                              "skipped: %5.")))
               .arg(summary.decks.size())
               .arg(summary.createdDecks)
               .arg(summary.linkedCards)
               .arg(summary.userMadeCards)
               .arg(summary.duplicates)
        << Qt::endl;
}

} // namespace

QString importUsage()
{
    return translate(QStringLiteral("usage: quillet-cli import [--profile FILE] [--folder TITLE] "
                                    "[--dry-run] [--json] FILE"));
}

int runImportCommand(const QStringList& arguments)
{
    CommandLine line(arguments, {QStringLiteral("json"), QStringLiteral("dry-run")},
                     {QStringLiteral("profile"), QStringLiteral("folder")});
    if (!line.isValid())
        return failWithUsage(line.error(), importUsage());
    if (line.words().size() != 1)
        return failWithUsage(translate(QStringLiteral("name one file to import")), importUsage());
    const QString fileName = line.words().first();
    const bool dryRun = line.flag(QStringLiteral("dry-run"));

    const QString profileFolder = profileFolderOption(line);
    if (profileFolder.isEmpty())
        return failWithUsage(translate(QStringLiteral("--profile names a file Profile.db or "
                                                      "its folder")),
                             importUsage());
    const QString profilePath = QDir(profileFolder).filePath(QStringLiteral("Profile.db"));
    ProfileLock lock(profileFolder);
    if (!lock.tryLock()) {
        return fail(translate(QStringLiteral("The profile in %1 is open in the program; close the "
                                             "program first."))
                        .arg(QDir::toNativeSeparators(profileFolder)),
                    CliFailed);
    }

    const ImportedFile file = ImportFileReader::read(fileName);
    if (!file.isValid())
        return fail(file.error, CliFailed);

    Dictionary dictionary;
    const QString dictionaryPath = defaultDataFile(QStringLiteral("Dictionary.db"));
    if (!openDictionaryQuietly(dictionary, dictionaryPath))
        return fail(translate(QStringLiteral("cannot read the dictionary %1")).arg(dictionaryPath),
                    CliFailed);

    // A profile the program could not use is not written to either (it would be replaced by an
    // empty one in memory, and the import reported as stored).
    const ProfileFileCheck check = checkProfileFile(profilePath, Profile::SchemaVersions.last());
    if (!check.canOpen())
        return fail(translate(QStringLiteral("The profile %1 cannot be used: %2"))
                        .arg(QDir::toNativeSeparators(profilePath), check.detail),
                    CliFailed);
    Profile profile(profileFolder, defaultDataFile(QStringLiteral("Profile.default.db")));
    profile.openDatabase();
    if (!QFileInfo::exists(profilePath))
        return fail(translate(QStringLiteral("The profile %1 cannot be used: %2"))
                        .arg(QDir::toNativeSeparators(profilePath),
                             translate(QStringLiteral("it could not be made"))),
                    CliFailed);
    profile.upgradeDatabase();
    profile.loadDecks();
    ImportOptions options;
    options.mappings = CardImport::guessMappings(file);
    options.dryRun = dryRun;
    if (line.hasValue(QStringLiteral("folder"))) {
        const QString title = line.value(QStringLiteral("folder")).trimmed();
        if (title.isEmpty())
            return failWithUsage(translate(QStringLiteral("--folder needs a title")),
                                 importUsage());
        options.folderPath = {title};
    }

    const ImportSummary summary = CardImport(&profile, &dictionary).run(file, options);
    if (!summary.error.isEmpty())
        return fail(summary.error, CliFailed);
    if (line.flag(QStringLiteral("json")))
        printJson(summaryAsJson(summary, fileName, dryRun));
    else
        printSummary(summary, dryRun);
    return CliSuccess;
}

} // namespace korvo
