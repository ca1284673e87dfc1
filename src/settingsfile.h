#pragma once

#include <QSettings>
#include <memory>

// The console's INI settings file ("/home/oper/bin/settings.ini", through FixedPaths). Every
// screen and dialog opens it once in its constructor to read and once in its destructor to write.
namespace SettingsFile {

std::unique_ptr<QSettings> open();

}  // namespace SettingsFile
