#include "app/CStatusPane.h"

#include <QFontMetrics>

CStatusPane::CStatusPane(const QString& sizingText, QWidget* parent)
    : QLabel(sizingText, parent), m_sizingText(sizingText) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // Directory names are shown as they are, never as markup.
    setTextFormat(Qt::PlainText);
    setIndent(0);
    setMargin(2);
    // Never wider than the sizing text, even when pane 0 hides behind a message.
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
}

QSize CStatusPane::sizeHint() const {
    // The contents margins hold the frame.
    const QMargins frame = contentsMargins();
    const int width =
        fontMetrics().horizontalAdvance(m_sizingText) + 2 * margin() + frame.left() + frame.right();
    return {width, QLabel::sizeHint().height()};
}

QSize CStatusPane::minimumSizeHint() const {
    return {2 * frameWidth(), QLabel::minimumSizeHint().height()};
}
