#pragma once

#include <QString>

#include <cstdint>

// The program's few settings, kept as text values in the system-wide store
// (QSettings, system scope, "Veldrun"/"Spanmeter", no fallbacks). Each call
// opens the store, does its one read or write and closes it again; a store
// that cannot be read yields the default, one that cannot be written is
// silently left as it was.

// Makes the store /etc/xdg/Veldrun/Spanmeter.conf, whatever XDG_CONFIG_DIRS
// lists first: the program calls it once at start-up. (Tests point the store
// elsewhere with QSettings::setPath.)
void PinSettingsStore();

// A number read by its leading decimal part: blanks, an optional sign,
// digits ("12pt" is 12, "" and "pt" are 0). A missing value, or one longer
// than 254 characters, gives `defaultValue`.
int ReadRegNumber(const QString& valueName, int defaultValue);
// The text before the first zero character; missing or too long: the default.
QString ReadRegString(const QString& valueName, const QString& defaultValue);
// Stores the unsigned decimal text of `value` ("%u").
void WriteRegNumber(const QString& valueName, uint32_t value);
void WriteRegString(const QString& valueName, const QString& value);
