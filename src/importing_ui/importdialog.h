#pragma once

#include "importing/cardimport.h"
#include "importing/importedfile.h"
#include "style/messagebox.h"

#include <QDialog>
#include <QList>

#include <functional>

class QComboBox;
class QGridLayout;
class QLabel;
class QPushButton;

namespace korvo {

class Deck;
class Dictionary;
class ImportPreviewWidget;
class Profile;

// The preview of a card file before anything of it is stored: which field is the characters,
// the pinyin and the definition (guessed, one choice per field and note type), the folder the
// decks go into, and the first cards as they will look. "Import" stores everything in one
// transaction, with a progress bar (and Cancel) for imports that take more than half a second.
// Borrows the profile, the dictionary and the file; owned by its parent or the caller.
class ImportDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int PreviewCards = 20;
    // An import that takes longer than this shows its progress.
    static constexpr int ProgressDelay = 500;

    using MessageFunction = std::function<int(const QString& text, const QString& title,
                                              const QString& buttons, MessageBoxKind kind)>;

    ImportDialog(Profile* profile, Dictionary* dictionary, const ImportedFile* file,
                 Deck* targetFolder, QWidget* parent = nullptr);

    // Reads the file, shows the dialog and tells how the import went (through `message`, or the
    // program's message boxes). Returns whether cards were stored.
    static bool importFile(const QString& fileName, Profile* profile, Dictionary* dictionary,
                           Deck* targetFolder, QWidget* parent,
                           const MessageFunction& message = MessageFunction());
    // What the learner is told after an import.
    static QString summaryText(const ImportSummary& summary);

    QList<FieldMapping> mappings() const { return m_mappings; }
    Deck* targetFolder() const;
    ImportSummary summary() const { return m_summary; }
    ImportPreviewWidget* preview() const { return m_preview; }

private slots:
    void noteTypeCombo_currentIndexChanged(int index);
    void roleCombo_currentIndexChanged(int index);
    void importButton_clicked();

private:
    void fillFolders(Deck* selected);
    void showMapping();
    void updatePreview();

    Profile* m_profile;
    Dictionary* m_dictionary;
    const ImportedFile* m_file;
    QList<FieldMapping> m_mappings;
    ImportSummary m_summary;
    QLabel* m_descriptionLabel;
    QComboBox* m_noteTypeCombo;
    QLabel* m_noteTypeLabel;
    QGridLayout* m_mappingLayout;
    QList<QComboBox*> m_roleCombos;
    QList<QLabel*> m_fieldLabels;
    QComboBox* m_folderCombo;
    ImportPreviewWidget* m_preview;
    QPushButton* m_importButton;
    QPushButton* m_cancelButton;
};

} // namespace korvo
