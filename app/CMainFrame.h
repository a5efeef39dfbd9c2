#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPointer>

class CSpanmeterDoc;
class CSpanmeterView;
class CStatusPane;
class QAction;
class QLabel;
class QStatusBar;
class QToolBar;

// The program's one window: menu, tool bar, the keys, a two-pane status bar
// and the list view in the middle. Every command is an action that carries
// its command id; the view's commands are connected once the view is set.
class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    explicit CMainFrame(QWidget* parent = nullptr);

    // Makes the actions, the menu, the tool bar and the status bar. False when
    // a part could not be made (the tool bar pictures missing).
    bool OnCreate();
    // Puts the view in the middle and connects it to the commands and bars.
    void SetView(CSpanmeterView* view);
    CSpanmeterView* View() const;
    // Save as goes to the document; its title then shows in the caption.
    void SetDocument(CSpanmeterDoc* document);

    // The action of a command id (its data() holds the id); nullptr when none.
    QAction* Action(int commandId) const;

    // Pane 0 is the message pane ("Ready", the prompts), pane 1 the scan pane.
    void SetPaneText(int pane, const QString& text);
    QString PaneText(int pane) const;

    // Shows the About box; pane 0 carries its text while the box is open.
    void OnAppAbout();

protected:
    // The bars are fixed: no menu for hiding them.
    QMenu* createPopupMenu() override;

private:
    bool createActions();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    // The tool bar offers the view that is not shown.
    void OnViewModeChanged(bool compressed);

    QStatusBar* m_wndStatusBar = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    QLabel* m_messagePane = nullptr;
    CStatusPane* m_scanPane = nullptr;
    QHash<int, QAction*> m_actions;
    QPointer<CSpanmeterView> m_view;
};
