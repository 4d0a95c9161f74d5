#pragma once

#include <QDialog>
#include <QPageLayout>

#include <functional>

class QComboBox;
class QLabel;
class QPrinter;
class QPrintPreviewWidget;
class QPushButton;
class QSpinBox;

// The "Print deck" dialog: cards per row, page orientation, the page count and a live preview of
// the printed sheets above the "Print..." and "Cancel" buttons. "Print..." opens the system print
// dialog; on a system without printers it asks for a PDF file to print into instead. The pages
// are painted by whoever listens to paintRequested(). The printer is borrowed from the caller
// (the card printer keeps it between print jobs); the dialog owns its controls.
class PrintCardDialog : public QDialog
{
    Q_OBJECT

public:
    // Chooses the PDF file to print into, starting from `suggestion`; empty when cancelled.
    using PdfFileChooser = std::function<QString(QWidget* parent, const QString& suggestion)>;

    explicit PrintCardDialog(QPrinter* printer, QWidget* parent = nullptr);

    QPrinter* printer() const { return m_printer; }
    int cardsPerRow() const;
    QPageLayout::Orientation orientation() const;
    int pageCount() const;
    QPrintPreviewWidget* previewWidget() const { return m_preview; }

    // With PDF output "Print..." asks for a file (no printer is installed) instead of showing the
    // system print dialog.
    void setPdfOutput(bool pdfOutput);
    bool pdfOutput() const { return m_pdfOutput; }
    // Replaces the file dialog that asks for the PDF file (tests answer it themselves).
    void setPdfFileChooser(PdfFileChooser chooser);

    // Paints the preview again and shows its page count.
    void refreshPreview();
    void retranslate();

signals:
    void paintRequested(QPrinter* printer);

public slots:
    int exec() override;
    void printPreview_paintRequested(QPrinter* printer);
    void cardsPerRow_valueChanged(int value);
    void orientationComboBox_currentIndexChanged(int index);
    void openPrintDialog();

private:
    QPrinter* m_printer;
    QPrintPreviewWidget* m_preview = nullptr;
    QLabel* m_cardsPerRowLabel = nullptr;
    QSpinBox* m_cardsPerRowSpinBox = nullptr;
    QLabel* m_orientationLabel = nullptr;
    QComboBox* m_orientationComboBox = nullptr;
    QLabel* m_pageLabel = nullptr;
    QLabel* m_pageCountLabel = nullptr;
    QPushButton* m_printButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    bool m_pdfOutput = false;
    PdfFileChooser m_pdfFileChooser;
};
