// The text report of the list as it is now: on the clipboard (Copy) or in a
// file (Save as).
#include "scan/Columns.h"
#include "ui/FileSystemText.h"
#include "ui/MessageBox.h"
#include "view/CListControl.h"
#include "view/CSpanmeterView.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QSaveFile>

#include <memory>

ReportInput CSpanmeterView::MakeReportInput() const {
    std::array<int, ColumnCount> pixelWidths{};
    std::array<std::string, ColumnCount> headers;
    for (int k = 0; k < ColumnCount; ++k) {
        pixelWidths[k] = ColumnWidth(k);
        headers[k] = m_list->ColumnTitleBytes(k);
    }
    return ::MakeReportInput(pixelWidths, StringWidth(QStringLiteral("_")), headers, m_list->Rows(),
                             m_list->Total(), m_list->FreeBytes(), m_scan.format);
}

std::string CSpanmeterView::BuildReport() const {
    return ::BuildReport(MakeReportInput());
}

void CSpanmeterView::OnEditCopy() {
    QApplication::clipboard()->setText(FromFileSystem(BuildReport()));
}

namespace {

enum class SaveFailure { None, DiskFull, Other };

// Writes `text` to `path`. A regular file (or a new one) is replaced only once
// the whole text is written, so a failure leaves an earlier file as it was;
// anything else that exists there (a pipe, a device) is written directly.
SaveFailure WriteReportFile(const QString& path, const std::string& text, QString& reason) {
    const QFileInfo target(path);
    std::unique_ptr<QFileDevice> file;
    if (target.exists() && !target.isFile() && !target.isDir())
        file = std::make_unique<QFile>(path);
    else
        file = std::make_unique<QSaveFile>(path);
    if (!file->open(QIODevice::WriteOnly)) {
        reason = file->errorString();
        return SaveFailure::Other;
    }
    // Taken at once: closing the file forgets why a write failed.
    const auto size = static_cast<qint64>(text.size());
    if (file->write(text.data(), size) != size || !file->flush()) {
        reason = file->errorString();
        // Qt reports a write that found no space left as a resource error.
        return file->error() == QFileDevice::ResourceError ? SaveFailure::DiskFull
                                                           : SaveFailure::Other;
    }
    auto* saveFile = dynamic_cast<QSaveFile*>(file.get());
    if (saveFile != nullptr && !saveFile->commit()) {
        reason = saveFile->errorString();
        return SaveFailure::Other;
    }
    return SaveFailure::None;
}

} // namespace

bool CSpanmeterView::SaveReport(const QString& path) {
    QString reason;
    const SaveFailure failure = WriteReportFile(path, BuildReport(), reason);
    if (failure == SaveFailure::None)
        return true;
    const QString file = QFileInfo(path).absoluteFilePath();
    const QString text =
        failure == SaveFailure::DiskFull
            ? QStringLiteral("Disk full while accessing %1.").arg(file)
            : QStringLiteral("The report could not be saved as %1.\n%2").arg(file, reason);
    ShowWarning(this, text);
    return false;
}
