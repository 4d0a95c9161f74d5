#include "ui/editcarddialog.h"

#include "cards/cardwidget.h"
#include "dictionary/dictionary.h"
#include "dictionary/knowledgeunit.h"
#include "handwriting_ui/handwritingpad.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/profile.h"
#include "style/applicationservices.h"
#include "text/pinyin.h"
#include "text/translationcatalogue.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using korvo::ApplicationServices;
using korvo::Deck;
using korvo::DeckCard;
using korvo::Dictionary;
using korvo::KnowledgeUnit;
using korvo::Profile;
using korvo::translate;

namespace {

// Side of the card preview at the top of the editor.
constexpr int PreviewSide = 220;

} // namespace

EditCardDialog::EditCardDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("EditCardDialog"));
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* layout = new QVBoxLayout(this);
    layout->setObjectName(QStringLiteral("verticalLayout"));

    // The preview takes the place of the form's card placeholder, centred above the fields.
    m_preview = new korvo::CardWidget(this);
    m_preview->setObjectName(QStringLiteral("cardPreview"));
    m_preview->setFixedSize(PreviewSide, PreviewSide);
    auto* previewRow = new QHBoxLayout;
    previewRow->addStretch(1);
    previewRow->addWidget(m_preview);
    previewRow->addStretch(1);
    layout->addLayout(previewRow);

    auto* form = new QGridLayout;
    m_simplifiedLabel = new QLabel(this);
    m_simplifiedTE = new QLineEdit(this);
    m_simplifiedTE->setObjectName(QStringLiteral("simplifiedTE"));
    m_traditionalLabel = new QLabel(this);
    m_traditionalTE = new QLineEdit(this);
    m_traditionalTE->setObjectName(QStringLiteral("traditionalTE"));
    korvo::HandwritingPad::attach(m_simplifiedTE, korvo::HandwritingPad::PreferSimplified);
    korvo::HandwritingPad::attach(m_traditionalTE, korvo::HandwritingPad::PreferTraditional);
    m_pinyinLabel = new QLabel(this);
    m_pinyinTE = new QLineEdit(this);
    m_pinyinTE->setObjectName(QStringLiteral("pinyinTE"));
    m_definitionLabel = new QLabel(this);
    m_definitionTE = new QPlainTextEdit(this);
    m_definitionTE->setObjectName(QStringLiteral("definitionTE"));
    m_definitionTE->setTabChangesFocus(true);
    m_definitionTE->setFixedHeight(72);
    m_definitionTE->installEventFilter(this);
    m_simplifiedLabel->setBuddy(m_simplifiedTE);
    m_traditionalLabel->setBuddy(m_traditionalTE);
    m_pinyinLabel->setBuddy(m_pinyinTE);
    m_definitionLabel->setBuddy(m_definitionTE);
    form->addWidget(m_simplifiedLabel, 0, 0);
    form->addWidget(m_simplifiedTE, 0, 1);
    form->addWidget(m_traditionalLabel, 1, 0);
    form->addWidget(m_traditionalTE, 1, 1);
    form->addWidget(m_pinyinLabel, 2, 0);
    form->addWidget(m_pinyinTE, 2, 1);
    form->addWidget(m_definitionLabel, 3, 0, Qt::AlignTop);
    form->addWidget(m_definitionTE, 3, 1);
    layout->addLayout(form);

    m_problemLabel = new QLabel(this);
    m_problemLabel->setObjectName(QStringLiteral("problemLabel"));
    m_problemLabel->setWordWrap(true);
    m_problemLabel->setStyleSheet(QStringLiteral("color: #b00020"));
    layout->addWidget(m_problemLabel);

    m_autoFillCheckbox = new QCheckBox(this);
    m_autoFillCheckbox->setObjectName(QStringLiteral("autoFillCheckbox"));
    m_autoFillCheckbox->setChecked(true);
    layout->addWidget(m_autoFillCheckbox);

    auto* buttons = new QHBoxLayout;
    m_dictionaryButton = new QPushButton(this);
    m_dictionaryButton->setObjectName(QStringLiteral("dictionaryButton"));
    m_dictionaryButton->setAutoDefault(false);
    m_saveButton = new QPushButton(this);
    m_saveButton->setObjectName(QStringLiteral("saveButton"));
    m_saveButton->setAutoDefault(false);
    m_cancelButton = new QPushButton(this);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_cancelButton->setAutoDefault(false);
    buttons->addWidget(m_dictionaryButton);
    buttons->addStretch(1);
    buttons->addWidget(m_saveButton);
    buttons->addWidget(m_cancelButton);
    layout->addLayout(buttons);

    for (QLineEdit* edit : {m_simplifiedTE, m_traditionalTE, m_pinyinTE})
        connect(edit, &QLineEdit::textChanged, this, &EditCardDialog::textEdit_textChanged);
    connect(m_definitionTE, &QPlainTextEdit::textChanged, this,
            &EditCardDialog::textEdit_textChanged);
    connect(m_simplifiedTE, &QLineEdit::editingFinished, this,
            &EditCardDialog::simplifiedTE_editingFinished);
    connect(m_traditionalTE, &QLineEdit::editingFinished, this,
            &EditCardDialog::traditionalTE_editingFinished);
    connect(m_dictionaryButton, &QPushButton::clicked, this,
            &EditCardDialog::dictionaryButton_clicked);
    connect(m_saveButton, &QPushButton::clicked, this, &EditCardDialog::saveButton_clicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    if (ApplicationServices* services = ApplicationServices::instance())
        services->addHelpShortcut(this, QStringLiteral("card-properties"));
    retranslate();
    setCard(nullptr, -1);
}

