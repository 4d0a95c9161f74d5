#include "ui/optiondialog.h"

#include "profile/profile.h"
#include "style/applicationservices.h"
#include "style/messagebox.h"
#include "style/style.h"
#include "text/json.h"
#include "text/translationcatalogue.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

using korvo::Profile;
using korvo::Style;
using korvo::translate;

namespace {

enum ItemData { SectionRole = Qt::UserRole, PropertyRole, OverriddenRole, FileValueRole };
enum Page { NonePage, FontSizePage, FontFamilyPage, FontWeightPage, ColorPage };

const QString GeneralTab = QStringLiteral("generalTab");

QString propertyLabel(const QString& property)
{
    if (property == QLatin1String("fontSize"))
        return translate("Font size");
    if (property == QLatin1String("fontWeight"))
        return translate("Font weight");
    if (property == QLatin1String("color"))
        return translate("Color");
    if (property == QLatin1String("fontFamily"))
        return translate("Font family");
    if (property == QLatin1String("selectionColor"))
        return translate("Selection color");
    return property;
}

Page pageOf(const QString& property)
{
    if (property == QLatin1String("fontSize"))
        return FontSizePage;
    if (property == QLatin1String("fontFamily"))
        return FontFamilyPage;
    if (property == QLatin1String("fontWeight"))
        return FontWeightPage;
    if (property.endsWith(QLatin1String("olor")))
        return ColorPage;
    return NonePage;
}

QString textOf(const QVariant& value)
{
    return value.typeId() == QMetaType::Double ? QString::number(value.toDouble())
                                               : value.toString();
}

// Selects the item of the value; none (index -1) when the box has no such item, so that Save
// cannot store another value in its place.
void selectData(QComboBox* box, const QString& value)
{
    box->setCurrentIndex(box->findData(value));
}

void showColor(QPushButton* button, const QColor& color)
{
    QPixmap swatch(32, 16);
    swatch.fill(color);
    button->setIcon(QIcon(swatch));
    button->setIconSize(swatch.size());
    button->setText(color.name());
}

QWidget* labelledRow(QWidget* parent, QLabel* label, QWidget* field)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addWidget(field, 1);
    return row;
}

} // namespace

OptionDialog::OptionDialog(Profile* profile, const QStringList& chineseFonts, QWidget* parent)
    : QDialog(parent), m_profile(profile), m_chineseFonts(chineseFonts)
{
    setObjectName(QStringLiteral("optionDialog"));
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabWidget"));
    m_tabs->addTab(buildGeneralTab(), QString());
    m_tabs->addTab(buildAppearanceTab(), QString());
    m_saveButton = new QPushButton(this);
    m_saveButton->setObjectName(QStringLiteral("saveButton"));
    m_saveButton->setDefault(true);
    m_cancelButton = new QPushButton(this);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_saveButton);
    buttons->addWidget(m_cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(buttons);
    resize(560, 460);

    connect(m_saveButton, &QPushButton::clicked, this, &OptionDialog::saveButton_clicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &OptionDialog::cancelButton_clicked);
    connect(m_tabs, &QTabWidget::currentChanged, this, &OptionDialog::tabWidget_currentChanged);
    if (korvo::ApplicationServices* services = korvo::ApplicationServices::instance())
        services->addHelpShortcut(this, QStringLiteral("options"));
    retranslate();
}

QWidget* OptionDialog::buildGeneralTab()
{
    auto* tab = new QWidget(this);
    tab->setObjectName(GeneralTab);
    m_localeLabel = new QLabel(tab);
    m_localeDD = new QComboBox(tab);
    m_localeDD->setObjectName(QStringLiteral("localeDD"));
    m_localeLabel->setBuddy(m_localeDD);
    m_modeLabel = new QLabel(tab);
    m_modeDD = new QComboBox(tab);
    m_modeDD->setObjectName(QStringLiteral("modeDD"));
    m_modeLabel->setBuddy(m_modeDD);
    for (const char* mode : {"simplified", "traditional", "both"})
        m_modeDD->addItem(QString(), QLatin1String(mode));
    m_updateCheckBox = new QCheckBox(tab);
    m_updateCheckBox->setObjectName(QStringLiteral("updateCheckBox"));
    m_playAudioCheckBox = new QCheckBox(tab);
    m_playAudioCheckBox->setObjectName(QStringLiteral("playAudioOnRevealCardCheckbox"));

    auto* form = new QFormLayout(tab);
    form->addRow(m_localeLabel, m_localeDD);
    form->addRow(m_modeLabel, m_modeDD);
    form->addRow(m_updateCheckBox);
    form->addRow(m_playAudioCheckBox);
    return tab;
}

