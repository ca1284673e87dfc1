// The settings file: whatever bytes it holds, the controller addresses read from it are a
// non-empty host and ports from 1 to 65535. The console reads it with its application running,
// and so does the harness: values stored as "@Variant(...)" may hold pictures and other types
// that need one.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdlib>

#include "fixedpaths.h"
#include "fuzzinput.h"
#include "netconfig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir root(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                  ? QStringLiteral("/dev/shm/fuzz_settings-XXXXXX")
                                  : QDir::tempPath() + QStringLiteral("/fuzz_settings-XXXXXX"));
    static const bool ready = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz_settings";
        static char* argv[] = {name, nullptr};
        new QGuiApplication(argc, argv);  // lives as long as the process
        qputenv("POKAVRO_ROOT", QFile::encodeName(root.path()));
        return root.isValid() && QDir().mkpath(QFileInfo(FixedPaths::settingsFile()).absolutePath());
    }();
    FUZZ_CHECK(ready);
    {
        QFile file(FixedPaths::settingsFile());
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
    }
    for (const ControllerAddress& address : {NetConfig::drive(), NetConfig::kvs(), NetConfig::kvk()}) {
        FUZZ_CHECK(!address.host.isEmpty());
        FUZZ_CHECK(address.tcpPort >= 1 && address.tcpPort <= 65535);
        FUZZ_CHECK(address.udpPort >= 1 && address.udpPort <= 65535);
    }
    return 0;
}
