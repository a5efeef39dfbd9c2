#include "ui/DialogUnits.h"

#include <QFontMetrics>

#include <algorithm>

DialogUnits::DialogUnits(const QFont& font) : m_font(font) {
    const QFontMetrics metrics(font);
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX = std::max(1, (alphabet / 26 + 1) / 2);
    m_baseY = std::max(1, metrics.height());
}

QFont DialogUnits::DialogFont() {
    QFont font(QStringLiteral("MS Sans Serif"), 8);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

void DialogUnits::FitTexts(const QStringList& texts, int width) {
    const QFontMetrics metrics(m_font);
    for (const QString& text : texts) {
        for (const QString& line : text.split(u'\n'))
            m_baseX = std::max(m_baseX, (metrics.horizontalAdvance(line) * 4 + width - 1) / width);
    }
}
