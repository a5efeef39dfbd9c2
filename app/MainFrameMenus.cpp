// The frame's actions, menu, tool bar and status bar, all made from the one
// command table.
#include "app/CMainFrame.h"

#include "app/CStatusPane.h"
#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "resources/Resources.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

namespace {

constexpr int kImageSize = 16;

} // namespace

bool CMainFrame::createActions() {
    const QList<QIcon> images = ToolBarImages();
    if (images.isEmpty()) {
        return false;
    }
    setWindowIcon(ProgramIcon());

    for (const CommandInfo& command : CommandTable()) {
        auto* action = new QAction(this);
        action->setData(command.id);
        if (command.menuText != nullptr) {
            // The menu shows the action's first key after its text, as the
            // text after the tab names it; a tab in the text itself would end
            // up in the item's accessible name.
            const QString text = QString::fromLatin1(command.menuText);
            action->setText(text.left(text.indexOf(u'\t')));
        }
        if (command.prompt != nullptr) {
            const QString prompt = QString::fromLatin1(command.prompt);
            const qsizetype split = prompt.indexOf(u'\n');
            action->setStatusTip(prompt.left(split));
            action->setToolTip(prompt.mid(split + 1));
        }
        if (command.image >= 0) {
            action->setIcon(images[command.image]);
            action->setIconVisibleInMenu(false);
        }
        action->setShortcuts(command.keys);
        // Keys without a menu item or button still work anywhere in the window.
        addAction(action);
        m_actions.insert(command.id, action);
    }
    connect(Action(ID_APP_EXIT), &QAction::triggered, this, &QWidget::close);
    connect(Action(ID_APP_ABOUT), &QAction::triggered, this, &CMainFrame::OnAppAbout);
    return true;
}

void CMainFrame::createMenus() {
    const auto fill = [this](QMenu* menu, std::span<const int> layout) {
        for (const int id : layout) {
            if (id == 0) {
                menu->addSeparator();
            } else {
                menu->addAction(Action(id));
            }
        }
    };
    fill(menuBar()->addMenu(QStringLiteral("&File")), FileMenuLayout());
    fill(menuBar()->addMenu(QStringLiteral("&Help")), HelpMenuLayout());
}

void CMainFrame::createToolBar() {
    m_wndToolBar = new QToolBar(this);
    m_wndToolBar->setObjectName(QStringLiteral("ToolBar"));
    m_wndToolBar->setMovable(false);
    m_wndToolBar->setFloatable(false);
    m_wndToolBar->setIconSize(QSize(kImageSize, kImageSize));
    m_wndToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const int id : ToolBarLayout()) {
        if (id == 0) {
            m_wndToolBar->addSeparator();
        } else {
            QAction* action = Action(id);
            m_wndToolBar->addAction(action);
            // A screen reader names a button as its tooltip says; the buttons
            // of commands without a menu item would have no name at all.
            m_wndToolBar->widgetForAction(action)->setAccessibleName(action->toolTip());
        }
    }
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
}

void CMainFrame::createStatusBar() {
    m_wndStatusBar = new QStatusBar(this);
    m_wndStatusBar->setObjectName(QStringLiteral("StatusBar"));

    // Pane 0: "Ready" while idle; prompts are shown over it as messages.
    m_messagePane = new QLabel(QStringLiteral("Ready"), m_wndStatusBar);
    m_messagePane->setTextFormat(Qt::PlainText);
    m_messagePane->setMargin(2);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        m_messagePane->setMinimumWidth(screen->geometry().width() / 4);
    }
    m_wndStatusBar->addWidget(m_messagePane, 1);

    // Pane 1: the scan pane, sized to seventy X and showing them until the
    // first scan text arrives.
    m_scanPane = new CStatusPane(QString(70, u'X'), m_wndStatusBar);
    m_wndStatusBar->addPermanentWidget(m_scanPane);

    setStatusBar(m_wndStatusBar);
}
