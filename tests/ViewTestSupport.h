#pragma once

// Shared by the window's and the list view's tests: the real settings store in
// a temporary folder, scanned views and windows, their rows as text, and
// answers to the modal dialogs they open.

#include "app/CMainFrame.h"
#include "app/CSpanmeterApp.h"
#include "helpers/TreeMaker.h"
#include "settings/SettingsStore.h"
#include "view/CListControl.h"
#include "view/CSpanmeterView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QtTest>

#include <functional>
#include <memory>

namespace viewtest {

// Points the machine's settings store at `folder` and the user's at a
// configuration home below it, as the program pins them, and empties both.
inline void UseEmptySettings(const QString& folder) {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder + "/config-home"));
    PinSettingsStore();
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, folder);
    QSettings(QSettings::NativeFormat, QSettings::SystemScope, "Veldrun", "Spanmeter").clear();
    QFile::remove(UserStoreFile());
}

inline bool WaitForScan(const QSignalSpy& finished, qsizetype count = 1) {
    return QTest::qWaitFor([&] { return finished.count() >= count; }, 20000);
}

inline QString Text(const CSpanmeterView& view, int row, int column) {
    return QString::fromStdString(view.List()->Row(row).text[static_cast<size_t>(column)]);
}

inline QStringList RowNames(const CSpanmeterView& view) {
    QStringList names;
    for (int row = 0; row < view.List()->RowCount(); ++row)
        names.append(Text(view, row, ColDirectory));
    return names;
}

inline int RowOf(const CSpanmeterView& view, const QString& name) {
    return static_cast<int>(RowNames(view).indexOf(name));
}

// A shown view after its start-up scan of `root`, then after a scan in the
// expanded view when asked. A scan that does not end fails the test.
inline std::unique_ptr<CSpanmeterView> ScannedView(const QString& root, bool expanded = false) {
    auto view = std::make_unique<CSpanmeterView>();
    QSignalSpy finished(view.get(), &CSpanmeterView::scanFinished);
    view->resize(800, 300);
    view->show();
    view->OnInitialUpdate(QFile::encodeName(root));
    if (expanded && WaitForScan(finished))
        view->OnViewExpanded();
    QTest::qVerify(WaitForScan(finished, expanded ? 2 : 1) &&
                       finished.last().value(0).value<ScanOutcome>() == ScanOutcome::Completed,
                   "WaitForScan", "a scan did not complete", __FILE__, __LINE__);
    return view;
}

// The program started as main() starts it, with these arguments after its
// name, once its first scan has ended; nullptr when it did not get that far.
inline std::unique_ptr<CSpanmeterApp> StartApp(QByteArrayList arguments = {}) {
    arguments.prepend("spanmeter");
    std::vector<char*> argv;
    for (QByteArray& argument : arguments)
        argv.push_back(argument.data());
    int argc = static_cast<int>(argv.size());
    argv.push_back(nullptr);
    auto app = std::make_unique<CSpanmeterApp>(argc, argv.data());
    // The first scan's end reaches the view through the event loop.
    const bool started =
        app->InitInstance() &&
        WaitForScan(QSignalSpy(app->MainFrame()->View(), &CSpanmeterView::scanFinished));
    return started ? std::move(app) : nullptr;
}

// Makes the first of `names` the current row and selects all of their rows.
inline void SelectRows(CSpanmeterView& view, const QStringList& names) {
    view.setCurrentIndex(view.List()->index(RowOf(view, names[0]), 0));
    for (const QString& name : names)
        view.selectionModel()->select(view.List()->index(RowOf(view, name), 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

// A click on a header section; `quickly` a second one that follows the first.
inline void ClickHeader(CSpanmeterView& view, int column, bool quickly = false) {
    QHeaderView* head = view.header();
    const QPoint middle(head->sectionViewportPosition(column) + head->sectionSize(column) / 2,
                        head->height() / 2);
    quickly ? QTest::mouseDClick(head->viewport(), Qt::LeftButton, {}, middle)
            : QTest::mouseClick(head->viewport(), Qt::LeftButton, {}, middle);
}

// Answers the modal windows that `run` opens, in turn: each answer is offered
// the active modal window until it takes it (returns true). True when every
// answer was taken.
using Answer = std::function<bool(QWidget*)>;
inline bool AnswerModals(const std::function<void()>& run, QList<Answer> answers) {
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && !answers.isEmpty() && answers.first()(modal))
            answers.removeFirst();
    });
    timer.start(20);
    run();
    return answers.isEmpty();
}

// An answer that takes a modal window of type `Dialog` and acts on it from the
// event loop, so that a window the action opens runs its own loop there.
template <typename Dialog = QDialog, typename Action> Answer On(Action action) {
    return [action](QWidget* modal) {
        auto* dialog = qobject_cast<Dialog*>(modal);
        if (dialog == nullptr || dialog->property("answering").toBool())
            return false; // not this one, or not before the last answer has acted
        dialog->setProperty("answering", true);
        QTimer::singleShot(0, dialog, [dialog, action] {
            dialog->setProperty("answering", false);
            action(dialog);
        });
        return true;
    };
}

// Clicks `button` of a message box, noting "caption|text" in `text` when given.
inline Answer ClickBox(QMessageBox::StandardButton button, QString* text = nullptr) {
    return On<QMessageBox>([=](QMessageBox* box) {
        if (text != nullptr)
            *text = box->windowTitle() + u'|' + box->text();
        box->button(button)->click();
    });
}

} // namespace viewtest
