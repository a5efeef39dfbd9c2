#include "about/CAboutDlg.h"

#include "about/CHyperLink.h"
#include "resources/Resources.h"
#include "ui/DialogUnits.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

const char* const CAboutDlg::kWebTarget = "https://spanmeter.org/";
const char* const CAboutDlg::kMailTarget = "mailto:spanmeter@spanmeter.org";

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    LoadResources();
    setWindowTitle(QStringLiteral("About Spanmeter"));
    setFont(DialogUnits::DialogFont());
    const DialogUnits du(font());
    setFixedSize(du.X(195), du.Y(66));

    // Both links are blue, whatever their state.
    CHyperLink::SetLinkColours(QColor(0, 0, 255), QColor(0, 0, 255));

    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIcon().pixmap(32, 32));
    // A static icon takes the icon's own size.
    icon->setGeometry(QRect(du.Rect(11, 23, 20, 20).topLeft(), QSize(32, 32)));

    m_version =
        AddText(QStringLiteral("Spanmeter version " SPANMETER_VERSION), du.Rect(42, 10, 88, 8));
    AddText(QStringLiteral("Copyright \u00a9 2008"), du.Rect(42, 23, 66, 8));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(du.Rect(133, 7, 50, 14));
    ok->setDefault(true);
    ok->setAutoDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    AddText(QStringLiteral("Veldrun"), du.Rect(42, 36, 42, 8));
    AddText(QStringLiteral("Visit the "), du.Rect(42, 49, 28, 8));
    m_linkWeb = new CHyperLink(QStringLiteral("Spanmeter website"), this);
    m_linkWeb->setGeometry(du.Rect(69, 49, 60, 8));
    AddText(QStringLiteral("or write an"), du.Rect(131, 49, 34, 8));
    m_linkMail = new CHyperLink(QStringLiteral("email"), this);
    m_linkMail->setGeometry(du.Rect(167, 49, 17, 8));

    m_linkWeb->SetTarget(QString::fromLatin1(kWebTarget));
    m_linkMail->SetTarget(QString::fromLatin1(kMailTarget));
    m_linkWeb->Attach();
    m_linkMail->Attach();
    ok->setFocus();
}

QString CAboutDlg::VersionText() const {
    return m_version->text();
}

QLabel* CAboutDlg::AddText(const QString& text, const QRect& rect) {
    auto* label = new QLabel(text, this);
    // Texts are shown as they are: no markup, no mnemonics.
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(rect);
    return label;
}
