#include "importing_ui/importdialog.h"

#include "cards/cardstate.h"
#include "dictionary/knowledgeunit.h"
#include "importing/importfilereader.h"
#include "importing_ui/importpreviewwidget.h"
#include "profile/deck.h"
#include "profile/profile.h"
#include "text/translationcatalogue.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollArea>
#include <QSet>
#include <QVBoxLayout>

namespace korvo {

namespace {

// A field's first non-empty value, to show beside its name.
QString sampleValue(const ImportedFile& file, int noteType, int field)
{
    for (const ImportedNote& note : file.notes) {
        if (note.noteType != noteType)
            continue;
        const QString value = note.fields.value(field).simplified();
        if (!value.isEmpty())
            return value.size() > 30 ? value.left(29) + QChar(0x2026) : value;
    }
    return QString();
}

void collectFolders(Deck* folder, int depth, QList<QPair<Deck*, int>>& out)
{
    for (Deck* child : folder->children()) {
        if (child->isFolder() && !child->isDisposed()) {
            out.append({child, depth});
            collectFolders(child, depth + 1, out);
        }
    }
}

} // namespace

ImportDialog::ImportDialog(Profile* profile, Dictionary* dictionary, const ImportedFile* file,
                           Deck* targetFolder, QWidget* parent)
    : QDialog(parent), m_profile(profile), m_dictionary(dictionary), m_file(file)
{
    setObjectName(QStringLiteral("importDialog"));
    setWindowTitle(translate(QStringLiteral("Import cards")));
    m_mappings = CardImport::guessMappings(*m_file);

    QSet<QStringList> decks;
    for (const ImportedNote& note : m_file->notes)
        decks.insert(CardImport::deckPathOf(*m_file, note));
    m_descriptionLabel = new QLabel(translate(QStringLiteral("%1\nNotes: %2. Decks: %3."))
                                        .arg(QFileInfo(m_file->fileName).fileName())
                                        .arg(m_file->notes.size())
                                        .arg(decks.size()),
                                    this);
    m_descriptionLabel->setObjectName(QStringLiteral("descriptionLabel"));

    m_noteTypeLabel = new QLabel(translate(QStringLiteral("Note type:")), this);
    m_noteTypeCombo = new QComboBox(this);
    m_noteTypeCombo->setObjectName(QStringLiteral("noteTypeCombo"));
    for (const NoteType& type : m_file->noteTypes)
        m_noteTypeCombo->addItem(type.name);
    const bool severalTypes = m_file->noteTypes.size() > 1;
    m_noteTypeLabel->setVisible(severalTypes);
    m_noteTypeCombo->setVisible(severalTypes);
    connect(m_noteTypeCombo, &QComboBox::currentIndexChanged, this,
            &ImportDialog::noteTypeCombo_currentIndexChanged);

    m_mappingLayout = new QGridLayout;
    m_folderCombo = new QComboBox(this);
    m_folderCombo->setObjectName(QStringLiteral("folderCombo"));
    fillFolders(targetFolder);

    m_preview = new ImportPreviewWidget;
    m_preview->setCardState(applyUserSettings(CardState(), m_profile));
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("previewScrollArea"));
    scroll->setWidget(m_preview);
    scroll->setWidgetResizable(true);
    scroll->setMinimumSize(ImportPreviewWidget::CardWidth * 3 + 40,
                           ImportPreviewWidget::CardHeight * 2 + 30);

    m_importButton = new QPushButton(translate(QStringLiteral("Import")), this);
    m_importButton->setObjectName(QStringLiteral("importButton"));
    m_importButton->setDefault(true);
    m_cancelButton = new QPushButton(translate(QStringLiteral("Cancel")), this);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    connect(m_importButton, &QPushButton::clicked, this, &ImportDialog::importButton_clicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* form = new QGridLayout;
    form->addWidget(m_noteTypeLabel, 0, 0);
    form->addWidget(m_noteTypeCombo, 0, 1);
    form->addWidget(new QLabel(translate(QStringLiteral("Import into:")), this), 1, 0);
    form->addWidget(m_folderCombo, 1, 1);
    form->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_importButton);
    buttons->addWidget(m_cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_descriptionLabel);
    layout->addLayout(form);
    auto* mappingTitle = new QLabel(translate(QStringLiteral("Fields:")), this);
    layout->addWidget(mappingTitle);
    layout->addLayout(m_mappingLayout);
    layout->addWidget(
        new QLabel(translate(QStringLiteral("The first cards as they will look:")), this));
    layout->addWidget(scroll, 1);
    layout->addLayout(buttons);

    showMapping();
    updatePreview();
}

void ImportDialog::fillFolders(Deck* selected)
{
    Deck* root = m_profile ? m_profile->rootDeck() : nullptr;
    if (!root)
        return;
    m_folderCombo->addItem(translate(QStringLiteral("Top level")), root->id());
    QList<QPair<Deck*, int>> folders;
    collectFolders(root, 1, folders);
    for (const auto& [folder, depth] : std::as_const(folders)) {
        m_folderCombo->addItem(QString(depth * 3, QLatin1Char(' ')) + folder->displayTitle(),
                               folder->id());
        if (folder == selected)
            m_folderCombo->setCurrentIndex(m_folderCombo->count() - 1);
    }
}

Deck* ImportDialog::targetFolder() const
{
    if (!m_profile)
        return nullptr;
    const int id = m_folderCombo->currentData().toInt();
    Deck* root = m_profile->rootDeck();
    if (root && id == root->id())
        return root;
    Deck* deck = m_profile->deckById(id);
    return deck ? deck : root;
}

