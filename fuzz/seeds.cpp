// Writes the seed corpora of the harnesses (fuzz/corpus/<harness>/) with the same builders the
// tests use: the datagram and frame encoders, the constants-record maker and the simulator's
// machine model. Run it after a format changes:  build-fuzz/fuzz/fuzz_seeds fuzz/corpus

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtEndian>

#include <cstring>
#include <functional>
#include <limits>

#include "autorization.h"
#include "comm.h"
#include "drivesim.h"
#include "drivestatus.h"
#include "vacuumsim.h"
#include "fuzzinput.h"
#include "genericlink.h"
#include "kvspackets.h"
#include "messagebox.h"
#include "pointfile.h"
#include "contourfile.h"
#include "../tests/support/contoursamples.h"

namespace {

QString g_root;

void write(const QString& harness, const QString& name, const QByteArray& bytes)
{
    const QString dir = g_root + QLatin1Char('/') + harness;
    QDir().mkpath(dir);
    QFile file(dir + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        QTextStream(stderr) << "cannot write " << file.fileName() << '\n';
        std::exit(1);
    }
}

QByteArray records(const QList<QByteArray>& datagrams)
{
    QByteArray out;
    for (const QByteArray& datagram : datagrams)
        FuzzInput::appendRecord(out, datagram);
    return out;
}

// ---- drive status: the simulator's machine going through a short session ----------------------

void driveSeeds()
{
    DriveSimulator sim;
    QList<QByteArray> session{sim.statusDatagram(), sim.statusDatagram()};
    for (const char* command : {"DRIVE ON", "TRANS ON", "MOVE(X,600)", "MOVE(LX1,-300)", "EXEC_1(/programs/_temp1.npg)"}) {
        sim.apply(QString::fromLatin1(command));
        sim.advance(0.05);
        session << sim.statusDatagram();
    }
    write("fuzz_drivestatus", "session", records(session));

    DriveStatusPacket packet = DriveStatus::blank();
    packet.position[DriveStatusPacket::X] = std::numeric_limits<float>::quiet_NaN();
    packet.position[DriveStatusPacket::Z] = -0.0f;
    packet.driveState[0] = -1;
    packet.minFlag[0] = 2;
    const QByteArray odd = DriveStatus::encode(packet);
    write("fuzz_drivestatus", "nan-and-repeats", records({odd, odd, DriveStatus::encode(DriveStatus::blank())}));
    write("fuzz_drivestatus", "rejected-then-taken",
          records({odd.left(295), QByteArray("QV") + odd.mid(2), odd + '\0', odd}));
}

// ---- vacuum status: the simulator's plant pumping down ------------------------------------------

void vacuumSeeds()
{
    VacuumSimulator sim;
    sim.setSwitchSeconds(0.5);
    QList<QByteArray> kvs{sim.statusDatagram(VacuumSimulator::Kvs)};
    QList<QByteArray> kvk{sim.statusDatagram(VacuumSimulator::Kvk)};
    for (const char* command : {"NL1 ON", "NZ1 ON", "VP2 ON", "ND1 ON"}) {
        sim.apply(VacuumSimulator::Kvs, QString::fromLatin1(command));
        sim.advance(1.0);
        kvs << sim.statusDatagram(VacuumSimulator::Kvs);
        kvk << sim.statusDatagram(VacuumSimulator::Kvk);
    }
    sim.apply(VacuumSimulator::Kvk, QStringLiteral("ALG(2)"));
    sim.setGaugeValid(VacuumSimulator::Chamber, false);
    sim.force(VacuumSimulator::Kvs, QStringLiteral("Temp3"), std::numeric_limits<float>::quiet_NaN());
    sim.advance(1.0);
    kvs << sim.statusDatagram(VacuumSimulator::Kvs) << sim.statusDatagram(VacuumSimulator::Kvs);
    kvk << sim.statusDatagram(VacuumSimulator::Kvk) << sim.statusDatagram(VacuumSimulator::Kvk);
    write("fuzz_kvsstatus", "session", records(kvs));
    write("fuzz_kvkstatus", "session", records(kvk));
    write("fuzz_kvsstatus", "rejected", records({kvs[1].left(144), QByteArray("VP") + kvs[1].mid(2), kvs[2]}));
    write("fuzz_kvkstatus", "rejected", records({kvk[1].left(100), QByteArray("VP") + kvk[1].mid(2), kvk[2]}));
}

// ---- frame reader: [link][split][stop] + stream -------------------------------------------------

QByteArray stream(quint8 link, quint8 split, quint8 stopAt, const QList<QByteArray>& frames)
{
    QByteArray out;
    out.append(char(link)).append(char(split)).append(char(stopAt));
    for (const QByteArray& frame : frames)
        out += frame;
    return out;
}

QByteArray text(const char* line)
{
    return LinkFrame::encode(LinkFrame::PV, QByteArray(line));
}

void frameSeeds()
{
    VacuumSimulator sim;
    const QByteArray constants = VacConsts::encode(sim.constants(VacuumSimulator::Kvs).mid(0, 3)
                                                   + QVector<VacConstRecord>{VacConsts::make(3, 1e6f, QString(90, QLatin1Char('x')))});
    write("fuzz_framereader", "drive", stream(0, 0, 0, {text("DRIVE ON"), text("ERROR 12\0tail"), text("")}));
    write("fuzz_framereader", "drive-split", stream(0, 3, 0, {text("EXEC_1(/programs/_temp1.npg)"), text("OK")}));
    write("fuzz_framereader", "kvs-consts",
          stream(1, 0, 0, {text("VP1 OPEN"), LinkFrame::encode(LinkFrame::RV, constants)}));
    write("fuzz_framereader", "kvk-consts-split",
          stream(2, 40, 0, {LinkFrame::encode(LinkFrame::QV, constants + constants.left(50)), text("DOOR")}));
    write("fuzz_framereader", "kvk-wrong-consts",
          stream(2, 0, 0, {LinkFrame::encode(LinkFrame::RV, constants)}));
    write("fuzz_framereader", "generic", stream(3, 5, 0, {LinkFrame::encode(LinkFrame::SQ, "OK 3 elements")}));
    write("fuzz_framereader", "stopped-in-frame",
          stream(1, 1, 9, {LinkFrame::encode(LinkFrame::RV, constants)}));
    write("fuzz_framereader", "cut-short", stream(0, 0, 0, {text("PARTIAL").left(7)}));
}

// ---- generic link: [count][type codes] + datagrams ----------------------------------------------

QByteArray le32(float value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    return QByteArray(bytes, 4);
}

void genericSeeds()
{
    // One element of every type code, records in subscription order: sensor on/off, the alternate
    // sensor on/off, sensor number (valid, number, raw), its alternate, variable on/off, its
    // alternate, variable number; code 7 has no record.
    const QByteArray types("\x00\x01\x02\x03\x04\x05\x06\x07", 8);
    QByteArray payload;
    payload += QByteArray("\x01\x01\x01\x00", 4);
    payload += '\x01' + le32(12.5f) + le32(250.0f);
    payload += '\x00' + le32(500.0f) + le32(std::numeric_limits<float>::quiet_NaN());
    payload += QByteArray("\x01\x00", 2);
    payload += le32(-3.0f);
    const QByteArray message = LinkFrame::encode(LinkFrame::SQ, payload);

    QByteArray whole(1, char(types.size()));
    whole += types;
    write("fuzz_genericlink", "whole", whole + records({message, message}));
    write("fuzz_genericlink", "continued", whole + records({message.left(7), message.mid(7, 9), message.mid(16)}));
    write("fuzz_genericlink", "short-then-foreign",
          whole + records({LinkFrame::encode(LinkFrame::SQ, payload.left(10)), QByteArray("SQ\x05", 3),
                           QByteArray("PV") + message.mid(2), message}));
}

// ---- users file: written by the user manager --------------------------------------------------

class SilentBoxes : public MessageBoxSink
{
public:
    QMessageBox::StandardButton show(QMessageBox::Icon, QWidget*, const QString&, const QString&,
                                     QMessageBox::StandardButtons, QMessageBox::StandardButton) override
    {
        return QMessageBox::Ok;
    }
};

void usersSeeds()
{
    SilentBoxes boxes;
    MessageBoxSink::install(&boxes);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("users.bin"));
    {
        Autorization::Manager manager(nullptr, nullptr, nullptr, nullptr, nullptr, path);
        manager.readUsers();  // none yet
        const QList<Autorization::AbstractUserGroup*> groups = manager.groups();
        new Autorization::AbstractUser(&manager, QStringLiteral("ivan"), QString::fromUtf8("Иван Петров"),
                                       Autorization::passwordHash(QStringLiteral("1234")), groups.at(2));
        new Autorization::AbstractUser(&manager, QStringLiteral("master"), QStringLiteral("Setter"),
                                       Autorization::passwordHash(QStringLiteral("4321")), groups.at(1));
        new Autorization::AbstractUser(&manager, QStringLiteral("boss"), QString::fromUtf8("Главный"),
                                       Autorization::passwordHash(QStringLiteral("0")), groups.at(0));
    }  // the manager writes the file on its way out
    MessageBoxSink::install(nullptr);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        std::exit(1);
    const QByteArray users = file.readAll();
    write("fuzz_usersfile", "three-users", users);
    QByteArray moreThanHeld = users;
    moreThanHeld[2] = '\x05';
    write("fuzz_usersfile", "count-beyond-records", moreThanHeld);
    write("fuzz_usersfile", "cut-in-a-record", users.left(users.size() - 7));
}

