#include "app/CSpanmeterApp.h"

#include "app/CMainFrame.h"
#include "app/CSpanmeterDoc.h"
#include "ui/MessageBox.h"
#include "view/CSpanmeterView.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

CSpanmeterApp::CSpanmeterApp(int& argc, char** argv) {
    if (QApplication::instance() == nullptr) {
        m_application = std::make_unique<QApplication>(argc, argv);
    }
    QApplication::setApplicationName(QStringLiteral("Spanmeter"));
    QGuiApplication::setDesktopFileName(QStringLiteral("spanmeter"));
    // What Qt left of the arguments, as the bytes they were given in.
    for (int i = 1; i < argc; ++i) {
        m_arguments.append(QByteArray(argv[i]));
    }
}

CSpanmeterApp::~CSpanmeterApp() {
    // The window (and with it the view and its scan) goes before the document
    // and the QApplication.
    delete m_mainFrame;
    m_document.reset();
}

CMainFrame* CSpanmeterApp::MainFrame() const {
    return m_mainFrame;
}

void CSpanmeterApp::ParseCommandLine() {
    // A switch begins with "-" ("/" begins an absolute path); the first
    // argument that is none names the start directory, later ones are ignored.
    // Whether it exists is the view's affair.
    for (const QByteArray& argument : m_arguments) {
        if (!argument.startsWith('-')) {
            m_strCmdLineDir = argument;
            return;
        }
    }
}

bool CSpanmeterApp::InitInstance() {
    ParseCommandLine();

    // Whatever the command line asked for, the program starts with a new document.
    m_document = std::make_unique<CSpanmeterDoc>();
    m_document->OnNewDocument();

    auto* frame = new CMainFrame;
    if (!frame->OnCreate()) {
        delete frame;
        ShowWarning(nullptr, QStringLiteral("Failed to create empty document."));
        return false;
    }
    QGuiApplication::setWindowIcon(frame->windowIcon());
    // Closing the window ends the view, which stops a running scan.
    frame->setAttribute(Qt::WA_DeleteOnClose);
    m_mainFrame = frame;

    auto* view = new CSpanmeterView(frame);
    frame->SetView(view);
    m_document->AddView(view);
    frame->SetDocument(m_document.get());
    view->OnInitialUpdate(m_strCmdLineDir);
    frame->show();
    // Wide enough for the columns and the whole scan pane where the screen
    // allows; measured once shown, when the status bar holds its size grip.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    if (const QScreen* screen = frame->screen()) {
        const QRect available = screen->availableGeometry();
        frame->resize(qMin(qMax(860, frame->sizeHint().width()), available.width() * 9 / 10),
                      qMin(600, available.height() * 8 / 10));
    }
    frame->setWindowTitle(QStringLiteral("Spanmeter"));
    return true;
}

int CSpanmeterApp::Run() {
    return QApplication::exec();
}
