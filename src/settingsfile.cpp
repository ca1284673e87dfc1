#include "settingsfile.h"

#include "fixedpaths.h"

namespace SettingsFile {

std::unique_ptr<QSettings> open()
{
    auto settings = std::make_unique<QSettings>(FixedPaths::settingsFile(), QSettings::IniFormat);
    settings->setIniCodec("UTF-8");
    return settings;
}

}  // namespace SettingsFile
