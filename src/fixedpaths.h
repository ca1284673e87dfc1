#pragma once

#include <QString>

// Every absolute path of the installation is obtained here. When the environment variable
// POKAVRO_ROOT is set, each path is taken below that folder (a sandbox or a test's temporary
// root); unset, the paths are exactly the installation's own. Only where the console itself reads
// or writes changes: text sent to a controller keeps the literal path.
namespace FixedPaths {

// The folder that stands for "/" ("" when POKAVRO_ROOT is unset).
QString root();

// Maps an absolute installation path ("/programs/_fixed.npg") to where the console reaches it.
QString local(const QString& systemPath);

// The installation's paths, each with its literal text as the default.
QString settingsFile();   // "/home/oper/bin/settings.ini"
QString usersFile();      // "/home/oper/bin/users.bin"
QString passportDir();    // "/home/oper/bin/passports/"
QString programDir();     // "/programs/"
QString pointDir();       // "/points/"
QString logDir();         // "/log/"
QString lockFile();       // "/var/tmp/.poKAVRO_lock"
QString counterDevice();  // "/dev/lirpci"

// The literal texts, for messages and controller commands.
inline constexpr const char* kSettingsFile = "/home/oper/bin/settings.ini";
inline constexpr const char* kUsersFile = "/home/oper/bin/users.bin";
inline constexpr const char* kPassportDir = "/home/oper/bin/passports/";
inline constexpr const char* kProgramDir = "/programs/";
inline constexpr const char* kPointDir = "/points/";
inline constexpr const char* kLogDir = "/log/";
inline constexpr const char* kLockFile = "/var/tmp/.poKAVRO_lock";
inline constexpr const char* kCounterDevice = "/dev/lirpci";

}  // namespace FixedPaths
