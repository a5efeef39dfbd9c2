#include "settings/SettingsStore.h"

#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <climits>
#include <cstdint>
#include <optional>

namespace {

// A stored value must fit 254 characters and its terminating zero.
constexpr qsizetype kMaxValueLength = 254;

const QString kOrganization = QStringLiteral("Veldrun");
const QString kApplication = QStringLiteral("Spanmeter");

// The store's file, named without opening it: a settings object reads its
// files as it is made, and a FIFO there would wait for a writer for ever. An
// organisation named below the store's file has no file of its own, so this
// object opens nothing, and its file name begins with the store's.
QString StoreFileName() {
    const QString below = kOrganization + u'/' + kApplication + QStringLiteral(".conf/");
    const QSettings named(QSettings::NativeFormat, QSettings::SystemScope, below);
    return named.fileName().chopped(QStringLiteral("/.conf").size());
}

// The stored value as text, whatever type the store's parser gave it.
std::optional<QString> ReadValueText(const QString& valueName) {
    // Only a regular file is read; anything else in its place is an empty store.
    const QString fileName = StoreFileName();
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

void WriteValueText(const QString& valueName, const QString& text) {
    const QString fileName = StoreFileName();
    const QFileInfo file(fileName);
    if (file.exists() && !file.isFile()) {
        return; // as for a store without write access
    }
    QSettings store(fileName, QSettings::NativeFormat);
    store.setValue(valueName, text);
    // A store without write access keeps its old contents; that is not reported.
    store.sync();
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
}

int ReadRegNumber(const QString& valueName, int defaultValue) {
    const std::optional<QString> text = ReadValueText(valueName);
    return text ? ParseRegNumber(*text) : defaultValue;
}

QString ReadRegString(const QString& valueName, const QString& defaultValue) {
    return ReadValueText(valueName).value_or(defaultValue);
}

void WriteRegNumber(const QString& valueName, uint32_t value) {
    WriteValueText(valueName, QString::number(value));
}

void WriteRegString(const QString& valueName, const QString& value) {
    WriteValueText(valueName, value);
}
