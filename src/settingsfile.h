#pragma once

#include <QByteArray>
#include <QSettings>
#include <memory>

// The console's INI settings file ("/home/oper/bin/settings.ini", through FixedPaths). Every
// screen and dialog opens it once in its constructor to read and once in its destructor to write.
namespace SettingsFile {

// Opens the settings file. A damaged file (one holding a serialised value of a kind the console
// never stores, which QSettings would trust and deserialise) is first moved aside to
// "settings.ini.bad", reported once on standard error, and the console goes on with defaults.
std::unique_ptr<QSettings> open();

// True when QSettings may read these file bytes: every "@Variant(" value in them, after undoing
// the INI escapes, holds one of the scalar types the console stores (numbers and bools).
bool isSafe(const QByteArray& fileBytes);

}  // namespace SettingsFile
