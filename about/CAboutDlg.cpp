#include "about/CAboutDlg.h"

#include "about/CHyperLink.h"

#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

// The icon lives in the widgets' static library; this pulls it in.
static void LoadAboutResources() {
    static bool loaded = false;
    if (!loaded) {
        Q_INIT_RESOURCE(spanmeter);
        loaded = true;
    }
}

const char* const CAboutDlg::kWebTarget = "https://spanmeter.org/";
const char* const CAboutDlg::kMailTarget = "mailto:spanmeter@spanmeter.org";

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_strVersion(QStringLiteral("%1 version %2")
                       .arg(QStringLiteral("Spanmeter"), QStringLiteral("1.14"))) {
    LoadAboutResources();
    setWindowTitle(QStringLiteral("About Spanmeter"));

    // An 8-point dialog font; where "MS Sans Serif" is missing, the sans-serif.
    QFont dialogFont(QStringLiteral("MS Sans Serif"), 8);
    dialogFont.setStyleHint(QFont::SansSerif);
    setFont(dialogFont);
    const QFontMetrics metrics(font());
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_baseX = (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2;
    m_baseY = metrics.height();
    setFixedSize(FromDialogUnits(0, 0, 195, 66).size());

    // Both links are blue, whatever their state.
    CHyperLink::SetLinkColours(QColor(0, 0, 255), QColor(0, 0, 255));

    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/spanmeter/spanmeter-32.png")).pixmap(32, 32));
    // A static icon takes the icon's own size.
    icon->setGeometry(QRect(FromDialogUnits(11, 23, 20, 20).topLeft(), QSize(32, 32)));

    m_version = AddText(m_strVersion, FromDialogUnits(42, 10, 88, 8));
    AddText(QStringLiteral("Copyright \u00a9 2008"), FromDialogUnits(42, 23, 66, 8));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(FromDialogUnits(133, 7, 50, 14));
    ok->setDefault(true);
    ok->setAutoDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    AddText(QStringLiteral("Veldrun"), FromDialogUnits(42, 36, 42, 8));
    AddText(QStringLiteral("Visit the "), FromDialogUnits(42, 49, 28, 8));
    m_linkWeb = new CHyperLink(QStringLiteral("Spanmeter website"), this);
    m_linkWeb->setGeometry(FromDialogUnits(69, 49, 60, 8));
    AddText(QStringLiteral("or write an"), FromDialogUnits(131, 49, 34, 8));
    m_linkMail = new CHyperLink(QStringLiteral("email"), this);
    m_linkMail->setGeometry(FromDialogUnits(167, 49, 17, 8));

    m_linkWeb->SetTarget(QString::fromLatin1(kWebTarget));
    m_linkMail->SetTarget(QString::fromLatin1(kMailTarget));
    m_linkWeb->Attach();
    m_linkMail->Attach();
    ok->setFocus();
}

QString CAboutDlg::VersionText() const {
    return m_version->text();
}

QRect CAboutDlg::FromDialogUnits(int x, int y, int width, int height) const {
    return QRect(x * m_baseX / 4, y * m_baseY / 8, width * m_baseX / 4, height * m_baseY / 8);
}

QLabel* CAboutDlg::AddText(const QString& text, const QRect& units) {
    auto* label = new QLabel(text, this);
    // Texts are shown as they are: no markup, no mnemonics.
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(units);
    return label;
}
