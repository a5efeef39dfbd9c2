// How the list draws its rows. Cells of the rendered view are compared with
// reference drawings of the text they should show, in the colours they should have.
#include "ViewTestSupport.h"

#include "settings/SettingsStore.h"
#include "view/CellText.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTemporaryDir>

using namespace viewtest;

namespace {

QImage Cell(CSpanmeterView& view, int row, int column) {
    const QImage shot = view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect rowRect = view.visualRect(view.List()->index(row, 0));
    return shot.copy(view.header()->sectionViewportPosition(column), rowRect.y(),
                     view.ColumnWidth(column), rowRect.height());
}

// Whether the cell shows exactly `text` in the row colours.
bool Shows(CSpanmeterView& view, int row, int column, const QString& text, bool selected = false) {
    const QImage cell = Cell(view, row, column);
    const QPalette::ColorGroup group =
        view.isActiveWindow() ? QPalette::Active : QPalette::Inactive;
    QImage expected(cell.size(), QImage::Format_RGB32);
    expected.setDotsPerMeterX(qRound(view.logicalDpiX() / 0.0254));
    expected.setDotsPerMeterY(qRound(view.logicalDpiY() / 0.0254));
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

QString Text(const CSpanmeterView& view, int row, int column) {
    return QString::fromStdString(view.List()->Row(row).text[static_cast<size_t>(column)]);
}

} // namespace

class TestViewDraw : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { UseEmptySettings(m_settings.path()); }
    void selectedRowInHighlightColours();
    void treeForm_data();
    void treeForm();
    void narrowColumnLosesCharactersAtTheEnd_data();
    void narrowColumnLosesCharactersAtTheEnd();
    void ampersandDrawnLiterally();
    void cutsKeepWholeCharacters_data();
    void cutsKeepWholeCharacters();

private:
    QTemporaryDir m_settings;
    QTemporaryDir m_tree;
};

void TestViewDraw::initTestCase() {
    QVERIFY(MakeFile(m_tree.path(), QStringLiteral("a&b/x.bin"), 5));
    QVERIFY(MakeFile(m_tree.path(), QStringLiteral("big/x.bin"), 1234567));
    QVERIFY(MakeFile(m_tree.path(), QStringLiteral("docs/2008/mail/x.bin"), 20));
}

void TestViewDraw::selectedRowInHighlightColours() {
    const auto view = ScannedView(m_tree.path());
    QVERIFY(view);
    // Selected without becoming current, so no focus frame crosses the cells.
    view->selectionModel()->select(view->List()->index(1, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    for (int row : {1, 2}) {
        for (int column = 0; column < ColumnCount; ++column)
            QVERIFY2(Shows(*view, row, column, Text(*view, row, column), row == 1),
                     qPrintable(QStringLiteral("row %1 column %2").arg(row).arg(column)));
    }
}

void TestViewDraw::treeForm_data() {
    QTest::addColumn<uint32_t>("treeView");
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QString>("shown");

    const QString tree = QStringLiteral("         /mail");
    const QString full = QStringLiteral("docs/2008/mail");
    QTest::newRow("no header clicked") << 1u << QList<int>{} << tree;
    QTest::newRow("Directory: descending") << 1u << QList<int>{0} << tree;
    QTest::newRow("Files") << 1u << QList<int>{1} << full;
    QTest::newRow("Files, then Directory") << 1u << QList<int>{1, 0} << tree;
    QTest::newRow("TreeView 0") << 0u << QList<int>{} << full;
}

void TestViewDraw::treeForm() {
    QFETCH(uint32_t, treeView);
    QFETCH(QList<int>, clicks);
    QFETCH(QString, shown);
    WriteRegNumber(QStringLiteral("TreeView"), treeView);
    const auto view = ScannedView(m_tree.path(), true);
    QVERIFY(view);
    for (int column : clicks)
        ClickHeader(*view, column);
    QVERIFY(Shows(*view, RowOf(*view, "docs/2008/mail"), ColDirectory, shown));
}

void TestViewDraw::narrowColumnLosesCharactersAtTheEnd_data() {
    QTest::addColumn<QString>("shown");

    QTest::newRow("wide enough") << "       1.234.567";
    QTest::newRow("three digits gone") << "       1.234";
    QTest::newRow("blanks only") << "       ";
    QTest::newRow("nothing") << "";
}

void TestViewDraw::narrowColumnLosesCharactersAtTheEnd() {
    QFETCH(QString, shown);
    const auto view = ScannedView(m_tree.path());
    QVERIFY(view);
    const int row = RowOf(*view, "big");
    // The default width holds sixteen digits of the 9-point font.
    QVERIFY(Shows(*view, row, ColBytes, "       1.234.567"));
    // Just wide enough for `shown`: the text keeps 4 pixels from either edge.
    view->SetColumnWidth(ColBytes, view->StringWidth(shown) + 8 - (shown.isEmpty() ? 3 : 0));
    QVERIFY(Shows(*view, row, ColBytes, shown));
    // The later columns move with the new width.
    QVERIFY(Shows(*view, row, ColOccupied, Text(*view, row, ColOccupied)));
}

void TestViewDraw::ampersandDrawnLiterally() {
    const auto view = ScannedView(m_tree.path());
    QVERIFY(view);
    QVERIFY(!Shows(*view, RowOf(*view, "a&b"), ColDirectory, "ab"));
    QVERIFY(Shows(*view, RowOf(*view, "a&b"), ColDirectory, "a&b"));
}

void TestViewDraw::cutsKeepWholeCharacters_data() {
    QTest::addColumn<QString>("text");

    QTest::newRow("accents") << QString::fromUtf8("réservé/été");
    QTest::newRow("surrogate pairs") << QString::fromUtf8("a\xF0\x9F\x98\x80\xF0\x9F\x98\x81z");
}

void TestViewDraw::cutsKeepWholeCharacters() {
    QFETCH(QString, text);
    // One blank per character, a pair of UTF-16 units being one.
    QCOMPARE(TreeForm(text + QStringLiteral("/x")).size(), text.toUcs4().size() + 2);

    const QFontMetrics metrics(CSpanmeterView::CreatePointFont("Courier New", 9));
    for (int limit = -9; limit <= metrics.horizontalAdvance(text) + 1; ++limit) {
        // The longest start of whole characters that fits, else nothing.
        const QString fitted = FitCellText(metrics, text, limit);
        const QString at = QStringLiteral("limit %1: \"%2\"").arg(limit).arg(fitted);
        QVERIFY2(text.startsWith(fitted), qPrintable(at));
        QVERIFY2(fitted.isEmpty() || (!fitted.back().isHighSurrogate() &&
                                      metrics.horizontalAdvance(fitted) <= limit),
                 qPrintable(at));
        if (fitted != text) {
            const qsizetype next = text[fitted.size()].isHighSurrogate() ? 2 : 1;
            QVERIFY2(metrics.horizontalAdvance(text.left(fitted.size() + next)) > limit,
                     qPrintable(at));
        }
    }
}

QTEST_MAIN(TestViewDraw)
#include "tst_viewdraw.moc"
