#pragma once

#include <QFont>
#include <QRect>
#include <QStringList>

// Dialog layouts are kept in dialog units of the dialog font: a quarter of its
// average character width across, an eighth of its height down.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    // The 8-point dialog font; where "MS Sans Serif" is missing, the sans-serif face.
    static QFont DialogFont();

    // The faces that stand in for the dialog font run wider than it did: the
    // unit across grows until every line of `texts` fits a field `width` units wide.
    void FitTexts(const QStringList& texts, int width);

    int X(int units) const { return units * m_baseX / 4; }
    int Y(int units) const { return units * m_baseY / 8; }
    QRect Rect(int x, int y, int width, int height) const {
        return {X(x), Y(y), X(width), Y(height)};
    }

private:
    QFont m_font;
    int m_baseX = 1;
    int m_baseY = 1;
};
