#include "app/CMainFrame.h"

#include "about/CAboutDlg.h"
#include "app/CSpanmeterDoc.h"
#include "app/CStatusPane.h"
#include "app/CommandIds.h"
#include "view/CSpanmeterView.h"

#include <QAction>
#include <QStatusBar>

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Spanmeter"));
}

bool CMainFrame::OnCreate() {
    if (!createActions()) {
        return false;
    }
    createMenus();
    createToolBar();
    createStatusBar();
    return true;
}

void CMainFrame::SetView(CSpanmeterView* view) {
    m_view = view;
    setCentralWidget(view);

    connect(Action(ID_DIR_UP), &QAction::triggered, view, &CSpanmeterView::OnDirUp);
    connect(Action(ID_VIEW_EXPANDED), &QAction::triggered, view, &CSpanmeterView::OnViewExpanded);
    connect(Action(ID_VIEW_COMPRESSED), &QAction::triggered, view,
            &CSpanmeterView::OnViewCompressed);
    connect(Action(ID_VIEW_REFRESH), &QAction::triggered, view, &CSpanmeterView::OnViewRefresh);
    connect(Action(ID_HELP_CONTENTS), &QAction::triggered, view, &CSpanmeterView::OnHelpContents);
    connect(Action(ID_EDIT_COPY), &QAction::triggered, view, &CSpanmeterView::OnEditCopy);
    connect(Action(ID_OPTIONS), &QAction::triggered, view, &CSpanmeterView::OnOptions);
    connect(Action(ID_FILE_PRINT), &QAction::triggered, view, &CSpanmeterView::OnFilePrint);
    connect(Action(ID_FILE_PRINT_PREVIEW), &QAction::triggered, view,
            &CSpanmeterView::OnFilePrintPreview);
    connect(Action(ID_FILE_PRINT_SETUP), &QAction::triggered, view,
            &CSpanmeterView::OnFilePrintSetup);

    connect(view, &CSpanmeterView::scanStatusChanged, this,
            [this](const QString& text) { SetPaneText(1, text); });
    connect(view, &CSpanmeterView::viewModeChanged, this, &CMainFrame::OnViewModeChanged);
    view->setFocus();
}

void CMainFrame::SetDocument(CSpanmeterDoc* document) {
    connect(Action(ID_FILE_SAVE_AS), &QAction::triggered, document,
            [this, document] { document->OnFileSaveAs(this); });
    connect(document, &CSpanmeterDoc::titleChanged, this, [this](const QString& title) {
        setWindowTitle(title + QStringLiteral(" - Spanmeter"));
    });
}

CSpanmeterView* CMainFrame::View() const {
    return m_view;
}

QAction* CMainFrame::Action(int commandId) const {
    return m_actions.value(commandId, nullptr);
}

void CMainFrame::SetPaneText(int pane, const QString& text) {
    if (pane == 0) {
        // Goes straight to the pane, until the next prompt replaces it.
        m_wndStatusBar->showMessage(text);
    } else if (pane == 1) {
        m_scanPane->setText(text);
    }
}

QString CMainFrame::PaneText(int pane) const {
    if (pane == 0) {
        const QString message = m_wndStatusBar->currentMessage();
        return message.isEmpty() ? m_messagePane->text() : message;
    }
    return pane == 1 ? m_scanPane->text() : QString();
}

void CMainFrame::OnAppAbout() {
    // The text stands in for the idle text while the box is open: the button's
    // prompt, taken back as the box takes the pointer, must not take it away.
    m_wndStatusBar->clearMessage();
    m_messagePane->setText(QStringLiteral("All your base are belong to us"));
    {
        CAboutDlg dialog(this);
        dialog.exec();
    }
    m_messagePane->setText(QStringLiteral("Ready"));
}

QMenu* CMainFrame::createPopupMenu() {
    return nullptr;
}

void CMainFrame::OnViewModeChanged(bool compressed) {
    QAction* shown = Action(compressed ? ID_VIEW_COMPRESSED : ID_VIEW_EXPANDED);
    QAction* offered = Action(compressed ? ID_VIEW_EXPANDED : ID_VIEW_COMPRESSED);
    shown->setVisible(false);
    shown->setEnabled(false);
    offered->setVisible(true);
    offered->setEnabled(true);
}
