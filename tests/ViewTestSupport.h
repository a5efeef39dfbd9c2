#pragma once

// Shared by the list view's tests: real trees, the real settings store in a
// temporary folder, and views that have finished their scans.

#include "view/CListControl.h"
#include "view/CSpanmeterView.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QSettings>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace viewtest {

// Creates `relative` below `root`, with the directories it needs, holding `size` bytes.
inline bool MakeFile(const QString& root, const QString& relative, qint64 size) {
    const QString path = root + u'/' + relative;
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.resize(size);
}

// Points the system-wide settings store at an empty `folder`.
inline void UseEmptySettings(const QString& folder) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, folder);
    QSettings store(QSettings::NativeFormat, QSettings::SystemScope, QStringLiteral("Veldrun"),
                    QStringLiteral("Spanmeter"));
    store.clear();
}

inline bool WaitForScan(QSignalSpy& finished, int count = 1) {
    return QTest::qWaitFor([&] { return finished.count() >= count; }, 20000);
}

// A shown view after its start-up scan of `root` (and an expanded one).
inline std::unique_ptr<CSpanmeterView> ScannedView(const QString& root, bool expanded = false) {
    auto view = std::make_unique<CSpanmeterView>();
    QSignalSpy finished(view.get(), &CSpanmeterView::scanFinished);
    view->resize(800, 300);
    view->show();
    view->OnInitialUpdate(QFile::encodeName(root));
    if (!WaitForScan(finished))
        return nullptr;
    if (expanded) {
        view->OnViewExpanded();
        if (!WaitForScan(finished, 2))
            return nullptr;
    }
    return view;
}

inline QStringList RowNames(const CSpanmeterView& view) {
    QStringList names;
    for (int row = 0; row < view.List()->RowCount(); ++row)
        names.append(QString::fromStdString(view.List()->Row(row).text[ColDirectory]));
    return names;
}

inline int RowOf(const CSpanmeterView& view, const QString& name) {
    return static_cast<int>(RowNames(view).indexOf(name));
}

inline void ClickHeader(CSpanmeterView& view, int column) {
    QHeaderView* head = view.header();
    const QPoint at(head->sectionViewportPosition(column) + head->sectionSize(column) / 2,
                    head->height() / 2);
    QTest::mouseClick(head->viewport(), Qt::LeftButton, {}, at);
}

} // namespace viewtest
