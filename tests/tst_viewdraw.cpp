// How the list draws its rows. Cells of the rendered view are compared with
// reference drawings of the text they should show, in the colours they should have.
#include "ViewTestSupport.h"

#include "settings/SettingsStore.h"
#include "view/CellText.h"

#include <QPainter>

using namespace viewtest;

namespace {

// Whether the cell shows exactly `text` in the row colours.
bool Shows(CSpanmeterView& view, int row, int column, const QString& text, bool selected = false) {
    const QImage shot = view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect rowRect = view.visualRect(view.List()->index(row, 0));
    const QImage cell = shot.copy(view.header()->sectionViewportPosition(column), rowRect.y(),
                                  view.ColumnWidth(column), rowRect.height());
    const auto group = view.isActiveWindow() ? QPalette::Active : QPalette::Inactive;
    QImage expected(cell.size(), QImage::Format_RGB32);
    expected.fill(view.palette().color(group, selected ? QPalette::Highlight : QPalette::Base));
    QPainter painter(&expected);
    painter.setFont(view.font());
    painter.setPen(
        view.palette().color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    painter.drawText(QRect(2, 0, cell.width() - 4, cell.height()),
                     Qt::TextSingleLine | Qt::AlignVCenter | view.ColumnFormat(column), text);
    painter.end();
    return cell == expected;
}

} // namespace

class TestViewDraw : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { UseEmptySettings(m_settings.path()); }
    void cells();
    void treeForm_data();
    void treeForm();
    void cutsKeepWholeCharacters();
    void focusFrame();
    void dividerDoubleClickFits();

private:
    QTemporaryDir m_settings;
    QTemporaryDir m_tree;
};

void TestViewDraw::initTestCase() {
    TreeMaker tree(m_tree.path());
    QVERIFY2(tree.file("a&b/x.bin", 5) && tree.file("big/x.bin", 1234567) &&
                 tree.file("docs/2008/mail/x.bin", 20),
             qPrintable(tree.error()));
}

