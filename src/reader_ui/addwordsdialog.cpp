#include "reader_ui/addwordsdialog.h"

#include "dictionary/knowledgeunit.h"
#include "importing/entrylinker.h"
#include "profile/deck.h"
#include "profile/deckcard.h"
#include "profile/profile.h"
#include "text/translationcatalogue.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>

namespace korvo {

namespace {

// The deck choice's value for "a new deck".
constexpr int NewDeck = -1;

} // namespace

AddWordsDialog::AddWordsDialog(const QList<KnowledgeUnit*>& entries, Dictionary* dictionary,
                               Profile* profile, QWidget* parent)
    : QDialog(parent), m_entries(entries), m_dictionary(dictionary), m_profile(profile),
      m_words(new QListWidget(this)), m_decks(new QComboBox(this)), m_newTitle(new QLineEdit(this))
{
    setObjectName(QStringLiteral("addWordsDialog"));
    setWindowTitle(translate("Add to deck"));
    m_words->setObjectName(QStringLiteral("readerWordList"));
    m_decks->setObjectName(QStringLiteral("readerDeckChoice"));
    m_newTitle->setObjectName(QStringLiteral("readerNewDeckTitle"));
    for (KnowledgeUnit* entry : m_entries) {
        auto* item = new QListWidgetItem(QStringLiteral("%1  %2  %3")
                                             .arg(entry->simplified(), entry->pinyinWithToneMarks(),
                                                  entry->definitions().value(0)));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
        m_words->addItem(item);
    }
    QList<Deck*> decks;
    if (m_profile)
        m_profile->collectDecks(decks, false);
    for (Deck* deck : decks)
        m_decks->addItem(deck->title(), deck->id());
    m_decks->addItem(translate("New deck"), NewDeck);
    m_decks->setCurrentIndex(m_decks->count() - 1);
    m_newTitle->setText(translate("Words from the reader"));
    connect(m_decks, &QComboBox::currentIndexChanged, this, &AddWordsDialog::updateTitleLine);

    auto* form = new QFormLayout;
    form->addRow(translate("Deck:"), m_decks);
    form->addRow(translate("New deck's name:"), m_newTitle);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(translate("Add"));
    buttons->button(QDialogButtonBox::Cancel)->setText(translate("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(translate("Words to add:"), this));
    layout->addWidget(m_words);
    layout->addLayout(form);
    layout->addWidget(buttons);
    updateTitleLine();
    resize(520, 420);
}

void AddWordsDialog::updateTitleLine()
{
    m_newTitle->setEnabled(m_decks->currentData().toInt() == NewDeck);
}

Deck* AddWordsDialog::chosenDeck()
{
    const int id = m_decks->currentData().toInt();
    if (id != NewDeck)
        return m_profile->deckById(id);
    const QString title = m_newTitle->text().trimmed();
    Deck* deck = m_profile->newDeck();
    deck->setTitle(title.isEmpty() ? translate("Words from the reader") : title);
    m_profile->saveDeck(deck, false, true);
    return deck;
}

int AddWordsDialog::store()
{
    if (!m_profile || !m_dictionary)
        return -1;
    int added = 0;
    m_skipped = 0;
    bool deckMade = true;
    m_profile->saveTogether([&] {
        Deck* deck = chosenDeck();
        if (!deck || deck->isFolder()) {
            deckMade = false;
            return;
        }
        QSet<int> shown;
        for (DeckCard* card : deck->cards())
            shown.insert(card->kuId());
        EntryLinker linker(m_dictionary, m_profile);
        for (int row = 0; row < m_words->count(); ++row) {
            if (m_words->item(row)->checkState() != Qt::Checked)
                continue;
            KnowledgeUnit* unit = linker.profileUnit(m_entries.at(row));
            if (!unit)
                continue;
            if (shown.contains(unit->id())) {
                ++m_skipped;
                continue;
            }
            shown.insert(unit->id());
            deck->addKnowledgeUnit(unit);
            ++added;
        }
    });
    return deckMade ? added : -1;
}

} // namespace korvo
