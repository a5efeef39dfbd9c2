#pragma once

// Whole files read and written, and what a program prints, as the tests need
// them.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

// The file's bytes; null when it cannot be read.
inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes `data` to `path`, making its folder first; true when all of it went.
inline bool WriteFile(const QString& path, const QByteArray& data, bool executable = false) {
    QFile file(path);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !file.open(QIODevice::WriteOnly) ||
        file.write(data) != data.size())
        return false;
    file.close();
    return !executable || file.setPermissions(file.permissions() | QFile::ExeOwner);
}

// What `program` writes on stdout; null unless it ends with status 0.
inline QByteArray Output(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    const bool ok = process.waitForFinished(60000) &&
                    process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return ok ? process.readAllStandardOutput() : QByteArray();
}