QWidget* OptionDialog::buildAppearanceTab()
{
    auto* tab = new QWidget(this);
    tab->setObjectName(QStringLiteral("appearanceTab"));
    m_fontLabel = new QLabel(tab);
    m_fontInfoLabel = new QLabel(tab);
    m_fontInfoLabel->setObjectName(QStringLiteral("fontInfoLabel"));
    m_changeFontButton = new QPushButton(tab);
    m_changeFontButton->setObjectName(QStringLiteral("changeFontButton"));
    m_fontComboBox = new QComboBox(tab);
    m_fontComboBox->setObjectName(QStringLiteral("fontComboBox"));
    m_fontComboBox->hide();
    auto* fontRow = new QHBoxLayout;
    fontRow->addWidget(m_fontInfoLabel, 1);
    fontRow->addWidget(m_changeFontButton);
    fontRow->addWidget(m_fontComboBox, 1);
    connect(m_changeFontButton, &QPushButton::clicked, this,
            &OptionDialog::changeFontButton_clicked);

    m_pinyinColorLabel = new QLabel(tab);
    m_pinyinColorComboBox = new QComboBox(tab);
    m_pinyinColorComboBox->setObjectName(QStringLiteral("pinyinColorComboBox"));
    m_pinyinColorComboBox->addItem(QString(), QStringLiteral("none"));
    m_pinyinColorComboBox->addItem(QString(), QStringLiteral("pinyin"));
    m_pinyinColorLabel->setBuddy(m_pinyinColorComboBox);

    m_styleLabel = new QLabel(tab);
    m_styleTree = new QTreeWidget(tab);
    m_styleTree->setObjectName(QStringLiteral("styleTreeView"));
    m_styleTree->setColumnCount(2);
    m_styleTree->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_styleLabel->setBuddy(m_styleTree);
    connect(m_styleTree, &QTreeWidget::currentItemChanged, this,
            &OptionDialog::styleTreeView_currentItemChanged);

    m_pages = new QStackedWidget(tab);
    m_pages->setObjectName(QStringLiteral("stylePropertyPages"));
    auto* nonePage = new QWidget(m_pages);
    nonePage->setObjectName(QStringLiteral("nonePage"));
    m_fontSizeLabel = new QLabel(m_pages);
    m_fontSizeSpinBox = new QSpinBox(m_pages);
    m_fontSizeSpinBox->setObjectName(QStringLiteral("fontSizeSpinBox"));
    m_fontSizeSpinBox->setRange(6, 72);
    QWidget* fontSizePage = labelledRow(m_pages, m_fontSizeLabel, m_fontSizeSpinBox);
    fontSizePage->setObjectName(QStringLiteral("fontSizePage"));
    m_fontFamilyLabel = new QLabel(m_pages);
    m_fontFamilyComboBox = new QFontComboBox(m_pages);
    m_fontFamilyComboBox->setObjectName(QStringLiteral("fontFamilyComboBox"));
    QWidget* fontFamilyPage = labelledRow(m_pages, m_fontFamilyLabel, m_fontFamilyComboBox);
    fontFamilyPage->setObjectName(QStringLiteral("fontFamilyPage"));
    auto* fontWeightPage = new QWidget(m_pages);
    fontWeightPage->setObjectName(QStringLiteral("fontWeightPage"));
    m_fontWeightCheckbox = new QCheckBox(fontWeightPage);
    m_fontWeightCheckbox->setObjectName(QStringLiteral("fontWeightCheckbox"));
    (new QHBoxLayout(fontWeightPage))->addWidget(m_fontWeightCheckbox);
    m_colorLabel = new QLabel(m_pages);
    m_colorButton = new QPushButton(m_pages);
    m_colorButton->setObjectName(QStringLiteral("colorButton"));
    QWidget* colorPage = labelledRow(m_pages, m_colorLabel, m_colorButton);
    colorPage->setObjectName(QStringLiteral("colorPage"));
    connect(m_colorButton, &QPushButton::clicked, this, &OptionDialog::colorButton_clicked);
    for (QWidget* page : {nonePage, fontSizePage, fontFamilyPage, fontWeightPage, colorPage})
        m_pages->addWidget(page);
    connect(m_pages, &QStackedWidget::currentChanged, this,
            &OptionDialog::stylePropertyPages_currentChanged);
    connect(m_fontSizeSpinBox, &QSpinBox::valueChanged, this, &OptionDialog::styleProperty_changed);
    connect(m_fontFamilyComboBox, &QFontComboBox::currentFontChanged, this,
            &OptionDialog::styleProperty_changed);
    connect(m_fontWeightCheckbox, &QCheckBox::toggled, this, &OptionDialog::styleProperty_changed);

    m_resetStyleButton = new QPushButton(tab);
    m_resetStyleButton->setObjectName(QStringLiteral("resetStyleButton"));
    connect(m_resetStyleButton, &QPushButton::clicked, this,
            &OptionDialog::resetStyleButton_clicked);

    auto* form = new QFormLayout;
    form->addRow(m_fontLabel, fontRow);
    form->addRow(m_pinyinColorLabel, m_pinyinColorComboBox);
    auto* propertyRow = new QHBoxLayout;
    propertyRow->addWidget(m_pages, 1);
    propertyRow->addWidget(m_resetStyleButton);
    auto* layout = new QVBoxLayout(tab);
    layout->addLayout(form);
    layout->addWidget(m_styleLabel);
    layout->addWidget(m_styleTree, 1);
    layout->addLayout(propertyRow);
    return tab;
}

