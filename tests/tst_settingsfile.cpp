#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QPen>
#include <QtTest>

#include <limits>

#include "fixedpaths.h"
#include "fulldisk.h"
#include "settingsfile.h"
#include "testenv.h"

namespace {

// A value as the INI reader takes it: "@Variant(" and the stream bytes, every byte escaped.
QByteArray variantValue(const QByteArray& stream)
{
    QByteArray out("@Variant(");
    for (const char byte : stream)
        out += "\\x" + QByteArray::number(uchar(byte), 16);
    return out + ')';
}

QByteArray streamed(const QVariant& value)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_4_0);
    stream << value;
    return bytes;
}

// A pen whose dash pattern claims `count` entries (2^31 - 1 makes QSettings itself die on the
// allocation; 2^32 - 1 did under the sanitizers).
QByteArray hostilePen(const QByteArray& count)
{
    QPen pen(Qt::red);
    pen.setDashPattern({1.0, 2.0, 3.0, 4.0});
    QByteArray bytes = streamed(QVariant(pen));
    const int at = bytes.indexOf(QByteArray("\x00\x00\x00\x04\x3f\xf0", 6));  // four, then 1.0
    Q_ASSERT(at > 0);
    return bytes.replace(at, 4, count);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

// Every value of the settings, read the way the console reads them.
void readEverything(QSettings& settings)
{
    for (const QString& key : settings.allKeys()) {
        const QVariant value = settings.value(key);
        value.toFloat();
        value.toString();
    }
}

}  // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT

    QStringList m_told;  // the lines for the operator

