#include "settingsfile.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTextCodec>
#include <QTextStream>
#include <QVector>

#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

#include "fixedpaths.h"
#include "wholefile.h"

namespace SettingsFile {

namespace {

// QSettings deserialises a value written as "@Variant(<QDataStream bytes>)" into whatever type the
// bytes name, trusting every element count in them (a pen's dash pattern of 2^32 entries asks for
// a 2^64-byte allocation). The console only stores numbers, bools and strings; of those only the
// numbers without a text form (float) are written as "@Variant(".
const QByteArray kVariant("@Variant(");

// The leading type word of each scalar the console may find in a "@Variant(", as QSettings writes
// it (the stream version of its INI values).
const QVector<QByteArray>& scalarTypeWords()
{
    static const QVector<QByteArray> words = [] {
        QVector<QByteArray> out;
        for (const QMetaType::Type type :
             {QMetaType::Bool, QMetaType::Int, QMetaType::UInt, QMetaType::LongLong, QMetaType::ULongLong,
              QMetaType::Double, QMetaType::Float, QMetaType::Short, QMetaType::UShort, QMetaType::Long,
              QMetaType::ULong, QMetaType::Char, QMetaType::SChar, QMetaType::UChar}) {
            QByteArray bytes;
            QDataStream stream(&bytes, QIODevice::WriteOnly);
            stream.setVersion(QDataStream::Qt_4_0);
            stream << QVariant(int(type), nullptr);
            out << bytes.left(4);
        }
        return out;
    }();
    return words;
}

int digitValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return 99;
}

// The file with the INI escapes undone the way QSettings' reader undoes them in a value: quotes
// dropped, \a \b \f \n \r \t \v \" \? \' \\, \x<hex digits>, \<octal digits>, a backslash before a
// line end joins the lines, any other escaped character is dropped; the rest is UTF-8. The whole
// file is taken as one value, so that a "@Variant(" QSettings sees in any value is found here too.
QString unescaped(const QByteArray& bytes)
{
    QTextCodec* utf8 = QTextCodec::codecForName("UTF-8");
    QString out;
    out.reserve(bytes.size());
    const int size = bytes.size();
    int i = 0;
    while (i < size) {
        const char ch = bytes.at(i);
        if (ch == '"') {
            ++i;
            continue;
        }
        if (ch != '\\') {
            int j = i + 1;
            while (j < size && bytes.at(j) != '\\' && bytes.at(j) != '"')
                ++j;
            out += utf8->toUnicode(bytes.constData() + i, j - i);
            i = j;
            continue;
        }
        if (++i >= size)
            break;
        const char code = bytes.at(i++);
        static const char simple[] = "a\ab\bf\fn\nr\rt\tv\v\"\"?\?''\\\\";
        const char* found = nullptr;
        for (const char* p = simple; *p; p += 2)
            if (*p == code)
                found = p;
        if (found) {
            out += QLatin1Char(found[1]);
        } else if (code == 'x' || (code >= '0' && code <= '7')) {
            const int base = code == 'x' ? 16 : 8;
            quint32 value = code == 'x' ? 0 : quint32(code - '0');
            int digits = 0;
            for (; i < size; ++i, ++digits) {
                const int digit = digitValue(bytes.at(i));
                if (digit >= base)
                    break;
                value = value * quint32(base) + quint32(digit);
            }
            if (code != 'x' || digits > 0)
                out += QChar(ushort(value));
        } else if (code == '\n' || code == '\r') {
            if (i < size && (bytes.at(i) == '\n' || bytes.at(i) == '\r') && bytes.at(i) != code)
                ++i;
        }
    }
    return out;
}

// ---- lines for the operator ----------------------------------------------------------------------

struct Reporter {
    std::function<void(const QString&)> report;
    QStringList waiting;
};

Reporter& reporter()
{
    static Reporter r;
    return r;
}

void tell(const QString& line)
{
    Reporter& r = reporter();
    if (r.report)
        r.report(line);
    else if (!r.waiting.contains(line))
        r.waiting << line;
}

// The file as the installation names it.
QString shown(const QString& path)
{
    return path == FixedPaths::settingsFile() ? QString::fromLatin1(FixedPaths::kSettingsFile) : path;
}

// A failed write is told once; a write that succeeds again ends that.
void wrote(bool whole, const QString& path)
{
    static bool failing = false;
    if (!whole && !failing)
        tell(QStringLiteral("[W]Настройки не сохранены: не удалось записать файл %1").arg(shown(path)));
    failing = !whole;
}

// ---- writing through a copy ---------------------------------------------------------------------
//
// QSettings replaces its file by a new one even when the disk did not take all of it (its last
// buffered bytes are lost without a word), so it never writes the settings file itself. The
// objects open on a second name of the file, a hard link "<file>.work" made when the first of them
// opens and removed when the last one goes. What an object writes replaces that name only; it is
// read back under a name QSettings has not seen (so it reads the disk, not what it remembers), and
// only when it reads back as written is it renamed over the settings file.

// Settings objects open on the copy of each settings file.
QHash<QString, int>& openOnCopy()
{
    static QHash<QString, int> counts;
    return counts;
}

QString copyOf(const QString& path) { return path + QStringLiteral(".work"); }

struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator!=(const FileId& other) const { return device != other.device || inode != other.inode; }
};