void OptionDialog::retranslate()
{
    setWindowTitle(translate("Options"));
    m_tabs->setTabText(0, translate("General"));
    m_tabs->setTabText(1, translate("Appearance"));
    m_localeLabel->setText(translate("Language:"));
    m_modeLabel->setText(translate("Chinese script:"));
    m_modeDD->setItemText(0, translate("Simplified"));
    m_modeDD->setItemText(1, translate("Traditional"));
    m_modeDD->setItemText(2, translate("Both"));
    m_updateCheckBox->setText(translate("Check for updates automatically"));
    m_playAudioCheckBox->setText(translate("Play audio after revealing a card"));
    m_fontLabel->setText(translate("Chinese font:"));
    m_changeFontButton->setText(translate("Change"));
    m_pinyinColorLabel->setText(translate("Pinyin colorization:"));
    m_pinyinColorComboBox->setItemText(0, translate("Don't colorize"));
    m_pinyinColorComboBox->setItemText(1, translate("Colorize pinyin"));
    m_styleLabel->setText(translate("Style:"));
    m_styleTree->setHeaderLabels({translate("Name"), translate("Value")});
    m_fontSizeLabel->setText(translate("Font size:"));
    m_fontFamilyLabel->setText(translate("Font family:"));
    m_fontWeightCheckbox->setText(translate("Bold"));
    m_colorLabel->setText(translate("Color:"));
    m_resetStyleButton->setText(translate("Reset"));
    m_saveButton->setText(translate("Save"));
    m_cancelButton->setText(translate("Cancel"));
    if (m_generalLoaded)
        showFontInformation();
}

void OptionDialog::prepareToShow()
{
    m_generalLoaded = false;
    m_appearanceLoaded = false;
}

void OptionDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    tabWidget_currentChanged(m_tabs->currentIndex());
}

void OptionDialog::tabWidget_currentChanged(int index)
{
    if (index == 0 && !m_generalLoaded)
        loadGeneralTab();
    else if (index == 1 && !m_appearanceLoaded)
        loadAppearanceTab();
}

void OptionDialog::loadGeneralTab()
{
    m_generalLoaded = true;
    selectData(m_modeDD, m_profile->setting(QStringLiteral("characterMode")).toString());
    QStringList locales = korvo::TranslationCatalogue::instance()->availableLocales();
    locales.sort();
    if (m_localeDD->count() != locales.size()) {
        m_localeDD->clear();
        for (const QString& code : std::as_const(locales))
            m_localeDD->addItem(korvo::TranslationCatalogue::localeDisplayName(code), code);
    }
    selectData(m_localeDD, m_profile->setting(QStringLiteral("locale")).toString());
    m_updateCheckBox->setChecked(m_profile->setting(QStringLiteral("autoUpdateCheck")).toBool());
    m_playAudioCheckBox->setChecked(
        m_profile->setting(QStringLiteral("playAudioOnRevealCard")).toBool());
    showFontInformation();
}

