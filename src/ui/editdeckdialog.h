#pragma once

#include "profile/deck.h"

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace korvo {
class Deck;
class Profile;
} // namespace korvo

// The deck editor: the title of a deck or folder and, when one is created, whether it is a
// folder. A new deck is placed right after the deck selected by the caller, or at the end of the
// selected folder, or at the end of the tree. The application creates it once and reuses it:
// setDeck() before each run, savedDeck() after it. Decks are borrowed from the profile; the
// working deck, a registry object holding the edited values, is released on the next set-up and
// after saving.
class EditDeckDialog : public QDialog
{
    Q_OBJECT

public:
    explicit EditDeckDialog(QWidget* parent = nullptr);
    ~EditDeckDialog() override;

    // Sets the editor up for `deck` (none to create one placed at `insertionPoint`).
    void setDeck(korvo::Deck* deck, korvo::Deck* insertionPoint);
    korvo::Deck* deck() const { return m_deck; }
    // The deck saved by the last run; none when it was cancelled.
    korvo::Deck* savedDeck() const { return m_result; }

    void retranslate();

public slots:
    void saveButton_clicked();
    void cancelButton_clicked();

protected:
    void showEvent(QShowEvent* event) override;

private:
    korvo::Profile* profile() const;
    void releaseWorkingDeck();

    QLabel* m_titleLabel = nullptr;
    QLineEdit* m_titleTE = nullptr;
    QCheckBox* m_folderCheckbox = nullptr;
    QPushButton* m_saveButton = nullptr;
    QPushButton* m_cancelButton = nullptr;

    QPointer<korvo::Deck> m_deck;
    QPointer<korvo::Deck> m_workingDeck;
    QPointer<korvo::Deck> m_insertionPoint;
    QPointer<korvo::Deck> m_result;
};