FileId fileId(const QString& path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {st.st_dev, st.st_ino};
}

bool link(const QString& from, const QString& to)
{
    return ::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// The copy is the settings file again (after a write that failed), or nothing when there is none.
void linkCopy(const QString& path)
{
    QFile::remove(copyOf(path));
    if (QFile::exists(path))
        link(path, copyOf(path));
}

// True when the file under `name` reads back as `written` holds it.
bool readsBack(const QSettings& written, const QString& name)
{
    QSettings read(name, QSettings::IniFormat);
    read.setIniCodec("UTF-8");
    const QStringList keys = written.allKeys();
    if (read.status() == QSettings::AccessError || read.allKeys() != keys)
        return false;
    for (const QString& key : keys) {
        if (read.value(key).toString() != written.value(key).toString())
            return false;
    }
    return true;
}

// Puts what `written` wrote to its copy in the place of the settings file `path` when it reads
// back whole.
bool publish(const QSettings& written, const QString& path)
{
    static int checks = 0;
    const QString check = path + QStringLiteral(".check%1").arg(++checks);
    QFile::remove(check);
    if (!link(written.fileName(), check))
        return false;
    if (readsBack(written, check) &&
        ::rename(QFile::encodeName(check).constData(), QFile::encodeName(path).constData()) == 0)
        return true;
    QFile::remove(check);
    return false;
}

class KeptSettings final : public QSettings
{
public:
    // `file`: the copy of the settings file `path`, or the file itself where no copy could be made.
    KeptSettings(const QString& file, const QString& path) : QSettings(file, QSettings::IniFormat), m_path(path)
    {
        setIniCodec("UTF-8");
    }
    ~KeptSettings() override;

private:
    QString m_path;
};

KeptSettings::~KeptSettings()
{
    const QString file = fileName();
    const bool onCopy = file != m_path;
    const FileId before = fileId(file);
    // The status stays at the first error: one from reading hides how the write went.
    const bool readWell = status() == QSettings::NoError;
    sync();
    const bool syncFailed = readWell && status() != QSettings::NoError;
    // The copy is written over by each write, also one the owner asked for by sync(): while it is
    // not the settings file, it holds what is still to be put in its place.
    if (onCopy ? fileId(file) != fileId(m_path) : fileId(file) != before) {
        const bool whole = !syncFailed && (!onCopy || publish(*this, m_path));
        if (!whole && onCopy)
            linkCopy(m_path);
        wrote(whole, m_path);
    } else if (syncFailed) {
        wrote(false, m_path);
    }
    if (onCopy && --openOnCopy()[m_path] == 0) {
        openOnCopy().remove(m_path);
        QFile::remove(file);
    }
}

std::unique_ptr<QSettings> open(const QString& path)
{
    int& count = openOnCopy()[path];
    if (count == 0) {
        // A copy left by a run that ended without removing it is not the file.
        linkCopy(path);
        if (QFile::exists(path) && !QFile::exists(copyOf(path))) {
            // No second name can be given to the file here: it is written as QSettings writes it.
            openOnCopy().remove(path);
            return std::make_unique<KeptSettings>(path, path);
        }
    }
    ++count;
    return std::make_unique<KeptSettings>(copyOf(path), path);
}

}  // namespace