// ---- point file: written by the point file's own formatter -------------------------------------

void pointSeeds()
{
    const QStringList axes = {"LX", "LY", "A", "B", "C", "D", "U1", "V"};
    write("fuzz_pointfile", "saved",
          PointFile::format(axes, {"120.50", "0.00", "-3.00", "359.99", "0.00", "0.00", "12.25", "-0.50"}));
    write("fuzz_pointfile", "short-with-empty-cell", PointFile::format(axes.mid(0, 3), {"1.00", "", "2.50"}));
    write("fuzz_pointfile", "odd-numbers",
          "X\t1e3\r\nLY nan\n\n  A inf extra\nB 1e39\nC 12,5\nD -0.001\nU1 340282346638528859811704183484516925440\nV 0x1p3\nW 9\n");
}

// ---- settings file: written by QSettings the way the console writes it -------------------------

QByteArray settingsWritten(const std::function<void(QSettings&)>& fill)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("settings.ini"));
    {
        QSettings settings(path, QSettings::IniFormat);
        settings.setIniCodec("UTF-8");
        fill(settings);
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        std::exit(1);
    return file.readAll();
}

void settingsSeeds()
{
    write("fuzz_settingsfile", "console", settingsWritten([](QSettings& settings) {
              settings.setValue(QStringLiteral("RateCalc/LinRate1"), 612.5f);
              settings.setValue(QStringLiteral("RateCalc/Diam"), -0.25f);
              settings.setValue(QStringLiteral("Point/Width_name"), 140);
              settings.setValue(QStringLiteral("FixedMove/FM_Absolute"), true);
              settings.setValue(QStringLiteral("Gui/Speed"), 3.75);
              settings.setValue(QStringLiteral("Network/DriveHost"), QStringLiteral("127.0.0.1"));
              settings.setValue(QStringLiteral("Note/Text"), QString::fromUtf8("Шов \"1\", @ночь; a=b"));
          }));
    QPen pen(Qt::red);
    pen.setDashPattern({1.0, 2.0, 3.0, 4.0});
    write("fuzz_settingsfile", "objects", settingsWritten([&pen](QSettings& settings) {
              settings.setValue(QStringLiteral("A/pen"), pen);
              settings.setValue(QStringLiteral("A/map"), QVariantMap{{QStringLiteral("k"), 1.5f}});
              settings.setValue(QStringLiteral("A/list"), QVariantList{1, 2.5f, QStringLiteral("x")});
              settings.setValue(QStringLiteral("A/bytes"), QByteArray("\0\xff(", 3));
              settings.setValue(QStringLiteral("A/rect"), QRect(1, 2, 3, 4));
          }));
    write("fuzz_settingsfile", "escapes",
          "[A]\nk=\\x40Variant(\\0\\0\\0\\x87\\x44\\x16\\0\\0)\nq=\"a, b\", \\101\\x0042, \"@Var\"iant(x\\\n"
          ")\n;c=@@Variant(\r\n[B%20C]\nd=@Invalid()\n");
}

}  // namespace

// ---- contour files: one program of each scheme and the example's damaged forms ------------------

void contourSeeds()
{
    write("fuzz_contourfile", "linear", ContourFile::write(QStringLiteral("шов1"), ContourSamples::linear()));
    write("fuzz_contourfile", "circular", ContourFile::write(QStringLiteral("k"), ContourSamples::circular()));
    const QByteArray ring = ContourFile::write(QStringLiteral("contour"), ContourSamples::ring());
    write("fuzz_contourfile", "ring", ring);
    write("fuzz_contourfile", "ring-cut", ring.left(ring.size() / 2));
    QByteArray huge = ContourFile::write(QStringLiteral("x"), ContourSamples::linear());
    huge.replace("\n2\n", "\n2000000000\n");
    write("fuzz_contourfile", "huge-count", huge);
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: fuzz_seeds <corpus folder>\n";
        return 2;
    }
    g_root = QString::fromLocal8Bit(argv[1]);
    driveSeeds();
    vacuumSeeds();
    frameSeeds();
    genericSeeds();
    usersSeeds();
    pointSeeds();
    settingsSeeds();
    contourSeeds();
    return 0;
}
