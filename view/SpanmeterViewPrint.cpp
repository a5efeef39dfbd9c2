#include "report/CPrintInfo.h"
#include "report/CPrintSetupDlg.h"
#include "ui/MessageBox.h"
#include "view/CListControl.h"
#include "view/CSpanmeterView.h"

#include <QFontInfo>
#include <QHeaderView>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>

QPrinter* CSpanmeterView::Printer() {
    if (!m_printer) {
        const QPrinterInfo queue = QPrinterInfo::defaultPrinter();
        if (queue.isNull()) {
            m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            m_printer->setOutputFormat(QPrinter::PdfFormat);
        } else {
            m_printer = std::make_unique<QPrinter>(queue, QPrinter::HighResolution);
        }
        m_printer->setDocName(QStringLiteral("Spanmeter"));
    }
    return m_printer.get();
}

PrintInput CSpanmeterView::PrintInputs() const {
    PrintInput input;
    input.report = MakeReportInput();
    input.font = font();
    input.font.setPixelSize(fontInfo().pixelSize());
    for (int k = 0; k < ColumnCount; ++k)
        input.columnWidths[k] = ColumnWidth(k);
    input.rowHeight = visualRect(m_list->index(0, 0)).height();
    input.headerHeight = header()->height();
    input.logicalDpiY = logicalDpiY();
    return input;
}

void CSpanmeterView::OnFilePrint() {
    CPrintInfo info;
    info.printer = Printer();
    if (!m_printLayout.PreparePrinting(&info, this, m_list->RowCount()))
        return;
    PaintPages(info.printer, &info);
}

void CSpanmeterView::OnFilePrintPreview() {
    CPrintInfo info;
    info.printer = Printer();
    info.preview = true;
    if (!m_printLayout.PreparePrinting(&info, this, m_list->RowCount()))
        return;
    QPrintPreviewDialog preview(info.printer, this);
    preview.setWindowTitle(QStringLiteral("Spanmeter"));
    preview.resize(860, 640);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this, &info](QPrinter* printer) { PaintPages(printer, &info); });
    preview.exec();
}

void CSpanmeterView::OnFilePrintSetup() {
    CPrintSetupDlg dialog(Printer(), this);
    dialog.exec();
}

void CSpanmeterView::PaintPages(QPrinter* printer, CPrintInfo* info) {
    QPainter dc;
    if (!dc.begin(printer)) {
        // A PDF file that cannot be written, a queue that refuses the job.
        const QString file = printer->outputFileName();
        ShowWarning(this, file.isEmpty()
                              ? QStringLiteral("The printer cannot print.")
                              : QStringLiteral("Cannot print to the file %1.").arg(file));
        return;
    }
    m_printLayout.BeginPrinting(&dc, info, QStringLiteral("Spanmeter"), PrintInputs());
    int first = 1;
    int last = info->maxPage;
    if (!info->preview && printer->printRange() == QPrinter::PageRange) {
        first = std::max(1, printer->fromPage());
        last = std::min(last, printer->toPage());
    }
    for (int page = first; page <= last; ++page) {
        if (page > first)
            printer->newPage();
        info->currentPage = page;
        m_printLayout.PrintPage(&dc, info);
    }
    m_printLayout.EndPrinting(&dc, info);
}
