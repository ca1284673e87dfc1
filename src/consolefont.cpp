#include "consolefont.h"

#include <QApplication>

namespace {

const QString kCantarell = QStringLiteral("Cantarell");
const QString kSans = QStringLiteral("DejaVu Sans");
const QString kMono = QStringLiteral("DejaVu Sans Mono");
const QString kLiberationMono = QStringLiteral("Liberation Mono");

// Each family that names no installed font, with the installed one that draws it: the font that
// a bare installation's font configuration resolved it to when the forms were laid out.
struct Substitute {
    const char* named;
    const QString& drawn;
};
const Substitute kSubstitutes[] = {
    {"Monospace", kMono},
    {"Luxi Mono", kMono},
    {"Sans Serif", kSans},
    {"Bitstream Charter", kSans},
};

}  // namespace

QFont consoleFont()
{
    QFont font(kCantarell, 11);
    font.setWeight(QFont::Normal);
    return font;
}

QStringList consoleFamilies()
{
    return {kCantarell, kSans, kMono, kLiberationMono};
}

void installConsoleFont()
{
    for (const Substitute& substitute : kSubstitutes)
        QFont::insertSubstitution(QLatin1String(substitute.named), substitute.drawn);
    QApplication::setFont(consoleFont());
}
