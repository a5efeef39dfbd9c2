#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class CSpanmeterView;
class QWidget;

// The one document: it holds no data of its own (the list is the view's) and
// is never modified, so closing never asks to save. Saving writes the view's
// text report; after a successful save the document takes the file's path.
class CSpanmeterDoc : public QObject {
    Q_OBJECT

public:
    explicit CSpanmeterDoc(QObject* parent = nullptr);

    // Every start makes a new, empty document.
    bool OnNewDocument();
    void AddView(CSpanmeterView* view);

    // Save as: asks for a path (proposing the last one, else the title) and
    // saves there. Cancel writes nothing.
    void OnFileSaveAs(QWidget* parent);
    // Writes the report of every view to `path`; false when a write failed.
    bool OnSaveDocument(const QString& path);

signals:
    void titleChanged(const QString& title);

private:
    QString m_title;    // "Untitled" until a save; then the saved file's name
    QString m_pathName; // of the last successful save; empty before
    QList<QPointer<CSpanmeterView>> m_views;
};
