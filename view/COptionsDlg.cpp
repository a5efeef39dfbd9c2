#include "view/COptionsDlg.h"

#include "ui/DialogUnits.h"
#include "view/CFontSelectDlg.h"
#include "view/Reinstall.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <iterator>

namespace {

constexpr const char* kIdProperty = "controlId";

template <typename Widget>
Widget* Place(Widget* widget, const DialogUnits& units, int x, int y, int width, int height,
              int id = 0) {
    widget->setGeometry(units.Rect(x, y, width, height));
    if (id != 0)
        widget->setProperty(kIdProperty, id);
    return widget;
}

// The notes beside the controls, each in a field 111 units wide.
const QStringList kNotes = {
    QStringLiteral("This installs the currently active\ninstance of Spanmeter."),
    QStringLiteral("This shows the 'Expanded View'\nin a different format"),
    QStringLiteral("This option forces the date format\nto \"Year-Month-Day\""),
    QStringLiteral("Select the 'resolution' of Spanmeter\n(Values are rounded upwards)"),
    QStringLiteral("Select the font for Spanmeter\n(Fixed-size fonts only)"),
};
constexpr int kNoteWidth = 111;

QLabel* StaticText(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace

COptionsDlg::COptionsDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Options"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFont(DialogUnits::DialogFont());
    DialogUnits du(font());
    du.FitTexts(kNotes, kNoteWidth);
    setFixedSize(du.X(222), du.Y(194));

    // Group boxes first, so that the controls inside them lie above them. The
    // frame runs through the middle of the title, as the template has it.
    for (QGroupBox* box :
         {Place(new QGroupBox(QStringLiteral("Installation"), this), du, 7, 7, 208, 35),
          Place(new QGroupBox(QStringLiteral("View"), this), du, 7, 48, 208, 112)}) {
        box->setStyleSheet(QStringLiteral(
            "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 0.5em; }"
            "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"));
    }

    auto* reinstall = Place(new QPushButton(QStringLiteral("Re-install"), this), du, 16, 20, 50, 14,
                            IDC_REINSTALL);
    Place(StaticText(this, kNotes[0]), du, 102, 19, 111, 17);

    m_checkTreeView =
        Place(new QCheckBox(QStringLiteral("Tree View"), this), du, 18, 63, 48, 10, IDC_TREE_VIEW);
    Place(StaticText(this, kNotes[1]), du, 104, 59, 111, 17);
    m_checkFixedDate = Place(new QCheckBox(QStringLiteral("Fixed Date Format"), this), du, 18, 81,
                             73, 10, IDC_FIXED_DATE);
    Place(StaticText(this, kNotes[2]), du, 104, 81, 111, 17);

    m_comboUnit = new QComboBox(this);
    m_comboUnit->setEditable(true);
    // Typing never adds an entry: the list's index is the unit's in the unit table.
    m_comboUnit->setInsertPolicy(QComboBox::NoInsert);
    for (const SizeUnitSpec& unit : kSizeUnits)
        m_comboUnit->addItem(QString::fromLatin1(unit.entry));
    m_comboUnit->setCurrentIndex(-1);
    // The template's height includes the dropped-down list; the field is as high as it needs.
    Place(m_comboUnit, du, 18, 109, 78, 41, IDC_UNIT);
    m_comboUnit->resize(m_comboUnit->width(), m_comboUnit->sizeHint().height());
    Place(StaticText(this, kNotes[3]), du, 104, 106, 111, 19);

    auto* selectFont = Place(new QPushButton(QStringLiteral("Font select"), this), du, 18, 134, 50,
                             14, IDC_FONT_SELECT);
    Place(StaticText(this, kNotes[4]), du, 104, 132, 111, 20);

    auto* cancel = Place(new QPushButton(QStringLiteral("Cancel"), this), du, 99, 173, 50, 14, 2);
    auto* ok = Place(new QPushButton(QStringLiteral("OK"), this), du, 165, 173, 50, 14, 1);
    ok->setDefault(true);
    for (QPushButton* button : {reinstall, selectFont, cancel})
        button->setAutoDefault(false);

    connect(reinstall, &QPushButton::clicked, this, [this] { OnReinstall(this); });
    connect(selectFont, &QPushButton::clicked, this, &COptionsDlg::OnSelectFont);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ok, &QPushButton::clicked, this, &COptionsDlg::accept);
}

QWidget* COptionsDlg::Control(int id) const {
    const QList<QWidget*> children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        if (child->property(kIdProperty).toInt() == id)
            return child;
    }
    return nullptr;
}

void COptionsDlg::showEvent(QShowEvent* event) {
    if (!m_shown) {
        m_shown = true;
        m_checkTreeView->setChecked(m_treeView);
        m_checkFixedDate->setChecked(m_fixedDate);
    }
    QDialog::showEvent(event);
}

void COptionsDlg::paintEvent(QPaintEvent* event) {
    if (m_firstPaint) {
        m_firstPaint = false;
        m_comboUnit->setCurrentIndex(m_byteMode ? static_cast<int>(*m_byteMode) : -1);
    }
    QDialog::paintEvent(event);
}

void COptionsDlg::accept() {
    const int entry = m_comboUnit->currentIndex();
    m_byteMode = entry >= 0 && entry < static_cast<int>(std::size(kSizeUnits))
                     ? std::optional(kSizeUnits[entry].unit)
                     : std::nullopt;
    m_treeView = m_checkTreeView->isChecked();
    m_fixedDate = m_checkFixedDate->isChecked();
    QDialog::accept();
}

void COptionsDlg::OnSelectFont() {
    // Style, weight and effects are no part of the list font: face and whole points only.
    CFontSelectDlg dialog(m_fontName, m_fontSize, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_fontName = dialog.Face();
    m_fontSize = dialog.Points();
}
