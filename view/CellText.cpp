#include "view/CellText.h"

#include <QFontMetrics>
#include <QVector>

namespace {

// Where each character of `text` ends, in UTF-16 units: a surrogate pair is one character.
QVector<int> CharacterEnds(const QString& text, int upTo) {
    QVector<int> ends;
    int i = 0;
    while (i < upTo) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < upTo && text[i + 1].isLowSurrogate();
        i += pair ? 2 : 1;
        ends.append(i);
    }
    return ends;
}

} // namespace

QString TreeForm(const QString& path) {
    const auto slash = static_cast<int>(path.lastIndexOf(u'/'));
    if (slash <= 0)
        return path;
    const auto characters = CharacterEnds(path, slash).size();
    return QString(characters, u' ') + path.mid(slash);
}

QString FitCellText(const QFontMetrics& metrics, const QString& text, int limit) {
    if (metrics.horizontalAdvance(text) <= limit)
        return text;
    // Dropping characters from the end one at a time until the text fits ends
    // at the longest fitting start; find it by halving, as wide paths in a
    // narrow column would otherwise be measured once per character.
    const QVector<int> ends = CharacterEnds(text, static_cast<int>(text.size()));
    qsizetype fits = 0; // characters known to fit (the empty text always ends the search)
    qsizetype tooMany = ends.size(); // characters known not to fit
    while (tooMany - fits > 1) {
        const qsizetype middle = (fits + tooMany) / 2;
        if (metrics.horizontalAdvance(text.left(ends[middle - 1])) <= limit)
            fits = middle;
        else
            tooMany = middle;
    }
    return fits == 0 ? QString() : text.left(ends[fits - 1]);
}
