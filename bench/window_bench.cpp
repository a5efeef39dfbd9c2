// How long the window takes to show a whole expanded scan: from the moment the
// scan starts until the list holds every row and has been laid out.
//
//   spanmeter-window-bench <directory>
//
// Prints one line: "<seconds> s <rows> rows". Runs on the offscreen platform
// unless QT_QPA_PLATFORM names another.
#include "app/CMainFrame.h"
#include "view/CListControl.h"
#include "view/CSpanmeterView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <directory>\n", argv[0]);
        return 2;
    }
    const QByteArray directory(argv[1]);

    CMainFrame frame;
    const bool framed = frame.OnCreate();
    auto* view = new CSpanmeterView;
    if (framed)
        frame.SetView(view);
    QWidget* window = framed ? static_cast<QWidget*>(&frame) : view;
    window->resize(1000, 700);
    window->show();

    QEventLoop loop;
    QObject::connect(view, &CSpanmeterView::scanFinished, &loop, &QEventLoop::quit);

    // The first scan is the compressed one of start-up; wait for it so it
    // does not share the machine with the measured one.
    view->OnInitialUpdate(directory);
    loop.exec();

    QElapsedTimer timer;
    QObject::connect(view, &CSpanmeterView::scanStarted, view, [&timer] { timer.start(); });
    view->OnViewExpanded();
    loop.exec();
    // Let the view lay out and paint what it now holds.
    view->doItemsLayout();
    view->viewport()->repaint();
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;

    std::printf("%.3f s %d rows\n", seconds, view->List()->RowCount());
    return 0;
}