EditCardDialog::~EditCardDialog() = default;

Profile* EditCardDialog::profile() const
{
    ApplicationServices* services = ApplicationServices::instance();
    return services ? services->profile() : nullptr;
}

Dictionary* EditCardDialog::mainDictionary() const
{
    ApplicationServices* services = ApplicationServices::instance();
    return services ? services->dictionary() : nullptr;
}

void EditCardDialog::setCard(DeckCard* card, int deckId)
{
    m_card = card;
    m_deckId = deckId;
    m_sourceUnit = card ? card->knowledgeUnit() : nullptr;
    // The preview lets go of the old working unit before it is deleted.
    m_preview->setObject(nullptr);
    m_workingUnit.reset(m_sourceUnit ? m_sourceUnit->clone() : new KnowledgeUnit);
    m_preview->setProfile(profile());
    m_preview->setObject(m_workingUnit.get());
    m_lastSimplified = m_workingUnit->simplified();
    m_lastTraditional = m_workingUnit->traditional();
    fillForm();
    m_preview->update();
    updateDictionaryButton();
}

// Why the form cannot be saved as it stands; empty when it can.
QString EditCardDialog::formProblem() const
{
    if (m_simplifiedTE->text().trimmed().isEmpty() && m_traditionalTE->text().trimmed().isEmpty())
        return translate(QStringLiteral("Type the characters of the card."));
    const QString pinyin = m_pinyinTE->text().trimmed();
    // A reading loaded as it is (a dictionary entry with Latin letters, say) may stay.
    if (!pinyin.isEmpty() && pinyin != m_loadedPinyin &&
        korvo::canonicalSyllables(pinyin).isEmpty())
        return translate(QStringLiteral("\"%1\" is not pinyin: type syllables with tone numbers "
                                        "(ni3 hao3) or tone marks (nǐ hǎo), or leave it empty."))
            .arg(pinyin);
    return QString();
}

void EditCardDialog::updateSaveButton()
{
    const QString problem = formProblem();
    m_problemLabel->setText(problem);
    m_problemLabel->setVisible(!problem.isEmpty());
    m_saveButton->setEnabled(problem.isEmpty());
}

