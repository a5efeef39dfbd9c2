#include "settings/ShellVerbs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace {

std::optional<VerbPlaces>& PlacesSet() {
    static std::optional<VerbPlaces> places;
    return places;
}

// The entries that earlier versions wrote, with a MimeType that made them the
// default for directories and mount points.
const QStringList kOldEntries = {QStringLiteral("spanmeter-directory.desktop"),
                                 QStringLiteral("spanmeter-drive.desktop")};

bool Installed(const QString& program, const VerbPlaces& places) {
    return !places.programDirs.isEmpty() &&
           !QStandardPaths::findExecutable(program, places.programDirs).isEmpty();
}

bool Exists(const QString& folder) {
    return QFileInfo(folder).isDir();
}

// Written beside the old file and renamed over it, so a file manager never
// reads half of it.
std::optional<VerbFailure> WriteFile(const QString& path, const QString& text, bool executable) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return VerbFailure{path, QStringLiteral("The folder %1 cannot be made").arg(folder)};
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return VerbFailure{path, file.errorString()};
    file.write(text.toUtf8());
    if (!file.commit())
        return VerbFailure{path, file.errorString()};
    if (executable && !QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner |
                                                       QFile::ExeGroup | QFile::ExeOther))
        return VerbFailure{path, QStringLiteral("It cannot be made executable")};
    return std::nullopt;
}

// Nautilus starts a script in the folder on display with the selected names
// as its arguments, so the program itself is the script; a link that points
// at nothing is not offered.
std::optional<VerbFailure> WriteLink(const QString& path, const QString& target) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return VerbFailure{path, QStringLiteral("The folder %1 cannot be made").arg(folder)};
    // Made beside the old link and renamed over it.
    const QString fresh = path + QStringLiteral(".new");
    QFile::remove(fresh);
    std::error_code error;
    std::filesystem::create_symlink(QFile::encodeName(target).toStdString(),
                                    QFile::encodeName(fresh).toStdString(), error);
    if (!error)
        std::filesystem::rename(QFile::encodeName(fresh).toStdString(),
                                QFile::encodeName(path).toStdString(), error);
    if (error)
        return VerbFailure{path, QString::fromLocal8Bit(error.message())};
    return std::nullopt;
}

QString ReadText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The user's uca.xml with the action added: Thunar reads the user's file
// instead of the shipped one, so a first own file starts from the shipped
// actions.
std::optional<VerbFailure> WriteThunarAction(const QString& path, const VerbPlaces& places,
                                             const QString& modulePath) {
    QString present = ReadText(path);
    if (!QFileInfo::exists(path)) {
        for (const QString& dir : places.systemConfigDirs) {
            const QString shipped = dir + QStringLiteral("/Thunar/uca.xml");
            if (QFileInfo(shipped).isFile()) {
                present = ReadText(shipped);
                break;
            }
        }
    }
    const QString text = ThunarActionsWith(present, modulePath);
    if (text.isEmpty())
        return VerbFailure{path, QStringLiteral("It holds no list of actions")};
    return WriteFile(path, text, false);
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

VerbPlaces DefaultVerbPlaces() {
    VerbPlaces places;
    // Below /usr/local: /usr/share belongs to the packages.
    places.machineWide = ::geteuid() == 0;
    places.dataDir = places.machineWide
                         ? QStringLiteral("/usr/local/share")
                         : QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    places.configDir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    places.systemConfigDirs =
        QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    places.systemConfigDirs.removeAll(places.configDir);
    const QString path = qEnvironmentVariable("PATH");
    places.programDirs = path.split(u':', Qt::SkipEmptyParts);
    return places;
}

VerbPlaces CurrentVerbPlaces() {
    return PlacesSet().value_or(DefaultVerbPlaces());
}

void SetVerbPlaces(const std::optional<VerbPlaces>& places) {
    PlacesSet() = places;
}

QList<VerbTarget> ChosenTargets(const VerbPlaces& places) {
    QList<VerbTarget> targets{VerbTarget::OpenWith};
    const QString& data = places.dataDir;
    if (Installed(QStringLiteral("dolphin"), places) || Exists(data + QStringLiteral("/kio")))
        targets.append(VerbTarget::Dolphin);
    // Nautilus and Thunar read their actions from each user's own folders only.
    if (!places.machineWide && (Installed(QStringLiteral("nautilus"), places) ||
                                Exists(data + QStringLiteral("/nautilus"))))
        targets.append(VerbTarget::Nautilus);
    if (Installed(QStringLiteral("nemo"), places) || Exists(data + QStringLiteral("/nemo")))
        targets.append(VerbTarget::Nemo);
    if (!places.machineWide && (Installed(QStringLiteral("thunar"), places) ||
                                Exists(places.configDir + QStringLiteral("/Thunar"))))
        targets.append(VerbTarget::Thunar);
    return targets;
}

QString VerbFilePath(VerbTarget target, const VerbPlaces& places) {
    switch (target) {
    case VerbTarget::OpenWith:
        return places.dataDir + QStringLiteral("/applications/spanmeter-open-with.desktop");
    case VerbTarget::Dolphin:
        return places.dataDir + QStringLiteral("/kio/servicemenus/spanmeter.desktop");
    case VerbTarget::Nautilus:
        return places.dataDir + QStringLiteral("/nautilus/scripts/Spanmeter");
    case VerbTarget::Nemo:
        return places.dataDir + QStringLiteral("/nemo/actions/spanmeter.nemo_action");
    case VerbTarget::Thunar:
        return places.configDir + QStringLiteral("/Thunar/uca.xml");
    }
    return {};
}

std::optional<VerbFailure> InstallShellVerbs(const VerbPlaces& places, const QString& modulePath) {
    std::optional<VerbFailure> first;
    const auto note = [&first](std::optional<VerbFailure> failure) {
        if (!first)
            first = std::move(failure);
    };
    for (const VerbTarget target : ChosenTargets(places)) {
        const QString path = VerbFilePath(target, places);
        if (target == VerbTarget::Thunar) {
            note(WriteThunarAction(path, places, modulePath));
        } else if (target == VerbTarget::Nautilus) {
            note(WriteLink(path, modulePath));
        } else {
            // Dolphin runs service menus outside the system folders only when
            // they are executable.
            note(WriteFile(path, VerbFileText(target, modulePath), target == VerbTarget::Dolphin));
        }
    }
    const QDir applications(places.dataDir + QStringLiteral("/applications"));
    for (const QString& old : kOldEntries) {
        if (QFileInfo(applications.filePath(old)).isFile() &&
            !QFile::remove(applications.filePath(old)))
            note(VerbFailure{applications.filePath(old), QStringLiteral("It cannot be removed")});
    }
    return first;
}
