#include "settings/SettingsStore.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>

namespace {

// A stored value must fit 254 characters and its terminating zero.
constexpr qsizetype kMaxValueLength = 254;

const QString kOrganization = QStringLiteral("Veldrun");
const QString kApplication = QStringLiteral("Spanmeter");

// A store's file, named without opening it: a settings object reads its
// files as it is made, and a FIFO there would wait for a writer for ever. An
// organisation named below the store's file has no file of its own, so this
// object opens nothing, and its file name begins with the store's.
QString StoreFileName(QSettings::Scope scope) {
    const QString below = kOrganization + u'/' + kApplication + QStringLiteral(".conf/");
    const QSettings named(QSettings::NativeFormat, scope, below);
    return named.fileName().chopped(QStringLiteral("/.conf").size());
}

QString ErrnoText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Why this process may not write the store `fileName`; nothing when it may.
// A missing file's folders are made here, as writing it would make them.
std::optional<QString> CannotWrite(const QString& fileName) {
    const QByteArray path = QFile::encodeName(fileName);
    struct stat status {};
    if (::stat(path.constData(), &status) == 0) {
        if (!S_ISREG(status.st_mode))
            return QStringLiteral("Not a regular file");
        if (::faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) != 0)
            return ErrnoText(errno);
        return std::nullopt;
    }
    if (errno != ENOENT)
        return ErrnoText(errno);
    const std::filesystem::path folder = std::filesystem::path(path.toStdString()).parent_path();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        return QString::fromLocal8Bit(error.message());
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        return ErrnoText(errno);
    return std::nullopt;
}

// The stored value of one store as text, whatever type the store's parser gave it.
std::optional<QString> ReadValueText(const QString& fileName, const QString& valueName) {
    // Only a regular file is read; anything else in its place is an empty store.
    if (!QFileInfo(fileName).isFile()) {
        return std::nullopt;
    }
    QSettings store(fileName, QSettings::NativeFormat);
    if (!store.contains(valueName)) {
        return std::nullopt;
    }
    const QVariant value = store.value(valueName);
    QString text;
    if (value.typeId() == QMetaType::QStringList) {
        // A hand-written value with commas comes back as a list.
        text = value.toStringList().join(QStringLiteral(", "));
    } else {
        text = value.toString();
    }
    if (text.size() > kMaxValueLength) {
        return std::nullopt;
    }
    const qsizetype zero = text.indexOf(QChar(u'\0'));
    if (zero >= 0) {
        text.truncate(zero);
    }
    return text;
}

// The user's value first: it is what this user chose over the machine's.
std::optional<QString> ReadValueText(const QString& valueName) {
    std::optional<QString> text = ReadValueText(UserStoreFile(), valueName);
    return text ? text : ReadValueText(MachineStoreFile(), valueName);
}

// Writes one value into one store; the reason when it could not.
std::optional<QString> StoreIn(const QString& fileName, const QString& valueName,
                               const QString& text) {
    if (std::optional<QString> reason = CannotWrite(fileName))
        return reason;
    QSettings store(fileName, QSettings::NativeFormat);
    store.setValue(valueName, text);
    store.sync();
    if (store.status() == QSettings::AccessError)
        return QStringLiteral("The file could not be written");
    return std::nullopt;
}

std::optional<StoreFailure> WriteValueText(const QString& valueName, const QString& text) {
    const QString machine = MachineStoreFile();
    if (!StoreIn(machine, valueName, text)) {
        // A value of the user's own store would hide the one just written.
        const QString user = UserStoreFile();
        const QFileInfo userFile(user);
        if (userFile.isFile() &&
            userFile.canonicalFilePath() != QFileInfo(machine).canonicalFilePath() &&
            !CannotWrite(user)) {
            QSettings store(user, QSettings::NativeFormat);
            if (store.contains(valueName))
                store.remove(valueName);
        }
        return std::nullopt;
    }
    const QString user = UserStoreFile();
    if (std::optional<QString> reason = StoreIn(user, valueName, text))
        return StoreFailure{user, *reason};
    return std::nullopt;
}

bool IsBlank(QChar c) {
    // The blanks that the C library's number conversion skips.
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

// The number that a stored text stands for: the leading decimal part.
int ParseRegNumber(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    // Saturate far above the 32-bit range so long digit runs cannot overflow.
    constexpr int64_t kCap = int64_t{1} << 40;
    int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        if (magnitude < kCap) {
            magnitude = magnitude * 10 + (text[i].unicode() - u'0');
        }
    }
    const int64_t value = negative ? -magnitude : magnitude;
    if (value >= INT_MIN && value <= INT_MAX) {
        return static_cast<int>(value);
    }
    // Numbers are written unsigned: 4294967295 is what -1 became, so a value
    // in the unsigned range reads back as the number that was written.
    if (value > INT_MAX && value <= UINT32_MAX) {
        return static_cast<int>(static_cast<uint32_t>(value));
    }
    return value < 0 ? INT_MIN : INT_MAX;
}

} // namespace

void PinSettingsStore() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, QStringLiteral("/etc/xdg"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

QString MachineStoreFile() {
    return StoreFileName(QSettings::SystemScope);
}

QString UserStoreFile() {
    return StoreFileName(QSettings::UserScope);
}

int ReadRegNumber(const QString& valueName, int defaultValue) {
    const std::optional<QString> text = ReadValueText(valueName);
    return text ? ParseRegNumber(*text) : defaultValue;
}

QString ReadRegString(const QString& valueName, const QString& defaultValue) {
    return ReadValueText(valueName).value_or(defaultValue);
}

std::optional<StoreFailure> WriteRegNumber(const QString& valueName, uint32_t value) {
    return WriteValueText(valueName, QString::number(value));
}

std::optional<StoreFailure> WriteRegString(const QString& valueName, const QString& value) {
    return WriteValueText(valueName, value);
}
