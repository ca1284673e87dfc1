#include "settingsfile.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QTextCodec>
#include <QTextStream>
#include <QVector>

#include "fixedpaths.h"

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

void report(const QString& text)
{
    static bool reported = false;
    if (!reported)
        QTextStream(stderr) << text << '\n';
    reported = true;
}

std::unique_ptr<QSettings> open(const QString& path);

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
        const QString aside = path + QStringLiteral(".bad");
        QFile::remove(aside);
        if (QFile::rename(path, aside))
            report(QStringLiteral("poKAVRO: the settings file %1 is damaged; kept as %2, defaults are used")
                       .arg(path, aside));
        else if (QFile::remove(path))
            report(QStringLiteral("poKAVRO: the settings file %1 is damaged and was removed; defaults are used")
                       .arg(path));
        else {
            // Left where it is, it must not be read: this run keeps its settings in a scratch file.
            report(QStringLiteral("poKAVRO: the settings file %1 is damaged and cannot be moved aside; "
                                  "defaults are used").arg(path));
            const QString scratch = QDir::temp().filePath(QStringLiteral("poKAVRO-settings.ini"));
            QFile::remove(scratch);
            return open(scratch);
        }
    }
    return open(path);
}

namespace {

std::unique_ptr<QSettings> open(const QString& path)
{
    auto settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    settings->setIniCodec("UTF-8");
    return settings;
}

}  // namespace

}  // namespace SettingsFile