// The font row's information state: the font in use and the button that offers the others.
void OptionDialog::showFontInformation()
{
    m_fontChanging = false;
    const QString font = m_profile->setting(QStringLiteral("chineseFont")).toString();
    m_fontInfoLabel->setText(font.isEmpty() ? translate("(Default)") : font);
    m_fontInfoLabel->show();
    m_changeFontButton->show();
    m_fontComboBox->hide();
}

void OptionDialog::changeFontButton_clicked()
{
    m_fontChanging = true;
    m_fontComboBox->clear();
    m_fontComboBox->addItem(translate("(Default)"), QString());
    for (const QString& family : std::as_const(m_chineseFonts))
        m_fontComboBox->addItem(family, family);
    selectData(m_fontComboBox, m_profile->setting(QStringLiteral("chineseFont")).toString());
    m_fontInfoLabel->hide();
    m_changeFontButton->hide();
    m_fontComboBox->show();
    m_fontComboBox->setFocus();
}

void OptionDialog::loadAppearanceTab()
{
    m_appearanceLoaded = true;
    if (!m_generalLoaded)
        showFontInformation();
    selectData(m_pinyinColorComboBox,
               m_profile->setting(QStringLiteral("pinyinColorization")).toString() ==
                       QLatin1String("none")
                   ? QStringLiteral("none")
                   : QStringLiteral("pinyin"));
    buildStyleTree();
}

// One item per section with editable properties, one child per property with the value the
// learner's overrides give, else the style file's.
void OptionDialog::buildStyleTree()
{
    m_styleTree->clear();
    const QVariantMap sheet = Style::root()->loadedData().toMap();
    const QVariantMap overrides =
        korvo::readJson(m_profile->setting(QStringLiteral("overridenStyle")).toString()).toMap();
    for (auto section = sheet.cbegin(); section != sheet.cend(); ++section) {
        const QVariantMap properties = section.value().toMap();
        const QStringList editable = properties.value(QStringLiteral("editable"))
                                         .toString()
                                         .split(QLatin1Char(','), Qt::SkipEmptyParts);
        if (editable.isEmpty())
            continue;
        auto* item = new QTreeWidgetItem(m_styleTree);
        const QString title = properties.value(QStringLiteral("title"), section.key()).toString();
        item->setText(0, translate(title));
        item->setData(0, SectionRole, section.key());
        const QVariantMap sectionOverrides = overrides.value(section.key()).toMap();
        for (QString property : editable) {
            property = property.trimmed();
            auto* child = new QTreeWidgetItem(item);
            child->setText(0, propertyLabel(property));
            child->setData(0, PropertyRole, property);
            const QString fileValue = textOf(properties.value(property));
            child->setData(0, FileValueRole, fileValue);
            const bool overridden = sectionOverrides.contains(property);
            setChildValue(child, overridden ? textOf(sectionOverrides.value(property)) : fileValue,
                          overridden);
        }
    }
    m_styleTree->expandAll();
    m_pages->setCurrentIndex(NonePage);
}

void OptionDialog::setChildValue(QTreeWidgetItem* child, const QString& value, bool overridden)
{
    child->setText(1, value);
    child->setData(0, OverriddenRole, overridden);
    QFont font = child->font(1);
    font.setBold(overridden);
    child->setFont(1, font);
}

void OptionDialog::styleTreeView_currentItemChanged(QTreeWidgetItem* current, QTreeWidgetItem*)
{
    const bool property = current && current->parent();
    const Page page = property ? pageOf(current->data(0, PropertyRole).toString()) : NonePage;
    m_resetStyleButton->setEnabled(property);
    m_loadingPage = true;
    if (property) {
        const QString value = current->text(1);
        if (page == FontSizePage)
            m_fontSizeSpinBox->setValue(value.toInt());
        else if (page == FontFamilyPage)
            m_fontFamilyComboBox->setCurrentFont(QFont(value));
        else if (page == FontWeightPage)
            m_fontWeightCheckbox->setChecked(
                value.compare(QLatin1String("bold"), Qt::CaseInsensitive) == 0);
        else if (page == ColorPage)
            showColor(m_colorButton, QColor(value));
    }
    m_pages->setCurrentIndex(page);
    m_loadingPage = false;
}

