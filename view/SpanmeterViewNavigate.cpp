#include "settings/ShellVerbs.h"
#include "ui/MessageBox.h"
#include "view/CListControl.h"
#include "view/CSpanmeterView.h"
#include "view/SecondInstance.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBrowser>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

// The directory on display is the process's current directory. A change that
// fails is not reported: the scan that follows shows the current one again.
void ChangeDirectory(const char* path) {
    if (::chdir(path) == 0 || errno != ENAMETOOLONG)
        return;
    // A row whose path is longer than the system's path limit: one name at a time.
    int fd = ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    for (std::string_view rest = path; fd >= 0 && !rest.empty();) {
        const size_t slash = std::min(rest.find('/'), rest.size());
        const std::string name(rest.substr(0, slash));
        const int next = ::openat(fd, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
        rest.remove_prefix(std::min(slash + 1, rest.size()));
    }
    if (fd < 0)
        return;
    [[maybe_unused]] const int changed = ::fchdir(fd); // failing as the plain change may
    ::close(fd);
}

} // namespace

void CSpanmeterView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        Descend();
    else if (event->button() == Qt::RightButton)
        OpenInNewInstance();
    QTreeView::mouseDoubleClickEvent(event);
}

const DirRow* CSpanmeterView::SingleSelectedRow() const {
    // Both double-clicks act only when exactly one row is selected: the one
    // at the selection mark.
    if (SelectedCount() != 1)
        return nullptr;
    const int row = SelectionMark();
    if (row < 0 || row >= m_list->RowCount())
        return nullptr;
    return &m_list->Row(row);
}

void CSpanmeterView::Descend() {
    const DirRow* row = SingleSelectedRow();
    if (row == nullptr)
        return;
    // The row's text is a path relative to the current directory, in the
    // file system's own bytes; the scanned directory's own row is empty.
    const std::string& directory = row->text[ColDirectory];
    if (!directory.empty())
        ChangeDirectory(directory.c_str());
    StartScan();
}

void CSpanmeterView::OpenInNewInstance() {
    if (const DirRow* row = SingleSelectedRow())
        StartSecondInstance(SecondInstanceFor(row->text[ColDirectory]));
}

void CSpanmeterView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        event->accept();
        window()->close();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // The keyboard's double-click: descends into the current row.
        event->accept();
        Descend();
        return;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        // Tab does nothing in the list and is not passed on.
        event->accept();
        return;
    default:
        QTreeView::keyPressEvent(event);
    }
}

bool CSpanmeterView::focusNextPrevChild(bool /*next*/) {
    // Keeps Tab from moving the focus out of the list.
    return true;
}

void CSpanmeterView::OnDirUp() {
    // At "/" the parent is "/" itself, which is scanned again.
    ChangeDirectory("..");
    StartScan();
}

void CSpanmeterView::OnViewExpanded() {
    emit viewModeChanged(false);
    m_scan.compressed = false;
    StartScan();
}

void CSpanmeterView::OnViewCompressed() {
    emit viewModeChanged(true);
    m_scan.compressed = true;
    StartScan();
}

void CSpanmeterView::OnViewRefresh() {
    StartScan();
}

void CSpanmeterView::OnHelpContents() {
    // The help file is the program file's path with ".HLP" appended, in HTML.
    const QString helpFile = GetModulePath() + QStringLiteral(".HLP");
    if (!QFileInfo(helpFile).isFile()) {
        ShowWarning(this, QStringLiteral("Cannot find the help file %1.").arg(helpFile));
        return;
    }
    if (!m_helpWindow) {
        m_helpWindow = new QTextBrowser(this);
        m_helpWindow->setWindowFlag(Qt::Window);
        m_helpWindow->setAttribute(Qt::WA_DeleteOnClose);
        m_helpWindow->setOpenExternalLinks(true);
        m_helpWindow->resize(560, 440);
        connect(m_helpWindow, &QTextBrowser::sourceChanged, m_helpWindow, [this] {
            const QString title = m_helpWindow->documentTitle();
            m_helpWindow->setWindowTitle(title.isEmpty() ? QStringLiteral("Spanmeter") : title);
        });
    }
    m_helpWindow->setSource(QUrl::fromLocalFile(helpFile), QTextDocument::HtmlResource);
    m_helpWindow->verticalScrollBar()->setValue(0);
    m_helpWindow->show();
    m_helpWindow->raise();
    m_helpWindow->activateWindow();
}
