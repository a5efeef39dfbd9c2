#include "report/CPrintSetupDlg.h"

#include <algorithm>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// The name shown for Qt's PDF printer.
QString PdfPrinterName() {
    return QStringLiteral("Print to File (PDF)");
}

} // namespace

CPrintSetupDlg::CPrintSetupDlg(QPrinter* printer, QWidget* parent)
    : QDialog(parent), m_printer(printer) {
    setWindowTitle(QStringLiteral("Print Setup"));

    auto* printerBox = new QGroupBox(QStringLiteral("Printer"), this);
    auto* printerForm = new QFormLayout(printerBox);
    m_name = new QComboBox(printerBox);
    m_name->addItems(QPrinterInfo::availablePrinterNames());
    m_name->addItem(PdfPrinterName());
    const bool pdf = printer->outputFormat() == QPrinter::PdfFormat;
    m_name->setCurrentIndex(pdf ? m_name->count() - 1
                                : std::max(0, m_name->findText(printer->printerName())));
    printerForm->addRow(QStringLiteral("&Name:"), m_name);

    auto* paperBox = new QGroupBox(QStringLiteral("Paper"), this);
    auto* paperForm = new QFormLayout(paperBox);
    m_paper = new QComboBox(paperBox);
    paperForm->addRow(QStringLiteral("Si&ze:"), m_paper);
    FillPaperSizes();
    connect(m_name, &QComboBox::currentIndexChanged, this, &CPrintSetupDlg::FillPaperSizes);

    auto* orientationBox = new QGroupBox(QStringLiteral("Orientation"), this);
    auto* orientationLayout = new QVBoxLayout(orientationBox);
    m_portrait = new QRadioButton(QStringLiteral("P&ortrait"), orientationBox);
    m_landscape = new QRadioButton(QStringLiteral("L&andscape"), orientationBox);
    orientationLayout->addWidget(m_portrait);
    orientationLayout->addWidget(m_landscape);
    (printer->pageLayout().orientation() == QPageLayout::Landscape ? m_landscape : m_portrait)
        ->setChecked(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* lower = new QHBoxLayout;
    lower->addWidget(paperBox, 1);
    lower->addWidget(orientationBox);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(printerBox);
    layout->addLayout(lower);
    layout->addWidget(buttons);
}

void CPrintSetupDlg::FillPaperSizes() {
    // The sizes the chosen queue offers; the PDF printer takes the common ones.
    QList<QPageSize> sizes;
    if (m_name->currentText() != PdfPrinterName())
        sizes = QPrinterInfo::printerInfo(m_name->currentText()).supportedPageSizes();
    if (sizes.isEmpty()) {
        for (const QPageSize::PageSizeId id :
             {QPageSize::A4, QPageSize::Letter, QPageSize::Legal, QPageSize::A3, QPageSize::A5,
              QPageSize::B5, QPageSize::Executive})
            sizes.append(QPageSize(id));
    }
    const QPageSize current = m_paper->count() > 0 ? m_paper->currentData().value<QPageSize>()
                                                   : m_printer->pageLayout().pageSize();
    // The paper in use stays on offer, whatever the list holds.
    const auto same = [&](const QPageSize& size) { return size.isEquivalentTo(current); };
    if (current.isValid() && std::none_of(sizes.begin(), sizes.end(), same))
        sizes.append(current);
    m_paper->clear();
    for (const QPageSize& size : sizes)
        m_paper->addItem(size.name(), QVariant::fromValue(size));
    m_paper->setCurrentIndex(
        static_cast<int>(std::find_if(sizes.begin(), sizes.end(), same) - sizes.begin()) %
        static_cast<int>(sizes.size()));
}

void CPrintSetupDlg::accept() {
    if (m_name->currentText() == PdfPrinterName()) {
        m_printer->setOutputFormat(QPrinter::PdfFormat);
    } else {
        m_printer->setOutputFormat(QPrinter::NativeFormat);
        m_printer->setPrinterName(m_name->currentText());
    }
    m_printer->setPageSize(m_paper->currentData().value<QPageSize>());
    m_printer->setPageOrientation(m_landscape->isChecked() ? QPageLayout::Landscape
                                                           : QPageLayout::Portrait);
    QDialog::accept();
}
