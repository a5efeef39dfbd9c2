#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// The program's few settings, kept as text values in two stores of the same
// form (QSettings, "Veldrun"/"Spanmeter", no fallbacks): the machine's
// (system scope), which holds the administrator's values for everyone, and
// the user's own (user scope). A value is read from the user's store when it
// holds it, else from the machine's, else it is the default. A value is
// written to the machine's store when this process may write it, else to the
// user's, so that a user without the right to change the machine's settings
// still keeps their own. Each call opens the stores, does its one read or
// write and closes them again; a store that is not a regular file reads as
// empty and is never written.

// Makes the machine store /etc/xdg/Veldrun/Spanmeter.conf, whatever
// XDG_CONFIG_DIRS lists first, and the user store the one below
// $XDG_CONFIG_HOME (~/.config) as it is now: the program calls it once at
// start-up. (Tests point the machine store elsewhere with QSettings::setPath.)
void PinSettingsStore();

// The files of the two stores.
QString MachineStoreFile();
QString UserStoreFile();

// A value that could not be stored anywhere: the last store tried and why.
struct StoreFailure {
    QString fileName;
    QString reason;
};

// A number read by its leading decimal part: blanks, an optional sign,
// digits ("12pt" is 12, "" and "pt" are 0). A missing value, or one longer
// than 254 characters, gives `defaultValue`.
int ReadRegNumber(const QString& valueName, int defaultValue);
// The text before the first zero character; missing or too long: the default.
QString ReadRegString(const QString& valueName, const QString& defaultValue);
// Stores the unsigned decimal text of `value` ("%u"). Nothing when stored.
std::optional<StoreFailure> WriteRegNumber(const QString& valueName, uint32_t value);
std::optional<StoreFailure> WriteRegString(const QString& valueName, const QString& value);
