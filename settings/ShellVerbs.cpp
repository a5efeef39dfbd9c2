#include "settings/ShellVerbs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <unistd.h>

#include <string>

namespace {

QString& VerbDirectory() {
    static QString directory;
    return directory;
}

// One argument of an Exec line, quoted: inside the quotes the shell's own
// special characters are escaped, and a percent sign is doubled so that it is
// not taken for a field code.
QString QuoteExecArgument(const QString& argument) {
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') {
            quoted += u'\\';
        } else if (c == u'%') {
            quoted += u'%';
        }
        quoted += c;
    }
    quoted += u'"';
    return quoted;
}

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

} // namespace

QString GetModulePath() {
    if (QCoreApplication::instance() != nullptr) {
        return QCoreApplication::applicationFilePath();
    }
    std::string buffer(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0 || static_cast<size_t>(length) >= buffer.size()) {
        return {};
    }
    return QFile::decodeName(QByteArray(buffer.data(), length));
}

void SetShellVerbDirectory(const QString& directory) {
    VerbDirectory() = directory;
}

QString ShellVerbDirectory() {
    const QString& directory = VerbDirectory();
    return directory.isEmpty() ? QStringLiteral("/usr/local/share/applications") : directory;
}

QString ShellVerbFileName(ShellVerb verb) {
    return verb == ShellVerb::Drive ? QStringLiteral("spanmeter-drive.desktop")
                                    : QStringLiteral("spanmeter-directory.desktop");
}

QString ShellVerbEntry(ShellVerb verb, const QString& modulePath) {
    const QString mimeType = verb == ShellVerb::Drive ? QStringLiteral("inode/mount-point;")
                                                      : QStringLiteral("inode/directory;");
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Spanmeter\n"
                          "NoDisplay=true\n"
                          "Exec=%1 %f\n"
                          "MimeType=%2\n")
        .arg(EscapeStringValue(QuoteExecArgument(modulePath)), mimeType);
}

void WriteShellVerb(ShellVerb verb) {
    const QString directory = ShellVerbDirectory();
    if (!QDir().mkpath(directory)) {
        return;
    }
    // Written beside the old entry and renamed over it, so a file manager
    // never reads half an entry.
    QSaveFile file(QDir(directory).filePath(ShellVerbFileName(verb)));
    if (!file.open(QIODevice::WriteOnly)) {
        return;
    }
    file.write(ShellVerbEntry(verb, GetModulePath()).toUtf8());
    file.commit();
}
