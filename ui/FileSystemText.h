#pragma once

#include <QString>

#include <string>

// A text in the file system's bytes (names, paths, rows, status texts) as the
// window shows it. The bytes themselves stay with the rows: navigation and
// the report use them as they are.
QString FromFileSystem(const std::string& bytes);
