#include "cards/printcarddialog.h"

#include "text/translationcatalogue.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

using korvo::translate;

namespace {

QString defaultPdfFileChooser(QWidget* parent, const QString& suggestion)
{
    return QFileDialog::getSaveFileName(parent, translate(QStringLiteral("Print to PDF file")),
                                        suggestion, translate(QStringLiteral("PDF files (*.pdf)")));
}

} // namespace

PrintCardDialog::PrintCardDialog(QPrinter* printer, QWidget* parent)
    : QDialog(parent), m_printer(printer), m_pdfFileChooser(defaultPdfFileChooser)
{
    setObjectName(QStringLiteral("PrintCardDialog"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));

    auto* controls = new QWidget(this);
    controls->setObjectName(QStringLiteral("widget_2"));
    auto* horizontalLayout = new QHBoxLayout(controls);
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    horizontalLayout->setContentsMargins(0, 0, 0, 0);

    m_cardsPerRowLabel = new QLabel(controls);
    m_cardsPerRowLabel->setObjectName(QStringLiteral("cardsPerRowLabel"));
    m_cardsPerRowSpinBox = new QSpinBox(controls);
    m_cardsPerRowSpinBox->setObjectName(QStringLiteral("cardsPerRowSpinBox"));
    m_cardsPerRowSpinBox->setRange(1, 10);
    m_cardsPerRowSpinBox->setValue(5);
    m_cardsPerRowSpinBox->setMaximumWidth(50);
    m_cardsPerRowSpinBox->setMinimumHeight(26);
    m_cardsPerRowLabel->setBuddy(m_cardsPerRowSpinBox);

    m_orientationLabel = new QLabel(controls);
    m_orientationLabel->setObjectName(QStringLiteral("orientationLabel"));
    m_orientationComboBox = new QComboBox(controls);
    m_orientationComboBox->setObjectName(QStringLiteral("orientationComboBox"));
    m_orientationComboBox->setMinimumHeight(26);
    m_orientationComboBox->addItem(QString());
    m_orientationComboBox->addItem(QString());
    m_orientationLabel->setBuddy(m_orientationComboBox);

    m_pageLabel = new QLabel(controls);
    m_pageLabel->setObjectName(QStringLiteral("pageLabel"));
    m_pageCountLabel = new QLabel(controls);
    m_pageCountLabel->setObjectName(QStringLiteral("pageCountLabel"));

    auto* buttons = new QWidget(controls);
    buttons->setObjectName(QStringLiteral("widget"));
    auto* horizontalLayout2 = new QHBoxLayout(buttons);
    horizontalLayout2->setObjectName(QStringLiteral("horizontalLayout_2"));
    horizontalLayout2->setContentsMargins(0, 0, 0, 0);
    m_printButton = new QPushButton(buttons);
    m_printButton->setObjectName(QStringLiteral("printButton"));
    m_printButton->setMinimumSize(50, 26);
    m_printButton->setDefault(true);
    m_cancelButton = new QPushButton(buttons);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_cancelButton->setMinimumSize(50, 26);
    horizontalLayout2->addWidget(m_printButton);
    horizontalLayout2->addWidget(m_cancelButton);

    horizontalLayout->addWidget(m_cardsPerRowLabel);
    horizontalLayout->addWidget(m_cardsPerRowSpinBox);
    horizontalLayout->addSpacing(12);
    horizontalLayout->addWidget(m_orientationLabel);
    horizontalLayout->addWidget(m_orientationComboBox);
    horizontalLayout->addSpacing(12);
    horizontalLayout->addWidget(m_pageLabel);
    horizontalLayout->addWidget(m_pageCountLabel);
    horizontalLayout->addStretch(1);
    horizontalLayout->addWidget(buttons);
    verticalLayout->addWidget(controls);

    auto* previewContainer = new QVBoxLayout;
    previewContainer->setObjectName(QStringLiteral("previewWidgetContainter"));
    m_preview = new QPrintPreviewWidget(m_printer, this);
    m_preview->setObjectName(QStringLiteral("printPreviewWidget"));
    m_preview->fitToWidth();
    previewContainer->addWidget(m_preview);
    verticalLayout->addLayout(previewContainer, 1);

    connect(m_preview, &QPrintPreviewWidget::paintRequested, this,
            &PrintCardDialog::printPreview_paintRequested);
    connect(m_cardsPerRowSpinBox, &QSpinBox::valueChanged, this,
            &PrintCardDialog::cardsPerRow_valueChanged);
    connect(m_orientationComboBox, &QComboBox::currentIndexChanged, this,
            &PrintCardDialog::orientationComboBox_currentIndexChanged);
    connect(m_printButton, &QPushButton::clicked, this, &PrintCardDialog::openPrintDialog);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    resize(800, 640);
    retranslate();
}

