#include "settings/VerbFiles.h"

#include <QRegularExpression>

namespace {

// The action's own mark in uca.xml, so a second installation finds it.
const QString kThunarId = QStringLiteral("spanmeter-open-directory");

// The escapes of a string value, applied after the quoting (so a backslash
// of the quoting becomes two).
QString EscapeStringValue(const QString& value) {
    QString escaped;
    for (const QChar c : value) {
        switch (c.unicode()) {
        case u'\\':
            escaped += QStringLiteral("\\\\");
            break;
        case u'\n':
            escaped += QStringLiteral("\\n");
            break;
        case u'\t':
            escaped += QStringLiteral("\\t");
            break;
        case u'\r':
            escaped += QStringLiteral("\\r");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

// Nemo and Thunar put the path in for their own % codes and read "%%" as one %.
QString DoublePercent(QString command) {
    return command.replace(u'%', QStringLiteral("%%"));
}

QString XmlEscaped(const QString& text) {
    return text.toHtmlEscaped();
}

} // namespace

QString DesktopExecWord(const QString& argument) {
    // Inside the quotes the shell's own special characters are escaped, and a
    // percent sign is doubled so that it is not taken for a field code.
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        else if (c == u'%')
            quoted += u'%';
        quoted += c;
    }
    quoted += u'"';
    return EscapeStringValue(quoted);
}

QString ShellWord(const QString& argument) {
    QString word = argument;
    word.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + word + u'\'';
}

QString VerbFileText(VerbTarget target, const QString& modulePath) {
    // TryExec and Dependencies keep an entry out of the menus once the
    // program it names is gone.
    const QString tryExec = EscapeStringValue(modulePath);
    // GIO looks for an entry's program before it turns "%%" into "%", and
    // drops the entry when it is not there: a path with "%" is started
    // through env, which GIO finds.
    const QString exec = (modulePath.contains(u'%') ? QStringLiteral("env ") : QString()) +
                         DesktopExecWord(modulePath);
    switch (target) {
    case VerbTarget::OpenWith:
        // No MimeType: listed among all applications, never a type's default.
        return QStringLiteral("[Desktop Entry]\n"
                              "Type=Application\n"
                              "Name=Spanmeter\n"
                              "Comment=Count the files and the space of every directory in a tree\n"
                              "Icon=spanmeter\n"
                              "TryExec=%1\n"
                              "Exec=%2 %f\n"
                              "Terminal=false\n")
            .arg(tryExec, exec);
    case VerbTarget::Dolphin:
        // Outside the applications folders: a menu of Dolphin's, no association.
        return QStringLiteral("[Desktop Entry]\n"
                              "Type=Service\n"
                              "MimeType=inode/directory;\n"
                              "X-KDE-ServiceTypes=KonqPopupMenu/Plugin\n"
                              "Actions=spanmeter;\n"
                              "TryExec=%1\n"
                              "\n"
                              "[Desktop Action spanmeter]\n"
                              "Name=Spanmeter\n"
                              "Icon=spanmeter\n"
                              "Exec=%2 %f\n")
            .arg(tryExec, exec);
    case VerbTarget::Nautilus:
        // A link to the program itself (see InstallShellVerbs).
        return modulePath;
    case VerbTarget::Nemo: {
        // A list value: its separator is escaped too.
        QString dependency = tryExec;
        dependency.replace(u';', QStringLiteral("\\;"));
        return QStringLiteral("[Nemo Action]\n"
                              "Name=Spanmeter\n"
                              "Comment=Count the files and the space of this directory\n"
                              "Icon-Name=spanmeter\n"
                              "Exec=%1 %F\n"
                              "Selection=s\n"
                              "Extensions=dir;\n"
                              "Dependencies=%2;\n")
            .arg(EscapeStringValue(DoublePercent(ShellWord(modulePath))), dependency);
    }
    case VerbTarget::Thunar:
        return QStringLiteral("<action>\n"
                              "\t<icon>spanmeter</icon>\n"
                              "\t<name>Spanmeter</name>\n"
                              "\t<submenu></submenu>\n"
                              "\t<unique-id>%1</unique-id>\n"
                              "\t<command>%2 %f</command>\n"
                              "\t<description>Count the files and the space of this "
                              "directory</description>\n"
                              "\t<range></range>\n"
                              "\t<patterns>*</patterns>\n"
                              "\t<directories/>\n"
                              "</action>\n")
            .arg(kThunarId, XmlEscaped(DoublePercent(ShellWord(modulePath))));
    }
    return {};
}

QString ThunarActionsWith(const QString& ucaXml, const QString& modulePath) {
    QString text = ucaXml;
    if (text.trimmed().isEmpty())
        text =
            QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n</actions>\n");
    // Earlier installations' actions go, whatever copy they named.
    static const QRegularExpression earlier(
        QStringLiteral("<action>(?:(?!</action>).)*<unique-id>%1</unique-id>"
                       "(?:(?!</action>).)*</action>\\s*")
            .arg(kThunarId),
        QRegularExpression::DotMatchesEverythingOption);
    text.remove(earlier);
    const qsizetype end = text.lastIndexOf(QStringLiteral("</actions>"));
    if (end < 0)
        return {};
    return text.insert(end, VerbFileText(VerbTarget::Thunar, modulePath));
}
