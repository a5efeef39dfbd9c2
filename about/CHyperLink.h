#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>

// A static text that acts as a link: underlined, in the link colours, with a
// hand pointer; a click on it or the space key while it has the focus hands
// its target to the desktop. It is no tab stop: only a click gives it the focus.
class CHyperLink : public QLabel {
    Q_OBJECT

public:
    explicit CHyperLink(const QString& text, QWidget* parent = nullptr);

    // The colours of every link: normal, and while it is active (pressed or focused).
    static void SetLinkColours(const QColor& link, const QColor& active);
    void SetTarget(const QString& target);
    // Takes over the control once its text and target are set: the font
    // underlined, the size fitted to the text, the hand pointer.
    void Attach();
    void OpenTarget();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Picks the text colour for the state and redraws.
    void Repaint();
    void FitToText();

    // Pressed or focused: the active colour, and a release opens the target.
    bool m_bActive = false;
    QString m_strTarget;
    QFont m_fontLink;
};
