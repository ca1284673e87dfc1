// The settings file: whatever bytes it holds, opening it and reading every value must neither
// crash nor ask for an unbounded allocation, and what QSettings hands back is only ever a kind
// of value its INI text can spell by itself (numbers, bools, text, lists of them, byte arrays,
// rectangles, sizes, points) -- a deserialised object of any other type means a "@Variant("
// got past the check. A file judged damaged is kept aside whole and the console starts afresh.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "fixedpaths.h"
#include "fuzzinput.h"
#include "settingsfile.h"

namespace {

bool spelledByText(const QVariant& value)
{
    switch (value.userType()) {
    case QMetaType::QVariantList:
        for (const QVariant& item : value.toList())
            if (!spelledByText(item))
                return false;
        return true;
    case QMetaType::UnknownType:
    case QMetaType::QString:
    case QMetaType::QStringList:
    case QMetaType::QByteArray:
    case QMetaType::QRect:
    case QMetaType::QSize:
    case QMetaType::QPoint:
    // The scalars a "@Variant(" may hold.
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A fresh folder each time: QSettings caches a file by name, size and modification time.
    static QTemporaryDir scratch;
    static int run = 0;
    const QString root = scratch.filePath(QString::number(++run));
    qputenv("POKAVRO_ROOT", QFile::encodeName(root));
    const QString path = FixedPaths::settingsFile();
    QDir().mkpath(QFileInfo(path).path());
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    const bool safe = SettingsFile::isSafe(bytes);
    {
        auto settings = SettingsFile::open();
        for (const QString& key : settings->allKeys()) {
            const QVariant value = settings->value(key);
            FUZZ_CHECK(spelledByText(value));
            value.toString();
        }
        if (!safe)
            FUZZ_CHECK(settings->allKeys().isEmpty());
    }
    if (!safe) {
        QFile aside(path + QStringLiteral(".bad"));
        FUZZ_CHECK(aside.open(QIODevice::ReadOnly) && aside.readAll() == bytes);
    }
    QDir(root).removeRecursively();
    return 0;
}
