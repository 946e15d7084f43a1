#include "app/widgets/FixedPitchFont.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QStringList>

namespace {

// Monospaced families found on Linux desktops, the widespread ones first.
const QStringList& KnownMonospacedFamilies()
{
    static const QStringList families{
        "DejaVu Sans Mono", "Noto Sans Mono", "Liberation Mono", "Cousine", "Bitstream Vera Sans Mono",
        "Ubuntu Mono", "Source Code Pro", "Hack", "Noto Mono", "FreeMono", "Nimbus Mono PS", "Courier New",
        "Courier 10 Pitch"};
    return families;
}

} // namespace

QFont CFixedPitchFont::Choose()
{
    static const QFont chosen = FirstEvenFont();
    return chosen;
}

bool CFixedPitchFont::AdvancesEvenly(QFont font)
{
    qreal width = -1;
    for (const QFont::Weight weight : {QFont::Normal, QFont::Bold}) {
        font.setWeight(weight);
        const QFontMetricsF metrics(font);
        for (char16_t character = 0x20; character < 0x7f; ++character) {
            const qreal advance = metrics.horizontalAdvance(QChar(character));
            if (width < 0)
                width = advance;
            else if (advance != width)
                return false;
        }
    }
    return width > 0;
}

QFont CFixedPitchFont::FirstEvenFont()
{
    const QFont desktop = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (AdvancesEvenly(desktop))
        return desktop;
    // Then the families known to be monospaced, then whatever else the font
    // database believes is; only installed ones, so that no substitute
    // stands in for a name.
    QStringList candidates = KnownMonospacedFamilies();
    for (const QString& family : QFontDatabase::families())
        if (QFontDatabase::isFixedPitch(family) && !candidates.contains(family))
            candidates << family;
    for (const QString& family : candidates) {
        if (!QFontDatabase::hasFamily(family))
            continue;
        QFont font = desktop;
        font.setFamily(family);
        font.setStyleHint(QFont::TypeWriter);
        if (AdvancesEvenly(font))
            return font;
    }
    return desktop;
}
