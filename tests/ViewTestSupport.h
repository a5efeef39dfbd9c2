#pragma once

// Shared by the window's and the list view's tests: the real settings store in
// a temporary folder, views that have finished their scans, their rows as text.

#include "helpers/TreeMaker.h"
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

// Points the system-wide settings store at `folder` and empties it.
inline void UseEmptySettings(const QString& folder) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, folder);
    QSettings(QSettings::NativeFormat, QSettings::SystemScope, "Veldrun", "Spanmeter").clear();
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
// expanded view when asked; nullptr when a scan did not end.
inline std::unique_ptr<CSpanmeterView> ScannedView(const QString& root, bool expanded = false) {
    auto view = std::make_unique<CSpanmeterView>();
    QSignalSpy finished(view.get(), &CSpanmeterView::scanFinished);
    view->resize(800, 300);
    view->show();
    view->OnInitialUpdate(QFile::encodeName(root));
    if (expanded && WaitForScan(finished))
        view->OnViewExpanded();
    return WaitForScan(finished, expanded ? 2 : 1) ? std::move(view) : nullptr;
}

// Makes the first of `names` the current row and selects all of their rows.
inline void SelectRows(CSpanmeterView& view, const QStringList& names) {
    view.setCurrentIndex(view.List()->index(RowOf(view, names[0]), 0));
    for (const QString& name : names)
        view.selectionModel()->select(view.List()->index(RowOf(view, name), 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

inline QPoint HeaderMiddle(CSpanmeterView& view, int column) {
    QHeaderView* head = view.header();
    return {head->sectionViewportPosition(column) + head->sectionSize(column) / 2,
            head->height() / 2};
}

inline void ClickHeader(CSpanmeterView& view, int column) {
    QTest::mouseClick(view.header()->viewport(), Qt::LeftButton, {}, HeaderMiddle(view, column));
}

// What a header gets from a second click that follows the first quickly.
inline void DoubleClickHeader(CSpanmeterView& view, int column) {
    QTest::mouseDClick(view.header()->viewport(), Qt::LeftButton, {}, HeaderMiddle(view, column));
}

// Answers the modal windows that `run` opens, in turn: each answer is offered
// the active modal window until it takes it (returns true). An answer acts
// through Later(), so that a window it opens runs its loop outside the answer.
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

template <typename Function> void Later(QObject* context, Function function) {
    QMetaObject::invokeMethod(context, function, Qt::QueuedConnection);
}

// An answer that clicks the button of a message box (the one with `text` when given).
inline Answer ClickBox(QMessageBox::StandardButton button, QString* text = nullptr) {
    return [=](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr)
            return false;
        if (text != nullptr)
            *text = box->windowTitle() + u'|' + box->text();
        Later(box, [box, button] { box->button(button)->click(); });
        return true;
    };
}

// Runs `action` on the next modal dialog as soon as it shows.
inline void OnNextDialog(std::function<void(QDialog*)> action) {
    auto* timer = new QTimer(qApp);
    timer->setObjectName("nextDialog");
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            action(dialog);
        }
    });
    timer->start(10);
}

// Drops the actions still waiting, as a failed test may leave them.
inline void ForgetDialogActions() {
    qDeleteAll(qApp->findChildren<QTimer*>("nextDialog"));
}

} // namespace viewtest
