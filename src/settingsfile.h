#pragma once

#include <QByteArray>
#include <QSettings>
#include <functional>
#include <memory>

// The console's INI settings file ("/home/oper/bin/settings.ini", through FixedPaths). Every
// screen and dialog opens it once in its constructor to read and once in its destructor to write.
namespace SettingsFile {

// Opens the settings file. A damaged file (one holding a serialised value of a kind the console
// never stores, which QSettings would trust and deserialise) is first moved aside to
// "settings.ini.bad" (".bad.2", ".bad.3" ... where that is taken), and the console goes on with
// defaults; the operator is told. What the object holds when it goes reaches the file only whole:
// it is written to a copy of the file and put in its place once it reads back as it was written,
// so that a disk that takes no more data keeps the file as it was. Such a write is told once
// ("[W]"), until a write succeeds again. GUI thread only.
std::unique_ptr<QSettings> open();

// Where the lines for the operator about the settings file go (the main window's log, once it is
// open): a damaged file set aside, a write that failed. Lines from while there was none are handed
// on at once. An empty function: they wait again.
void setReporter(std::function<void(const QString&)> report);

// The whole number stored under `key`, rounded; one that is not a finite number, or does not fit
// an int, reads as `byDefault`.
int wholeNumber(const QSettings& settings, const QString& key, int byDefault);

// True when QSettings may read these file bytes: every "@Variant(" value in them, after undoing
// the INI escapes, holds one of the scalar types the console stores (numbers and bools).
bool isSafe(const QByteArray& fileBytes);

}  // namespace SettingsFile