// The selected row "a&b" on the highlight colour, its "&" drawn as it is; the
// next row normal. A narrowed column loses characters at the end of its text,
// and the later columns move with it.
void TestViewDraw::cells() {
    const auto view = ScannedView(m_tree.path());
    QVERIFY(view);
    QCOMPARE(RowNames(*view), QStringList({"", "a&b", "big", "docs"}));
    // Selected without becoming current, so no focus frame crosses the cells.
    view->selectionModel()->select(view->List()->index(1, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QVERIFY(!Shows(*view, 1, ColDirectory, "ab", true));
    for (int row : {1, 2})
        for (int column = 0; column < ColumnCount; ++column)
            QVERIFY2(Shows(*view, row, column, Text(*view, row, column), row == 1),
                     qPrintable(QStringLiteral("row %1 column %2").arg(row).arg(column)));
    // Sixteen digits of the 9-point font fill the default width.
    QCOMPARE(Text(*view, 2, ColBytes), "       1.234.567");
    for (const QString shown : {"       1.234", "       ", ""}) {
        // Just wide enough for `shown`: the text keeps 4 pixels from either edge.
        view->SetColumnWidth(ColBytes, view->StringWidth(shown) + 8 - (shown.isEmpty() ? 3 : 0));
        QVERIFY2(Shows(*view, 2, ColBytes, shown), qPrintable(shown));
        QVERIFY(Shows(*view, 2, ColOccupied, Text(*view, 2, ColOccupied)));
    }
}

void TestViewDraw::treeForm_data() {
    QTest::addColumn<uint32_t>("treeView");
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QString>("shown");

    QTest::newRow("no click") << 1u << QList<int>{} << "         /mail";
    QTest::newRow("Files") << 1u << QList<int>{ColFiles} << "docs/2008/mail";
    QTest::newRow("Files, Directory")
        << 1u << QList<int>{ColFiles, ColDirectory} << "         /mail";
    QTest::newRow("TreeView 0") << 0u << QList<int>{} << "docs/2008/mail";
}

void TestViewDraw::treeForm() {
    QFETCH(uint32_t, treeView);
    QFETCH(QList<int>, clicks);
    QFETCH(QString, shown);
    WriteRegNumber("TreeView", treeView);
    const auto view = ScannedView(m_tree.path(), true);
    QVERIFY(view);
    for (int column : clicks)
        ClickHeader(*view, column);
    QVERIFY(Shows(*view, RowOf(*view, "docs/2008/mail"), ColDirectory, shown));
}

// A cut keeps whole characters, and the tree form indents by one blank per
// character: a surrogate pair is one.
void TestViewDraw::cutsKeepWholeCharacters() {
    const QString text = QString::fromUtf8("r\xC3\xA9s\xF0\x9F\x98\x80\xF0\x9F\x98\x81z");
    QCOMPARE(TreeForm(text + "/x"), QString(6, u' ') + "/x");
    const QFontMetrics metrics(CSpanmeterView::CreatePointFont("Courier New", 9));
    QStringList fitted;
    for (int limit = -1; limit <= metrics.horizontalAdvance(text); ++limit)
        fitted.append(FitCellText(metrics, text, limit));
    fitted.removeDuplicates();
    // Each start of whole characters in turn, as the limit grows.
    QCOMPARE(fitted, QStringList({"", text.left(1), text.left(2), text.left(3), text.left(5),
                                  text.left(7), text}));
}

// The current row has a frame in its text colour whether selected or not,
// and an unselected one keeps the plain background.
void TestViewDraw::focusFrame() {
    const auto view = ScannedView(m_tree.path());
    QVERIFY(view);
    view->activateWindow();
    view->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(view.get()) && view->hasFocus());
    for (const bool selected : {false, true}) {
        view->setCurrentIndex(view->List()->index(2, 0));
        if (!selected)
            view->selectionModel()->clearSelection();
        const QImage shot =
            view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRect row = view->visualRect(view->List()->index(2, 0));
        const auto colour = [&](QPalette::ColorRole role) {
            return view->palette().color(role).rgb();
        };
        const QRgb frame = colour(selected ? QPalette::HighlightedText : QPalette::Text);
        const QRgb fill = colour(selected ? QPalette::Highlight : QPalette::Base);
        // Dots along the top edge, nothing but the fill right below it.
        const auto count = [&](int y, QRgb rgb) {
            int n = 0;
            for (int x = row.left() + 1; x < row.right(); ++x)
                n += shot.pixel(x, y) == rgb ? 1 : 0;
            return n;
        };
        QVERIFY2(count(row.top(), frame) >= row.width() / 4,
                 qPrintable(QString::number(count(row.top(), frame))));
        QCOMPARE(count(row.top() + 1, fill), row.width() - 2);
    }
}

// A double-click on the divider after a column fits it to its widest text
// and its title, and sorts nothing.
void TestViewDraw::dividerDoubleClickFits() {
    const auto view = ScannedView(m_tree.path());
    QVERIFY(view);
    QHeaderView* head = view->header();
    // No focus frame, whenever the window becomes active.
    view->selectionModel()->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
    for (const int column : {ColBytes, ColDirectory}) {
        const QStringList before = RowNames(*view);
        view->SetColumnWidth(column, 30);
        const QPoint divider(head->sectionViewportPosition(column) + 29, head->height() / 2);
        QTest::mouseDClick(head->viewport(), Qt::LeftButton, {}, divider);
        QCOMPARE(RowNames(*view), before);
        for (int row = 0; row < view->List()->RowCount(); ++row)
            QVERIFY(Shows(*view, row, column, Text(*view, row, column)));
        QVERIFY(view->ColumnWidth(column) >= head->sectionSizeHint(column));
    }
}

QTEST_MAIN(TestViewDraw)
#include "tst_viewdraw.moc"