void OptionDialog::stylePropertyPages_currentChanged(int) {}

void OptionDialog::styleProperty_changed()
{
    QTreeWidgetItem* child = m_styleTree->currentItem();
    if (m_loadingPage || !child || !child->parent())
        return;
    QString value;
    switch (m_pages->currentIndex()) {
    case FontSizePage:
        value = QString::number(m_fontSizeSpinBox->value());
        break;
    case FontFamilyPage:
        value = m_fontFamilyComboBox->currentFont().family();
        break;
    case FontWeightPage:
        value =
            m_fontWeightCheckbox->isChecked() ? QStringLiteral("bold") : QStringLiteral("normal");
        break;
    case ColorPage:
        value = m_colorButton->text();
        break;
    default:
        return;
    }
    if (value != child->text(1))
        setChildValue(child, value, true);
}

void OptionDialog::colorButton_clicked()
{
    QTreeWidgetItem* child = m_styleTree->currentItem();
    if (!child || !child->parent())
        return;
    const QColor color = QColorDialog::getColor(
        QColor(child->text(1)), this, propertyLabel(child->data(0, PropertyRole).toString()));
    if (!color.isValid())
        return;
    showColor(m_colorButton, color);
    styleProperty_changed();
}

void OptionDialog::resetStyleButton_clicked()
{
    QTreeWidgetItem* child = m_styleTree->currentItem();
    if (!child || !child->parent())
        return;
    setChildValue(child, child->data(0, FileValueRole).toString(), false);
    styleTreeView_currentItemChanged(child, child);
}

// The overridden properties as a JSON object of sections; a number stays a number.
QString OptionDialog::overridesJson() const
{
    QVariantMap sections;
    for (int i = 0; i < m_styleTree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_styleTree->topLevelItem(i);
        QVariantMap properties;
        for (int j = 0; j < item->childCount(); ++j) {
            const QTreeWidgetItem* child = item->child(j);
            if (!child->data(0, OverriddenRole).toBool())
                continue;
            const QString value = child->text(1);
            bool isNumber = false;
            const int number = value.toInt(&isNumber);
            properties.insert(child->data(0, PropertyRole).toString(),
                              isNumber ? QVariant(number) : QVariant(value));
        }
        if (!properties.isEmpty())
            sections.insert(item->data(0, SectionRole).toString(), properties);
    }
    return QString::fromUtf8(korvo::writeJson(sections));
}

// Everything is read from the form before anything is stored: a stored language retranslates
// this dialog at once, which would reset the rest of the form.
void OptionDialog::saveButton_clicked()
{
    QList<QPair<QString, QVariant>> settings;
    if (m_generalLoaded) {
        settings.append({QStringLiteral("characterMode"), m_modeDD->currentData()});
        settings.append({QStringLiteral("locale"), m_localeDD->currentData()});
        if (m_updateCheckBox->isVisibleTo(this))
            settings.append({QStringLiteral("autoUpdateCheck"), m_updateCheckBox->isChecked()});
        settings.append(
            {QStringLiteral("playAudioOnRevealCard"), m_playAudioCheckBox->isChecked()});
    }
    bool restartNeeded = false;
    if (m_appearanceLoaded) {
        if (m_fontChanging)
            settings.append({QStringLiteral("chineseFont"), m_fontComboBox->currentData()});
        const QString overrides = overridesJson();
        QString stored = m_profile->setting(QStringLiteral("overridenStyle")).toString();
        if (stored.isEmpty())
            stored = QStringLiteral("{}");
        if (overrides != stored) {
            settings.append({QStringLiteral("overridenStyle"), overrides});
            restartNeeded = true;
        }
        settings.append(
            {QStringLiteral("pinyinColorization"), m_pinyinColorComboBox->currentData()});
    }
    for (const auto& [name, value] : std::as_const(settings)) {
        // A box left without a selection (a stored value it does not offer) keeps the value.
        if (value.isValid())
            m_profile->setSetting(name, value);
    }
    if (restartNeeded) {
        korvo::information(
            translate("%1 must be restarted for some of these changes to take effect.")
                .arg(QStringLiteral("Quillet")));
    }
    hide();
    setResult(QDialog::Accepted);
}

void OptionDialog::setUpdateCheckOffered(bool offered)
{
    m_updateCheckBox->setVisible(offered);
}

void OptionDialog::cancelButton_clicked()
{
    reject();
}
