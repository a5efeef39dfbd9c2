#pragma once

#include <QLabel>

// A status bar pane of a fixed width: as wide as its sizing text in the pane's
// font, whatever it shows. A window too narrow for it clips the pane instead of
// refusing to shrink.
class CStatusPane : public QLabel {
    Q_OBJECT

public:
    explicit CStatusPane(const QString& sizingText, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    QString m_sizingText;
};
