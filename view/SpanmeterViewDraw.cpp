#include "view/CListControl.h"
#include "view/CSpanmeterView.h"
#include "view/CellText.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>

bool CSpanmeterView::ShowsTree() const {
    return m_treeView && m_sortColumn == ColDirectory;
}

int CSpanmeterView::sizeHintForColumn(int column) const {
    if (column < 0 || column >= ColumnCount)
        return QTreeView::sizeHintForColumn(column);
    const QFontMetrics metrics(font());
    const bool tree = column == ColDirectory && ShowsTree();
    int widest = 0;
    for (int row = 0; row < m_list->RowCount(); ++row) {
        const QString text = m_list->CellText(row, column);
        widest = std::max(widest, metrics.horizontalAdvance(tree ? TreeForm(text) : text));
    }
    // A cell shows what fits its width less 8 pixels (see DrawCell).
    return widest + 8;
}

// Every row is drawn here as a whole: background, focus frame, then the five
// cells at the header's current widths and alignments, so a column the user
// drags takes effect on the next paint.
void CSpanmeterView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const QHeaderView* head = header();
    const QRect item(head->sectionViewportPosition(0), option.rect.y(), head->length(),
                     option.rect.height());

    const QPalette::ColorGroup group = !isEnabled()       ? QPalette::Disabled
                                       : isActiveWindow() ? QPalette::Active
                                                          : QPalette::Inactive;
    const bool selected = selectionModel()->isRowSelected(index.row(), index.parent());
    const QColor fill = palette().color(group, selected ? QPalette::Highlight : QPalette::Base);

    painter->save();
    painter->fillRect(item, fill);

    const QColor textColor =
        palette().color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    if (hasFocus() && currentIndex().row() == index.row()) {
        // A dotted frame in the row's text colour: seen on the selection as
        // on the plain background, and it fills nothing.
        painter->setPen(QPen(textColor, 0, Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(item.adjusted(0, 0, -1, -1));
    }

    if (index.isValid() && index.row() < m_list->RowCount()) {
        painter->setFont(font());
        painter->setPen(textColor);
        int x = item.left();
        for (int column = 0; column < ColumnCount; ++column) {
            const int width = head->sectionSize(column);
            QString text = m_list->CellText(index.row(), column);
            if (column == ColDirectory && ShowsTree())
                text = TreeForm(text);
            DrawCell(painter, text, QRect(x, item.top(), item.right() - x + 1, item.height()),
                     width, ColumnFormat(column));
            x += width;
        }
    }
    painter->restore();
}

void CSpanmeterView::DrawCell(QPainter* painter, const QString& text, const QRect& cell, int width,
                              Qt::Alignment alignment) const {
    // Too wide a text loses characters at its end, whatever its alignment.
    const QString shown = FitCellText(painter->fontMetrics(), text, width - 8);
    if (shown.isEmpty())
        return;
    const QRect textRect(cell.left() + 2, cell.top(), width - 4, cell.height());
    const Qt::Alignment horizontal = alignment & Qt::AlignRight ? Qt::AlignRight : Qt::AlignLeft;
    // No mnemonic flag: an "&" in a name is drawn as it is.
    painter->drawText(textRect, Qt::TextSingleLine | Qt::AlignVCenter | horizontal, shown);
}
