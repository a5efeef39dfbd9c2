#include "ui/FileSystemText.h"

#include <QFile>

QString FromFileSystem(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}
