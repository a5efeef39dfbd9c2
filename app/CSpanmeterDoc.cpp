#include "app/CSpanmeterDoc.h"

#include "view/CSpanmeterView.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

CSpanmeterDoc::CSpanmeterDoc(QObject* parent) : QObject(parent) {}

bool CSpanmeterDoc::OnNewDocument() {
    m_title = QStringLiteral("Untitled");
    return true;
}

void CSpanmeterDoc::AddView(CSpanmeterView* view) {
    m_views.append(view);
}

void CSpanmeterDoc::OnFileSaveAs(QWidget* parent) {
    QString proposed = m_pathName;
    if (proposed.isEmpty()) {
        // The title, cut before the first blank, "#", "%", ";", "/" or "\".
        proposed = m_title;
        const qsizetype cut = proposed.indexOf(QRegularExpression(QStringLiteral("[ #%;/\\\\]")));
        if (cut >= 0)
            proposed.truncate(cut);
    }
    const QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("Save As"), proposed,
                                                      QStringLiteral("All Files (*)"));
    if (path.isEmpty())
        return;
    // A failed save keeps the earlier path and title.
    if (!OnSaveDocument(path))
        return;
    m_pathName = QFileInfo(path).absoluteFilePath();
    m_title = QFileInfo(path).fileName();
    emit titleChanged(m_title);
}

bool CSpanmeterDoc::OnSaveDocument(const QString& path) {
    bool saved = true;
    for (const QPointer<CSpanmeterView>& view : std::as_const(m_views)) {
        if (view && !view->SaveReport(path))
            saved = false;
    }
    return saved;
}