void ImportDialog::showMapping()
{
    qDeleteAll(m_roleCombos);
    qDeleteAll(m_fieldLabels);
    m_roleCombos.clear();
    m_fieldLabels.clear();
    const int type = qMax(0, m_noteTypeCombo->currentIndex());
    if (type >= m_file->noteTypes.size())
        return;
    const QStringList names = m_file->noteTypes.at(type).fieldNames;
    for (int field = 0; field < names.size(); ++field) {
        const QString sample = sampleValue(*m_file, type, field);
        auto* label =
            new QLabel(sample.isEmpty() ? names.at(field)
                                        : QStringLiteral("%1 (%2)").arg(names.at(field), sample),
                       this);
        auto* combo = new QComboBox(this);
        combo->setObjectName(QStringLiteral("roleCombo%1").arg(field));
        for (const FieldRole role : FieldMapping::allRoles())
            combo->addItem(FieldMapping::roleTitle(role), int(role));
        combo->setCurrentIndex(
            int(FieldMapping::allRoles().indexOf(m_mappings.value(type).role(field))));
        connect(combo, &QComboBox::currentIndexChanged, this,
                &ImportDialog::roleCombo_currentIndexChanged);
        m_mappingLayout->addWidget(label, field, 0);
        m_mappingLayout->addWidget(combo, field, 1);
        m_fieldLabels << label;
        m_roleCombos << combo;
    }
}

void ImportDialog::noteTypeCombo_currentIndexChanged(int)
{
    showMapping();
}

void ImportDialog::roleCombo_currentIndexChanged(int index)
{
    auto* combo = qobject_cast<QComboBox*>(sender());
    const int field = int(m_roleCombos.indexOf(combo));
    const int type = qMax(0, m_noteTypeCombo->currentIndex());
    if (field < 0 || type >= m_mappings.size())
        return;
    m_mappings[type].setRole(field, FieldRole(combo->itemData(index).toInt()));
    // A role moves to its new field: the field that had it shows that it lost it.
    for (int i = 0; i < m_roleCombos.size(); ++i) {
        const int shown = int(FieldMapping::allRoles().indexOf(m_mappings.at(type).role(i)));
        if (m_roleCombos.at(i)->currentIndex() != shown) {
            const QSignalBlocker blocker(m_roleCombos.at(i));
            m_roleCombos.at(i)->setCurrentIndex(shown);
        }
    }
    updatePreview();
}

void ImportDialog::updatePreview()
{
    CardImport import(m_profile, m_dictionary);
    std::vector<std::unique_ptr<KnowledgeUnit>> units;
    for (int i = 0; i < m_file->notes.size() && int(units.size()) < PreviewCards; ++i) {
        const ImportedNote& note = m_file->notes.at(i);
        units.emplace_back(import.previewUnit(note, m_mappings.value(note.noteType)));
    }
    m_preview->setUnits(std::move(units));
}

void ImportDialog::importButton_clicked()
{
    QProgressDialog progress(translate(QStringLiteral("Importing cards...")),
                             translate(QStringLiteral("Cancel")), 0, int(m_file->notes.size()),
                             this);
    progress.setObjectName(QStringLiteral("importProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(ProgressDelay);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    ImportOptions options;
    options.mappings = m_mappings;
    options.targetFolder = targetFolder();
    CardImport import(m_profile, m_dictionary);
    m_summary = import.run(*m_file, options, [&progress](int done, int) {
        progress.setValue(done);
        return !progress.wasCanceled();
    });
    progress.close();
    if (m_summary.stored)
        accept();
    else
        reject();
}

QString ImportDialog::summaryText(const ImportSummary& summary)
{
    return translate(QStringLiteral("Cards imported: %1 (linked to dictionary entries: %2, entries "
                                    "of your own: %3).\nNew decks: %4. Duplicates skipped: %5."))
               .arg(summary.cards())
               .arg(summary.linkedCards)
               .arg(summary.userMadeCards)
               .arg(summary.createdDecks)
               .arg(summary.duplicates) +
           (summary.withoutCharacters > 0
                ? QLatin1Char('\n') +
                      translate(QStringLiteral("Notes without characters, not imported: %1."))
                          .arg(summary.withoutCharacters)
                : QString());
}

bool ImportDialog::importFile(const QString& fileName, Profile* profile, Dictionary* dictionary,
                              Deck* targetFolder, QWidget* parent, const MessageFunction& message)
{
    const MessageFunction tell =
        message ? message
                : [](const QString& text, const QString& title, const QString& buttons,
                     MessageBoxKind kind) { return messageBox(text, title, buttons, kind); };
    const ImportedFile file = ImportFileReader::read(fileName);
    if (!file.isValid()) {
        tell(file.error, translate(QStringLiteral("Error")), QStringLiteral("ok"),
             MessageBoxKind::Error);
        return false;
    }
    ImportDialog dialog(profile, dictionary, &file, targetFolder, parent);
    dialog.exec();
    const ImportSummary summary = dialog.summary();
    if (!summary.error.isEmpty()) {
        tell(summary.error, translate(QStringLiteral("Error")), QStringLiteral("ok"),
             MessageBoxKind::Error);
        return false;
    }
    if (!summary.stored)
        return false;
    tell(summaryText(summary), translate(QStringLiteral("Information")), QStringLiteral("ok"),
         MessageBoxKind::Information);
    return true;
}

} // namespace korvo