bool isSafe(const QByteArray& fileBytes)
{
    // Fast path: a file with no '@' and no backslash cannot spell the marker.
    if (!fileBytes.contains('@') && !fileBytes.contains('\\'))
        return true;
    const QString text = unescaped(fileBytes);
    const QString marker = QString::fromLatin1(kVariant);
    for (int at = text.indexOf(marker); at >= 0; at = text.indexOf(marker, at + 1)) {
        // "@@" starts a text that begins with '@'.
        if (at > 0 && text.at(at - 1) == QLatin1Char('@'))
            continue;
        // QSettings reads the payload as Latin-1: a type word shorter than four bytes reads as
        // nothing, any other must name one of the scalars. (The word is taken across line ends,
        // as a quoted value runs on over them.)
        const QByteArray word = text.mid(at + marker.size(), 4).toLatin1();
        if (word.size() == 4 && !scalarTypeWords().contains(word))
            return false;
    }
    return true;
}

std::unique_ptr<QSettings> open()
{
    const QString path = FixedPaths::settingsFile();
    QFile file(path);
    if (file.open(QIODevice::ReadOnly) && !isSafe(file.readAll())) {
        file.close();
        // A copy of its own every time: an earlier one is never overwritten.
        const QString aside = freeCopyName(path + QStringLiteral(".bad"));
        if (!aside.isEmpty() && QFile::rename(path, aside)) {
            QTextStream(stderr) << QStringLiteral("poKAVRO: the settings file %1 is damaged; kept as %2, defaults are used\n")
                                       .arg(path, aside);
            tell(QStringLiteral("[W]Файл настроек %1 повреждён: он сохранён как %2, используются настройки по умолчанию")
                     .arg(shown(path), QFileInfo(aside).fileName()));
        } else {
            // Left where it is, it must not be read: this run keeps its settings in a scratch file.
            static bool told = false;
            if (!std::exchange(told, true)) {
                QTextStream(stderr) << QStringLiteral("poKAVRO: the settings file %1 is damaged and cannot be moved "
                                                      "aside; defaults are used\n")
                                           .arg(path);
                tell(QStringLiteral("[W]Файл настроек %1 повреждён, и его не удалось отложить: используются настройки "
                                    "по умолчанию, изменения не сохранятся")
                         .arg(shown(path)));
            }
            const QString scratch = QDir::temp().filePath(QStringLiteral("poKAVRO-settings.ini"));
            if (openOnCopy().value(scratch) == 0)
                QFile::remove(scratch);
            return open(scratch);
        }
    }
    return open(path);
}

void setReporter(std::function<void(const QString&)> report)
{
    Reporter& r = reporter();
    r.report = std::move(report);
    if (r.report) {
        for (const QString& line : std::exchange(r.waiting, {}))
            r.report(line);
    }
}

int wholeNumber(const QSettings& settings, const QString& key, int byDefault)
{
    bool isNumber = false;
    const double value = settings.value(key).toDouble(&isNumber);
    if (!isNumber || !std::isfinite(value))
        return byDefault;
    const double rounded = std::round(value);
    if (rounded < double(std::numeric_limits<int>::min()) || rounded > double(std::numeric_limits<int>::max()))
        return byDefault;
    return int(rounded);
}

}  // namespace SettingsFile