int PrintCardDialog::cardsPerRow() const
{
    return m_cardsPerRowSpinBox->value();
}

QPageLayout::Orientation PrintCardDialog::orientation() const
{
    return m_orientationComboBox->currentText() == translate(QStringLiteral("Portrait"))
               ? QPageLayout::Portrait
               : QPageLayout::Landscape;
}

int PrintCardDialog::pageCount() const
{
    return m_preview->pageCount();
}

void PrintCardDialog::setPdfOutput(bool pdfOutput)
{
    m_pdfOutput = pdfOutput;
    retranslate();
}

void PrintCardDialog::setPdfFileChooser(PdfFileChooser chooser)
{
    m_pdfFileChooser = chooser ? std::move(chooser) : PdfFileChooser(defaultPdfFileChooser);
}

void PrintCardDialog::refreshPreview()
{
    m_printer->setPageOrientation(orientation());
    m_preview->updatePreview();
    m_pageCountLabel->setText(QString::number(m_preview->pageCount()));
}

void PrintCardDialog::retranslate()
{
    setWindowTitle(translate(QStringLiteral("Print deck")));
    m_cardsPerRowLabel->setText(translate(QStringLiteral("Cards per row:")));
    m_orientationLabel->setText(translate(QStringLiteral("Orientation:")));
    // The texts change under the combo box without changing its choice.
    const QSignalBlocker blocker(m_orientationComboBox);
    m_orientationComboBox->setItemText(0, translate(QStringLiteral("Portrait")));
    m_orientationComboBox->setItemText(1, translate(QStringLiteral("Landscape")));
    m_pageLabel->setText(translate(QStringLiteral("Pages:")));
    if (m_pdfOutput) {
        m_printButton->setText(translate(QStringLiteral("Print to PDF...")));
        m_printButton->setToolTip(translate(
            QStringLiteral("There is no printer available: the cards are printed into a PDF "
                           "file instead.")));
    } else {
        m_printButton->setText(translate(QStringLiteral("Print...")));
        m_printButton->setToolTip(QString());
    }
    m_cancelButton->setText(translate(QStringLiteral("Cancel")));
}

int PrintCardDialog::exec()
{
    refreshPreview();
    return QDialog::exec();
}

void PrintCardDialog::printPreview_paintRequested(QPrinter* printer)
{
    printer->setPageOrientation(orientation());
    emit paintRequested(printer);
}

void PrintCardDialog::cardsPerRow_valueChanged(int value)
{
    refreshPreview();
}

void PrintCardDialog::orientationComboBox_currentIndexChanged(int index)
{
    refreshPreview();
}

void PrintCardDialog::openPrintDialog()
{
    if (m_pdfOutput) {
        QString suggestion = m_printer->outputFileName();
        if (suggestion.isEmpty())
            suggestion = QDir::home().filePath(m_printer->docName() + QStringLiteral(".pdf"));
        QString fileName = m_pdfFileChooser(this, suggestion);
        if (fileName.isEmpty())
            return;
        if (QFileInfo(fileName).suffix().isEmpty())
            fileName += QStringLiteral(".pdf");
        if (m_printer->outputFormat() != QPrinter::PdfFormat)
            m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setOutputFileName(fileName);
        accept();
        return;
    }
    QPrintDialog dialog(m_printer, this);
    if (dialog.exec() == QDialog::Accepted)
        accept();
}
