#include "ui/deckfilecommands.h"

#include "importing/importfilereader.h"
#include "importing_ui/importdialog.h"
#include "profile/deck.h"
#include "profile/decktransfer.h"
#include "profile/profile.h"
#include "style/applicationservices.h"
#include "text/translationcatalogue.h"

#include <QFileDialog>
#include <QFileInfo>

namespace korvo {

QString StandardDeckFileDialogs::saveFileName(const QString& caption, const QString& filter)
{
    return QFileDialog::getSaveFileName(m_parent, caption, QString(), filter);
}

QString StandardDeckFileDialogs::openFileName(const QString& caption, const QString& filter)
{
    return QFileDialog::getOpenFileName(m_parent, caption, QString(), filter);
}

int StandardDeckFileDialogs::message(const QString& text, const QString& title,
                                     const QString& buttons, MessageBoxKind kind)
{
    return messageBox(text, title, buttons, kind);
}

DeckFileCommands::DeckFileCommands(Profile* profile, std::unique_ptr<DeckFileDialogs> dialogs,
                                   QWidget* parent)
    : m_profile(profile), m_dialogs(std::move(dialogs)), m_parent(parent)
{
    if (!m_dialogs)
        m_dialogs = std::make_unique<StandardDeckFileDialogs>();
}

DeckFileCommands::~DeckFileCommands() = default;

QString DeckFileCommands::fileFilter() const
{
    return translate(QStringLiteral("%1 deck files (*.kvd)")).arg(QStringLiteral("Quillet"));
}

QString DeckFileCommands::importFileFilter() const
{
    QStringList patterns{QStringLiteral("*.kvd")};
    for (const QString& suffix : ImportFileReader::suffixes())
        patterns << QStringLiteral("*.") + suffix;
    return translate(QStringLiteral("Card files (%1)")).arg(patterns.join(QLatin1Char(' '))) +
           QStringLiteral(";;") + fileFilter() + QStringLiteral(";;") +
           translate(QStringLiteral("Anki packages (*.apkg *.colpkg)")) + QStringLiteral(";;") +
           translate(QStringLiteral("Pleco flashcards (*.txt)")) + QStringLiteral(";;") +
           translate(QStringLiteral("CSV and TSV tables (*.csv *.tsv *.txt)"));
}

QString DeckFileCommands::scoreQuestion()
{
    return translate(
        QStringLiteral("Do you also want to import the card scores?\n\nRecommended if your are "
                       "importing your "
                       "own cards. Not recommended if you are importing someone else's cards."));
}

bool DeckFileCommands::exportDeck(Deck* deck)
{
    if (!deck)
        return false;
    const QString fileName =
        m_dialogs->saveFileName(translate(QStringLiteral("Export deck")), fileFilter());
    if (fileName.isEmpty())
        return false;
    // The file is written through a temporary one, so a failed write keeps the old file.
    if (!writeDeckFile(deck, fileName)) {
        m_dialogs->message(translate(QStringLiteral("Could not write to %1")).arg(fileName),
                           translate(QStringLiteral("Error")), QStringLiteral("ok"),
                           MessageBoxKind::Error);
        return false;
    }
    return true;
}

bool DeckFileCommands::importDeck(Deck* parentFolder)
{
    if (!m_profile)
        return false;
    Deck* target = parentFolder ? parentFolder : m_profile->rootDeck();
    if (!target)
        return false;

    const QString fileName =
        m_dialogs->openFileName(translate(QStringLiteral("Import deck")), importFileFilter());
    if (fileName.isEmpty())
        return false;
    // Other programs' card files go through the import preview.
    if (ImportFileReader::canRead(fileName)) {
        ApplicationServices* services = ApplicationServices::instance();
        return ImportDialog::importFile(
            fileName, m_profile, services ? services->dictionary() : nullptr, target, m_parent,
            [this](const QString& text, const QString& title, const QString& buttons,
                   MessageBoxKind kind) { return m_dialogs->message(text, title, buttons, kind); });
    }
    QString text;
    switch (readDeckFile(fileName, &text)) {
    case DeckFileStatus::Missing:
        return false;
    case DeckFileStatus::Unreadable:
    case DeckFileStatus::TooLarge:
        m_dialogs->message(translate(QStringLiteral("Could not open %1")).arg(fileName),
                           translate(QStringLiteral("Error")), QStringLiteral("ok"),
                           MessageBoxKind::Error);
        return false;
    case DeckFileStatus::Ok:
        break;
    }

    TransferOptions options;
    if (readTransferOptions(text).scoreDataIncluded) {
        const int answer =
            m_dialogs->message(scoreQuestion(), QString(), QStringLiteral("yesNoCancel"),
                               MessageBoxKind::Confirmation);
        if (answer == MessageBoxYes)
            options.scoreDataIncluded = true;
        else if (answer == MessageBoxNo)
            options.scoreDataIncluded = false;
        else
            return false;
    }

    QString reason;
    if (!importDeckText(m_profile, text, options, target, maxImportedObjects, &reason)) {
        // Nothing of the file stays in the profile; the user is told why instead of left
        // guessing: the first value the file gives that cannot be taken, when that was the cause.
        const QString problem = translate(QStringLiteral("Could not import %1")).arg(fileName);
        m_dialogs->message(reason.isEmpty() ? problem : problem + QStringLiteral("\n\n") + reason,
                           translate(QStringLiteral("Error")), QStringLiteral("ok"),
                           MessageBoxKind::Error);
        return false;
    }

    m_dialogs->message(translate(QStringLiteral("The flashcards have been successfully imported.")),
                       translate(QStringLiteral("Information")), QStringLiteral("ok"),
                       MessageBoxKind::Information);
    return true;
}

} // namespace korvo
