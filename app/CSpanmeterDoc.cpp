#include "app/CSpanmeterDoc.h"

CSpanmeterDoc::CSpanmeterDoc(QObject* parent) : QObject(parent) {}

bool CSpanmeterDoc::OnNewDocument() {
    m_title = QStringLiteral("Untitled");
    return true;
}
