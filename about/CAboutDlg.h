#pragma once

#include <QDialog>

class CHyperLink;
class QLabel;

// The About box: the program's icon, name and version, a credit and two links,
// one to the program's web page and one that starts an e-mail. Its controls
// keep the places of the original dialog layout, in dialog units of its font.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    CHyperLink* WebLink() const { return m_linkWeb; }
    CHyperLink* MailLink() const { return m_linkMail; }
    QString VersionText() const;

    static const char* const kWebTarget;
    static const char* const kMailTarget;

private:
    QLabel* AddText(const QString& text, const QRect& rect);

    CHyperLink* m_linkWeb = nullptr;
    CHyperLink* m_linkMail = nullptr;
    QLabel* m_version = nullptr;
};
