#pragma once

#include <QObject>
#include <QString>

// The one document: it holds no data of its own (the list is the view's) and
// is never modified, so closing never asks to save.
class CSpanmeterDoc : public QObject {
    Q_OBJECT

public:
    explicit CSpanmeterDoc(QObject* parent = nullptr);

    // Every start makes a new, empty document.
    bool OnNewDocument();
    QString Title() const { return m_title; }

private:
    QString m_title;
};
