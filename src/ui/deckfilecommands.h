#pragma once

#include "style/messagebox.h"

#include <QString>
#include <memory>

class QWidget;

namespace korvo {

class Deck;
class Profile;

// What the deck file commands ask the user: a file name and the message boxes. The default
// implementation shows the file dialogs and messageBox(); tests put answers of their own here.
class DeckFileDialogs
{
public:
    virtual ~DeckFileDialogs() = default;
    // An empty result means the user chose nothing.
    virtual QString saveFileName(const QString& caption, const QString& filter) = 0;
    virtual QString openFileName(const QString& caption, const QString& filter) = 0;
    // The result code of messageBox().
    virtual int message(const QString& text, const QString& title, const QString& buttons,
                        MessageBoxKind kind) = 0;
};

// The file dialogs of the toolkit and the program's message boxes, parented to `parent`.
class StandardDeckFileDialogs : public DeckFileDialogs
{
public:
    explicit StandardDeckFileDialogs(QWidget* parent = nullptr) : m_parent(parent) {}
    QString saveFileName(const QString& caption, const QString& filter) override;
    QString openFileName(const QString& caption, const QString& filter) override;
    int message(const QString& text, const QString& title, const QString& buttons,
                MessageBoxKind kind) override;

private:
    QWidget* m_parent;
};

// The deck manager's "Export deck" and "Import deck" commands: choose a deck file, write or read
// it, ask whether card scores are imported, and tell the user how it went. Holds no state between
// calls; the profile is borrowed, the dialogs are owned.
class DeckFileCommands
{
public:
    // `parent` parents the import preview of other programs' card files.
    explicit DeckFileCommands(Profile* profile, std::unique_ptr<DeckFileDialogs> dialogs = nullptr,
                              QWidget* parent = nullptr);
    ~DeckFileCommands();

    // Writes the deck with everything below it to a file the user chooses.
    bool exportDeck(Deck* deck);
    // Reads a deck file into a new deck at the end of parentFolder (the root when none); the
    // card files of other programs are previewed and imported into that folder.
    bool importDeck(Deck* parentFolder);

    // The text of the question whether card scores are imported too.
    static QString scoreQuestion();

private:
    QString fileFilter() const;
    QString importFileFilter() const;

    Profile* m_profile;
    std::unique_ptr<DeckFileDialogs> m_dialogs;
    QWidget* m_parent;
};

} // namespace korvo
