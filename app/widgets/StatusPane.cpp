#include "app/widgets/StatusPane.h"

#include <QFontDatabase>

CStatusPane CStatusPane::Defaults(const QPalette& palette)
{
    CStatusPane pane;
    const QColor menu = palette.color(QPalette::Window);
    pane.disabledTextColour = QColor(menu.red() / 2, menu.green() / 2, menu.blue() / 2);
    pane.enabledTextColour = palette.color(QPalette::WindowText);
    pane.disabledBackground = menu;
    pane.enabledBackground = menu;
    pane.font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    return pane;
}

Qt::Alignment CStatusPane::Alignment() const
{
    Qt::Alignment alignment;
    if (mode & kCentre)
        alignment |= Qt::AlignHCenter;
    else if (mode & kRight)
        alignment |= Qt::AlignRight;
    else
        alignment |= Qt::AlignLeft;
    if (mode & kVCentre)
        alignment |= Qt::AlignVCenter;
    else if (mode & kBottom)
        alignment |= Qt::AlignBottom;
    else
        alignment |= Qt::AlignVCenter;  // a one-line bar: keep single-line text centred
    return alignment;
}
