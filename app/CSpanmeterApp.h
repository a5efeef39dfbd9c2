#pragma once

#include <QByteArray>
#include <QList>
#include <QPointer>

#include <memory>

class CMainFrame;
class CSpanmeterDoc;
class QApplication;

// The application object: owns the QApplication, the document and the main
// window, and keeps the start directory named on the command line.
class CSpanmeterApp {
public:
    // Makes the QApplication, which takes Qt's own options out of the
    // arguments; when one exists already (a test), that one is used.
    CSpanmeterApp(int& argc, char** argv);
    ~CSpanmeterApp();
    CSpanmeterApp(const CSpanmeterApp&) = delete;
    CSpanmeterApp& operator=(const CSpanmeterApp&) = delete;

    // Start-up: the document, the main window, the view's first scan. False
    // when the window could not be made; the program then ends.
    bool InitInstance();
    // Runs the event loop until the main window is closed.
    int Run();

    CMainFrame* MainFrame() const;

private:
    void ParseCommandLine();

    std::unique_ptr<QApplication> m_application; // first made, last gone
    QList<QByteArray> m_arguments;
    QByteArray m_strCmdLineDir; // the start directory's bytes; empty when none is named
    std::unique_ptr<CSpanmeterDoc> m_document;
    QPointer<CMainFrame> m_mainFrame;
};
