#pragma once
#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>
#include <cstdint>

// How one pane of the colour status bar draws itself: its colours while
// enabled and disabled, the text for each state, its font and its mode.
// The window only uses text panes; bitmap, progress and scrolling modes are
// recognised by their bits and drawn as plain text.
class CStatusPane {
public:
    // Low 20 bits: text placement.
    static constexpr std::uint32_t kCentre = 0x1;
    static constexpr std::uint32_t kRight = 0x2;
    static constexpr std::uint32_t kVCentre = 0x4;
    static constexpr std::uint32_t kBottom = 0x8;
    static constexpr std::uint32_t kFormatMask = 0x000FFFFF;
    // High bits: what the pane shows.
    static constexpr std::uint32_t kText = 0x100000;
    static constexpr std::uint32_t kTextAlternate = 0x200000;
    static constexpr std::uint32_t kScrollMask = 0xF000000;

    // The record every pane starts with, in the colours of the given palette.
    static CStatusPane Defaults(const QPalette& palette);

    bool IsTextMode() const { return (mode & (kText | kTextAlternate)) != 0; }
    // The placement bits as Qt alignment flags.
    Qt::Alignment Alignment() const;
    // The text for the given state; empty means "use the bar's pane text".
    const QString& TextFor(bool enabled) const { return texts[enabled ? 1 : 0]; }

    QColor disabledTextColour;
    QColor enabledTextColour;
    QColor disabledBackground;
    QColor enabledBackground;
    QString texts[2];  // [0] while disabled, [1] while enabled
    QFont font;
    std::uint32_t mode = kText;
};