private slots:
    void init()
    {
        TestEnv::makeInstallationFolders();
        QDir folder = QFileInfo(FixedPaths::settingsFile()).dir();
        for (const QString& file : folder.entryList({QStringLiteral("settings.ini*")}, QDir::Files))
            QVERIFY(folder.remove(file));
        m_told.clear();
        SettingsFile::setReporter([this](const QString& line) { m_told << line; });
    }

    void cleanup() { SettingsFile::setReporter({}); }

    // What the console writes reads back the same, and the file stays where it is.
    void storedValuesReadUnchanged()
    {
        const QVariantMap stored{
            {"RateCalc/LinRate1", 612.5f},  {"RateCalc/Diam", -0.25f},   {"Point/Width_name", 140},
            {"FixedMove/FM_Absolute", true}, {"Network/DriveHost", "127.0.0.1"}, {"Gui/Speed", 3.75},
            {"Note/Text", QString::fromUtf8("Сварка, шов \"1\"; @ночь \\ 5=5")}, {"Note/At", "@Variant(x"},
            {"Axis/Big", qlonglong(1) << 40}};
        {
            auto settings = SettingsFile::open();
            for (auto it = stored.cbegin(); it != stored.cend(); ++it)
                settings->setValue(it.key(), it.value());
        }
        const QByteArray written = readAll(FixedPaths::settingsFile());
        QVERIFY(written.contains("@Variant("));  // the floats
        QVERIFY(SettingsFile::isSafe(written));
        auto settings = SettingsFile::open();
        for (auto it = stored.cbegin(); it != stored.cend(); ++it)
            QCOMPARE(settings->value(it.key()).toString(), it.value().toString());
        QCOMPARE(settings->value("RateCalc/LinRate1").toFloat(), 612.5f);
        QCOMPARE(readAll(FixedPaths::settingsFile()), written);
        QVERIFY(!QFile::exists(FixedPaths::settingsFile() + QStringLiteral(".bad")));
    }

    void damagedFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("damaged");
        // Harmless for QSettings itself: the type it makes of the value (checked on a copy).
        QTest::addColumn<QString>("qtType");

        const QByteArray pen = variantValue(hostilePen(QByteArray(4, '\xff')));
        const QByteArray map = variantValue(streamed(QVariantMap{{"a", 1}}));
        const QByteArray point = streamed(QVariant(QPointF(1, 2)));
        const QByteArray floatValue = streamed(QVariant(2.5f));
        QTest::newRow("pen with 2^32 dashes") << "[Network]\nDriveHost=127.0.0.1\nPen=" + pen + "\n" << true << "";
        QTest::newRow("pen with 2^31 dashes")
            << "[A]\nk=" + variantValue(hostilePen(QByteArray("\x7f\xff\xff\xff", 4))) + "\n" << true << "";
        QTest::newRow("pen in a list") << "[A]\nk=1, 2, " + pen + "\n" << true << "";
        QTest::newRow("map, unknown to the console") << "[A]\nk=" + map + "\n" << true << "QVariantMap";
        QTest::newRow("point, marker as hex")
            << "[A]\nk=" + variantValue(point).replace(0, 1, "\\x40") + "\n" << true << "QPointF";
        QTest::newRow("point, marker as wide hex")
            << "[A]\nk=" + variantValue(point).replace(0, 1, "\\x10040") + "\n" << true << "QPointF";
        QTest::newRow("point, marker as octal")
            << "[A]\nk=" + variantValue(point).replace(0, 1, "\\100") + "\n" << true << "QPointF";
        QTest::newRow("point, quoted marker")
            << "[A]\nk=\"@Var\"\"iant(\"" + variantValue(point).mid(9) + "\n" << true << "QPointF";
        QTest::newRow("point, continued line")
            << "[A]\nk=@Vari\\\nant(" + variantValue(point).mid(9) + "\n" << true << "QPointF";
        QTest::newRow("point, raw type bytes")
            << "[A]\nk=@Variant(\\0\\0\\0" + QByteArray(1, point.at(3)) + variantValue(point.mid(4)).mid(9) + "\n"
            << true << "QPointF";
        QTest::newRow("float") << "[A]\nk=" + variantValue(floatValue) + "\n" << false << "float";
        QTest::newRow("float, cut short") << "[A]\nk=" + variantValue(floatValue.left(6)) << false << "";
        QTest::newRow("marker only") << QByteArray("[A]\nk=@Variant(\n") << false << "";
        QTest::newRow("two type bytes, then the line end") << QByteArray("[A]\nk=@Variant(\\0\\0)\n") << true << "";
        QTest::newRow("point, quoted over a line end")
            << "[A]\nk=\"@Variant(" + variantValue(point.left(2)).mid(9) + "\n" + variantValue(point.mid(2)).mid(9) + "\"\n"
            << true << "";
        QTest::newRow("text starting with @Variant(") << QByteArray("[A]\nk=@@Variant(\n") << false << "QString";
        QTest::newRow("pen, cut in the type") << "[A]\nk=" + pen.left(21) << false << "";
        QTest::newRow("byte array") << QByteArray("[A]\nk=@ByteArray(\\xff\\0abc)\nr=@Rect(1 2 3 4)\n") << false << "";
        QTest::newRow("binary junk")
            << QByteArray("\x00\xff\xfe[\x01]\n=\x80\x81\\\n\\x\n@@Var\xd0iant(\r\n;x=@\\", 30) << false << "";
    }
    void damagedFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, damaged);
        QFETCH(QString, qtType);
        QCOMPARE(SettingsFile::isSafe(file), !damaged);

        if (!qtType.isEmpty()) {
            // A file of its own per row: QSettings keeps what it read of a path and may not notice
            // a rewrite of the same size within the same second.
            const QString copy = TestEnv::root() + QStringLiteral("/copy-%1.ini").arg(qHash(QByteArray(QTest::currentDataTag())));
            writeFile(copy, file);
            QSettings settings(copy, QSettings::IniFormat);
            settings.setIniCodec("UTF-8");
            const QVariant value = settings.value(settings.allKeys().value(0));
            QCOMPARE(QString::fromLatin1(value.typeName()), qtType);
        }

        writeFile(FixedPaths::settingsFile(), file);
        {
            auto settings = SettingsFile::open();
            readEverything(*settings);
            QCOMPARE(settings->allKeys().isEmpty(), damaged);
            settings->setValue("RateCalc/Diam", 7.5f);
        }
        QCOMPARE(readAll(FixedPaths::settingsFile() + QStringLiteral(".bad")), damaged ? file : QByteArray());
        QCOMPARE(SettingsFile::open()->value("RateCalc/Diam").toFloat(), 7.5f);
    }

    // Each damaged file is kept in a copy of its own, and the operator is told which; lines from
    // before there was anyone to tell wait for the first one.
    void damagedFilesKeptApart()
    {
        SettingsFile::setReporter({});
        const QByteArray pen = "[A]\nk=" + variantValue(hostilePen(QByteArray(4, '\xff'))) + "\n";
        const QByteArray map = "[A]\nk=" + variantValue(streamed(QVariantMap{{"a", 1}})) + "\n";
        for (const QByteArray& damaged : {pen, map}) {
            writeFile(FixedPaths::settingsFile(), damaged);
            QVERIFY(SettingsFile::open()->allKeys().isEmpty());
        }
        QCOMPARE(readAll(FixedPaths::settingsFile() + QStringLiteral(".bad")), pen);
        QCOMPARE(readAll(FixedPaths::settingsFile() + QStringLiteral(".bad.2")), map);
        QVERIFY(m_told.isEmpty());
        SettingsFile::setReporter([this](const QString& line) { m_told << line; });
        const QString told = QStringLiteral("[W]Файл настроек /home/oper/bin/settings.ini повреждён: он сохранён как %1, "
                                            "используются настройки по умолчанию");
        QCOMPARE(m_told, (QStringList{told.arg("settings.ini.bad"), told.arg("settings.ini.bad.2")}));
    }

    // A write the disk does not take keeps the file as it was; it is told once however often it
    // fails, and again after a write that succeeded in between. A disk with no room at all fails
    // QSettings' own lock file; one with room for that small file fails the settings only.
    void fullDiskKeepsTheFile_data()
    {
        FullDisk::addColumn();
        QTest::addColumn<int>("room");
        QTest::newRow("file size limit") << int(FullDisk::FileSizeLimit) << 0;
        QTest::newRow("full tmpfs") << int(FullDisk::Tmpfs) << 0;
        QTest::newRow("file size limit, room for a small file") << int(FullDisk::FileSizeLimit) << 100;
        QTest::newRow("tmpfs, room for a small file") << int(FullDisk::Tmpfs) << 4096;
    }
    void fullDiskKeepsTheFile()
    {
        QFETCH(int, disk);
        QFETCH(int, room);
        const QString folder = QFileInfo(FixedPaths::settingsFile()).absolutePath();
        FullDisk full(FullDisk::Kind(disk), folder);
        if (!full.unavailable().isEmpty())
            QSKIP(qPrintable(full.unavailable()));
        const QList<quint16> ports = TestEnv::configureControllers();
        const QByteArray before = readAll(FixedPaths::settingsFile());
        QVERIFY(before.contains("Network"));
        const auto write = [](float diam) { SettingsFile::open()->setValue("RateCalc/Diam", diam); };
        const QString failed =
            QStringLiteral("[W]Настройки не сохранены: не удалось записать файл /home/oper/bin/settings.ini");

        full.fill(room);
        write(1.5f);
        write(2.5f);
        QCOMPARE(readAll(FixedPaths::settingsFile()), before);
        QCOMPARE(m_told, QStringList{failed});
        full.free();
        write(3.5f);
        const QByteArray written = readAll(FixedPaths::settingsFile());
        QCOMPARE(SettingsFile::open()->value("RateCalc/Diam").toFloat(), 3.5f);
        full.fill(room);
        write(4.5f);
        full.free();
        QCOMPARE(m_told, (QStringList{failed, failed}));
        QCOMPARE(readAll(FixedPaths::settingsFile()), written);
        QCOMPARE(SettingsFile::open()->value("Network/DriveTcpPort").toInt(), int(ports[0]));
        // Nothing is left beside it.
        QCOMPARE(QDir(folder).entryList({QStringLiteral("settings.ini*")}, QDir::Files | QDir::Hidden),
                 QStringList{"settings.ini"});
    }

    // A value that is no finite number, or does not fit an int, reads as the default.
    void wholeNumbers_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("read");
        QTest::newRow("fraction") << QVariant(1234.6) << 1235;
        QTest::newRow("negative fraction") << QVariant(-2.5f) << -3;
        QTest::newRow("text of a number") << QVariant("600") << 600;
        QTest::newRow("largest int") << QVariant(2147483647.0) << 2147483647;
        QTest::newRow("beyond int") << QVariant(2147483648.0) << -7;
        QTest::newRow("below int") << QVariant("-2147483649") << -7;
        QTest::newRow("1e300") << QVariant("1e300") << -7;
        QTest::newRow("nan") << QVariant("nan") << -7;
        QTest::newRow("infinite float") << QVariant(std::numeric_limits<float>::infinity()) << -7;
        QTest::newRow("not a number") << QVariant("быстро") << -7;
        QTest::newRow("missing") << QVariant() << -7;
    }
    void wholeNumbers()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, read);
        if (stored.isValid())
            SettingsFile::open()->setValue("Contour/weldSpeed", stored);
        QCOMPARE(SettingsFile::wholeNumber(*SettingsFile::open(), "Contour/weldSpeed", -7), read);
    }
};

POKAVRO_TEST_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
