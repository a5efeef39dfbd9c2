#include "about/CHyperLink.h"

#include <QDesktopServices>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QUrl>

namespace {

QColor linkColour(0, 0, 255);
QColor activeColour(0, 0, 255);

} // namespace

CHyperLink::CHyperLink(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
    setFocusPolicy(Qt::ClickFocus);
    Repaint();
}

void CHyperLink::SetLinkColours(const QColor& link, const QColor& active) {
    linkColour = link;
    activeColour = active;
}

void CHyperLink::SetTarget(const QString& target) {
    m_strTarget = target;
}

void CHyperLink::Attach() {
    m_fontLink = font();
    m_fontLink.setUnderline(true);
    setFont(m_fontLink);
    FitToText();
    setCursor(Qt::PointingHandCursor);
    Repaint();
}

void CHyperLink::FitToText() {
    // Keeps the top-left corner; the size is the text's plus any border.
    const QSize text = QFontMetrics(m_fontLink).size(Qt::TextSingleLine, this->text());
    const QRect contents = contentsRect();
    resize(text.width() + width() - contents.width(), text.height() + height() - contents.height());
    update();
}

void CHyperLink::OpenTarget() {
    QDesktopServices::openUrl(QUrl(m_strTarget));
}

void CHyperLink::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    m_bActive = true;
    Repaint();
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event) {
    // The press made the link active; a release after the pointer left it
    // opens nothing.
    if (event->button() == Qt::LeftButton && m_bActive &&
        rect().contains(event->position().toPoint()))
        OpenTarget();
    else
        QLabel::mouseReleaseEvent(event);
}

void CHyperLink::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        OpenTarget();
        return;
    }
    QLabel::keyPressEvent(event);
}

void CHyperLink::focusInEvent(QFocusEvent* event) {
    m_bActive = true;
    Repaint();
    QLabel::focusInEvent(event);
}

void CHyperLink::focusOutEvent(QFocusEvent* event) {
    m_bActive = false;
    Repaint();
    QLabel::focusOutEvent(event);
}

void CHyperLink::Repaint() {
    QPalette colours = palette();
    // Every colour group: the link keeps its colour in an inactive window too.
    colours.setColor(QPalette::WindowText, m_bActive ? activeColour : linkColour);
    setPalette(colours);
    update();
}
