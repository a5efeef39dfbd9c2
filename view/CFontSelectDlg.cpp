#include "view/CFontSelectDlg.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

CFontSelectDlg::CFontSelectDlg(const QString& face, int points, QWidget* parent)
    : QDialog(parent), m_face(face), m_points(points) {
    setWindowTitle(QStringLiteral("Select Font"));

    m_families = new QListWidget(this);
    m_families->addItems(FixedPitchFamilies());
    m_sizeField = new QLineEdit(QString::number(points), this);
    m_sizes = new QListWidget(this);
    for (const int size : QFontDatabase::standardSizes()) {
        if (size >= kMinPoints && size <= kMaxPoints)
            m_sizes->addItem(QString::number(size));
    }
    m_sample = new QLabel(QStringLiteral("AaBbYyZz"), this);
    m_sample->setAlignment(Qt::AlignCenter);
    m_sample->setMinimumHeight(m_sample->fontMetrics().height() * 4);

    auto* fontLabel = new QLabel(QStringLiteral("&Font"), this);
    fontLabel->setBuddy(m_families);
    auto* sizeLabel = new QLabel(QStringLiteral("&Size"), this);
    sizeLabel->setBuddy(m_sizeField);
    auto* sampleBox = new QGroupBox(QStringLiteral("Sample"), this);
    (new QVBoxLayout(sampleBox))->addWidget(m_sample);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);

    auto* grid = new QGridLayout(this);
    grid->addWidget(fontLabel, 0, 0);
    grid->addWidget(sizeLabel, 0, 1);
    grid->addWidget(m_families, 1, 0, 2, 1);
    grid->addWidget(m_sizeField, 1, 1);
    grid->addWidget(m_sizes, 2, 1);
    grid->addWidget(sampleBox, 3, 0, 1, 2);
    grid->addWidget(buttons, 4, 0, 1, 2);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 1);

    // The stored face where it is a family here, else the one the list really
    // shows for it, which fontconfig picks.
    QList<QListWidgetItem*> start = m_families->findItems(face, Qt::MatchFixedString);
    if (start.isEmpty())
        start = m_families->findItems(QFontInfo(QFont(face)).family(), Qt::MatchFixedString);
    if (!start.isEmpty()) {
        m_startFamily = start.first()->text();
        m_families->setCurrentItem(start.first());
        m_families->scrollToItem(start.first(), QAbstractItemView::PositionAtCenter);
    }
    const QList<QListWidgetItem*> size = m_sizes->findItems(m_sizeField->text(), Qt::MatchExactly);
    if (!size.isEmpty())
        m_sizes->setCurrentItem(size.first());

    connect(m_families, &QListWidget::currentTextChanged, this, &CFontSelectDlg::OnChange);
    connect(m_sizes, &QListWidget::itemClicked, this,
            [this](const QListWidgetItem* item) { m_sizeField->setText(item->text()); });
    connect(m_sizeField, &QLineEdit::textChanged, this, [this](const QString& text) {
        const QList<QListWidgetItem*> listed = m_sizes->findItems(text, Qt::MatchExactly);
        if (listed.isEmpty())
            m_sizes->clearSelection();
        else
            m_sizes->setCurrentItem(listed.first());
        OnChange();
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &CFontSelectDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    OnChange();
    m_families->setFocus();
}

QStringList CFontSelectDlg::FixedPitchFamilies() {
    QStringList fixed;
    for (const QString& family : QFontDatabase::families()) {
        if (!QFontDatabase::isPrivateFamily(family) && QFontDatabase::isFixedPitch(family))
            fixed.append(family);
    }
    return fixed;
}

int CFontSelectDlg::TypedPoints() const {
    const QString text = m_sizeField->text().trimmed();
    // A decimal sign of the user's locale or a point; no digit groups, so
    // "10.5" is never read as 105.
    QLocale user = locale();
    user.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    double value = user.toDouble(text, &ok);
    if (!ok)
        value = QLocale::c().toDouble(text, &ok);
    // Whole points, the fraction dropped: 10.5 is 10.
    if (!ok || !std::isfinite(value) || value < kMinPoints || value >= kMaxPoints + 1)
        return 0;
    return static_cast<int>(std::floor(value));
}

QString CFontSelectDlg::SelectedFamily() const {
    const QListWidgetItem* item = m_families->currentItem();
    return item != nullptr && item->isSelected() ? item->text() : QString();
}

void CFontSelectDlg::OnChange() {
    const int points = TypedPoints();
    m_ok->setEnabled(points != 0);
    QFont sample(SelectedFamily().isEmpty() ? m_face : SelectedFamily());
    sample.setPointSize(points != 0 ? points : m_sample->font().pointSize());
    m_sample->setFont(sample);
}

void CFontSelectDlg::accept() {
    // A size outside 1 to 72 points is refused, never stored.
    const int points = TypedPoints();
    if (points == 0)
        return;
    const QString family = SelectedFamily();
    if (!family.isEmpty() && family != m_startFamily)
        m_face = family;
    m_points = points;
    QDialog::accept();
}