void EditCardDialog::retranslate()
{
    setWindowTitle(translate(QStringLiteral("Card")));
    m_simplifiedLabel->setText(translate(QStringLiteral("Simplified")));
    m_traditionalLabel->setText(translate(QStringLiteral("Traditional")));
    m_pinyinLabel->setText(translate(QStringLiteral("Pinyin")));
    m_definitionLabel->setText(translate(QStringLiteral("Definition")));
    m_autoFillCheckbox->setText(translate(QStringLiteral("Automatically fill form")));
    m_dictionaryButton->setText(translate(QStringLiteral("Search in dictionary")));
    m_saveButton->setText(translate(QStringLiteral("Save")));
    m_cancelButton->setText(translate(QStringLiteral("Cancel")));
}

void EditCardDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_autoFillCheckbox->setChecked(true);
    m_simplifiedTE->setFocus(Qt::OtherFocusReason);
}

bool EditCardDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Return in the definition saves the card instead of starting a new line.
    if (watched == m_definitionTE && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            saveButton_clicked();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void EditCardDialog::fillForm()
{
    m_loading = true;
    m_simplifiedTE->setText(m_workingUnit->simplified());
    m_traditionalTE->setText(m_workingUnit->traditional());
    m_pinyinTE->setText(m_workingUnit->pinyin());
    m_definitionTE->setPlainText(
        m_workingUnit->definition().replace(QLatin1Char('/'), QLatin1String("; ")));
    m_loading = false;
    // A reading filled in from an entry is taken as it is.
    m_loadedPinyin = m_pinyinTE->text().trimmed();
    updateSaveButton();
}

void EditCardDialog::applyForm()
{
    m_workingUnit->setSimplified(m_simplifiedTE->text().trimmed());
    m_workingUnit->setTraditional(m_traditionalTE->text().trimmed());
    // Pinyin is stored numbered and spaced however it was typed; a reading that is not all
    // syllables (kept from the entry it was loaded with) passes through as it is.
    const QString pinyin = m_pinyinTE->text().trimmed();
    const QStringList syllables = korvo::canonicalSyllables(pinyin);
    if (syllables.isEmpty())
        m_workingUnit->setPinyinWithToneMarks(korvo::numberedToMarked(pinyin));
    else
        m_workingUnit->setPinyin(syllables.join(QLatin1Char(' ')));
    m_workingUnit->setDefinition(m_definitionTE->toPlainText().trimmed(), QStringLiteral(";"));
    updateDictionaryButton();
    updateSaveButton();
}

void EditCardDialog::updateDictionaryButton()
{
    m_dictionaryButton->setEnabled(!m_workingUnit->simplified().isEmpty() ||
                                   !m_workingUnit->traditional().isEmpty());
}

void EditCardDialog::textEdit_textChanged()
{
    if (m_loading)
        return;
    applyForm();
    m_preview->update();
}

void EditCardDialog::simplifiedTE_editingFinished()
{
    autoFill(0);
}

void EditCardDialog::traditionalTE_editingFinished()
{
    autoFill(1);
}

void EditCardDialog::autoFill(int field)
{
    if (!m_autoFillCheckbox->isChecked())
        return;
    const QString text = (field == 0 ? m_simplifiedTE : m_traditionalTE)->text().trimmed();
    // An empty field looks nothing up: it would match any entry without that form.
    if (text.isEmpty() || text == (field == 0 ? m_lastSimplified : m_lastTraditional))
        return;

    KnowledgeUnit* found = nullptr;
    if (Profile* userProfile = profile(); userProfile && userProfile->dictionary())
        found = userProfile->dictionary()->findKnowledgeUnit(field, text, QString());
    if (!found) {
        if (Dictionary* dictionary = mainDictionary())
            found = dictionary->findKnowledgeUnit(field, text, QString());
    }
    if (!found)
        return;

    // The working unit keeps its identity; an edited card also keeps its practice record, so
    // retyping its characters does not throw away what the learner achieved with it.
    const int id = m_workingUnit->id();
    const float score = m_workingUnit->score();
    const qint64 lastTimePracticed = m_workingUnit->lastTimePracticed();
    m_workingUnit->copyFrom(found);
    m_workingUnit->setId(id);
    if (m_sourceUnit) {
        m_workingUnit->setScore(score);
        m_workingUnit->setLastTimePracticed(lastTimePracticed);
    }

    fillForm();
    m_lastSimplified = m_simplifiedTE->text().trimmed();
    m_lastTraditional = m_traditionalTE->text().trimmed();
    m_preview->update();
    updateDictionaryButton();
}

void EditCardDialog::dictionaryButton_clicked()
{
    Profile* userProfile = profile();
    const QString mode =
        userProfile
            ? userProfile->setting(QStringLiteral("characterMode"), QStringLiteral("simplified"))
                  .toString()
            : QStringLiteral("simplified");
    QString text;
    if (mode == QLatin1String("simplified"))
        text = m_workingUnit->simplified().trimmed();
    if (text.isEmpty())
        text = m_workingUnit->traditional().trimmed();
    // The button is enabled with either form: an entry with only the other one is searched too.
    if (text.isEmpty())
        text = m_workingUnit->simplified().trimmed();
    if (text.isEmpty())
        return;
    reject();
    if (ApplicationServices* services = ApplicationServices::instance())
        services->searchDictionary(text);
}

void EditCardDialog::saveButton_clicked()
{
    applyForm();
    if (!formProblem().isEmpty())
        return;
    Profile* userProfile = profile();
    Dictionary* userDictionary = userProfile ? userProfile->dictionary() : nullptr;
    if (!userDictionary) {
        reject();
        return;
    }
    // The unit and the card that shows it reach the disk together: a crash between them would
    // leave a unit no card shows, or a card without its unit. A failed write is told by the
    // profile and kept for its retry, so the dialog closes either way.
    userProfile->saveTogether([this, userProfile] { storeForm(userProfile); });
    accept();
}

void EditCardDialog::storeForm(Profile* userProfile)
{
    // A new user-made unit with the form's content, kept by the profile until it is stored.
    auto storeNewUnit = [&]() -> KnowledgeUnit* {
        auto* unit = new KnowledgeUnit;
        unit->setType(2);
        unit->copyFrom(m_workingUnit.get());
        unit->setOwner(1);
        if (!userProfile->saveKnowledgeUnit(unit)) {
            delete unit;
            return nullptr;
        }
        return unit;
    };
    Deck* cardDeck = m_card ? m_card->deck() : nullptr;
    if (m_card && !cardDeck)
        cardDeck = userProfile->deckById(m_deckId);
    // The card shows the new unit from now on, stored through its deck.
    auto attach = [&](KnowledgeUnit* unit) {
        if (!unit || !cardDeck)
            return;
        m_card->setKnowledgeUnit(unit);
        cardDeck->saveCard(m_card);
    };

    if (m_sourceUnit) {
        const QList<int> cardIds = userProfile->cardIdsForKnowledgeUnit(m_sourceUnit->id());
        if (cardIds.size() >= 2 && m_card) {
            // The other cards showing the unit keep it as it was.
            attach(storeNewUnit());
        } else {
            m_sourceUnit->copyFrom(m_workingUnit.get());
            m_sourceUnit->setOwner(1);
            userProfile->saveKnowledgeUnit(m_sourceUnit);
            if (m_card && m_card->kuId() != m_sourceUnit->id())
                attach(m_sourceUnit);
        }
    } else if (m_card) {
        // A card whose unit is missing gets a new one.
        attach(storeNewUnit());
    } else {
        Deck* deck = userProfile->deckById(m_deckId);
        if (deck && !deck->isFolder()) {
            if (KnowledgeUnit* unit = storeNewUnit())
                deck->addKnowledgeUnit(unit);
        }
    }
}
