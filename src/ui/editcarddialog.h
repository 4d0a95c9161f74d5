#pragma once

#include "dictionary/knowledgeunit.h"
#include "profile/deckcard.h"

#include <QDialog>
#include <QPointer>

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace korvo {
class CardWidget;
class DeckCard;
class Dictionary;
class KnowledgeUnit;
class Profile;
} // namespace korvo

// The card editor: simplified and traditional characters, pinyin and definition of one card's
// knowledge unit, with a live preview of the card. Typing characters the dictionaries know fills
// the rest of the form. Saving stores the entry as the user's own unit in the profile, for a new
// card in the target deck. The application creates it once and reuses it: setCard() before each
// run. The card and its unit are borrowed; the dialog owns the working copy the form edits.
class EditCardDialog : public QDialog
{
    Q_OBJECT

public:
    explicit EditCardDialog(QWidget* parent = nullptr);
    ~EditCardDialog() override;

    // Sets the editor up for `card` (none for a new card) in the deck `deckId`.
    void setCard(korvo::DeckCard* card, int deckId);
    korvo::DeckCard* card() const { return m_card; }
    int deckId() const { return m_deckId; }
    // The copy of the unit that the form edits and the preview shows.
    korvo::KnowledgeUnit* workingUnit() const { return m_workingUnit.get(); }
    korvo::CardWidget* preview() const { return m_preview; }

    void retranslate();

public slots:
    void saveButton_clicked();
    void textEdit_textChanged();
    void simplifiedTE_editingFinished();
    void traditionalTE_editingFinished();
    void dictionaryButton_clicked();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    korvo::Profile* profile() const;
    korvo::Dictionary* mainDictionary() const;
    void fillForm();
    void applyForm();
    void updateDictionaryButton();
    QString formProblem() const;
    void updateSaveButton();
    void storeForm(korvo::Profile* userProfile);
    // Fills the form from the dictionaries for the text of field 0 (simplified) or 1
    // (traditional).
    void autoFill(int field);

    QLineEdit* m_simplifiedTE = nullptr;
    QLineEdit* m_traditionalTE = nullptr;
    QLineEdit* m_pinyinTE = nullptr;
    QPlainTextEdit* m_definitionTE = nullptr;
    QCheckBox* m_autoFillCheckbox = nullptr;
    QPushButton* m_dictionaryButton = nullptr;
    QPushButton* m_saveButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QLabel* m_simplifiedLabel = nullptr;
    QLabel* m_traditionalLabel = nullptr;
    QLabel* m_pinyinLabel = nullptr;
    QLabel* m_definitionLabel = nullptr;
    QLabel* m_problemLabel = nullptr;
    korvo::CardWidget* m_preview = nullptr;

    QPointer<korvo::DeckCard> m_card;
    int m_deckId = -1;
    QPointer<korvo::KnowledgeUnit> m_sourceUnit;
    std::unique_ptr<korvo::KnowledgeUnit> m_workingUnit;
    bool m_loading = false;
    QString m_lastSimplified;
    QString m_lastTraditional;
    QString m_loadedPinyin;
};
