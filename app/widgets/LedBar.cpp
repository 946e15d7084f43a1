#include "app/widgets/LedBar.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

const QColor kGreen(0, 200, 0);
const QColor kYellow(240, 220, 0);
const QColor kRed(230, 0, 0);

// An unlit LED shows its section's colour, dimmed.
QColor Dimmed(const QColor& colour)
{
    return QColor(colour.red() / 4 + 40, colour.green() / 4 + 40, colour.blue() / 4 + 40);
}

} // namespace

CiLedBarX::CiLedBarX(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void CiLedBarX::SetValue(double& field, double value)
{
    if (field == value)
        return;
    field = value;
    update();
}

void CiLedBarX::SetMinimum(double value) { SetValue(minimum, value); }
void CiLedBarX::SetMaximum(double value) { SetValue(maximum, value); }
void CiLedBarX::SetSectionEnd1(double value) { SetValue(sectionEnd1, value); }
void CiLedBarX::SetSectionEnd2(double value) { SetValue(sectionEnd2, value); }
void CiLedBarX::SetPosition(double value) { SetValue(position, value); }

bool CiLedBarX::SetProperty(int dispatchId, double value)
{
    switch (dispatchId) {
    case kMinimum: SetMinimum(value); return true;
    case kMaximum: SetMaximum(value); return true;
    case kSectionEnd1: SetSectionEnd1(value); return true;
    case kSectionEnd2: SetSectionEnd2(value); return true;
    case kPosition: SetPosition(value); return true;
    default: return false;
    }
}

int CiLedBarX::LedCount() const
{
    // Round LEDs as tall as the bar, with a small gap between them.
    const int diameter = std::max(height() - 2, 4);
    return std::max(1, width() / (diameter + 2));
}

int CiLedBarX::LitCount() const
{
    const int count = LedCount();
    if (position > maximum)
        return count;
    const double span = maximum - minimum;
    if (!(span > 0.0) || !std::isfinite(span) || !(position > minimum))
        return 0;
    const double fraction = (position - minimum) / span;
    return std::clamp(static_cast<int>(std::floor(fraction * count + 0.5)), 0, count);
}

QColor CiLedBarX::LedColour(int led) const
{
    // An LED belongs to the section its upper edge falls in.
    const double upperEdge = minimum + (maximum - minimum) * (led + 1) / LedCount();
    if (upperEdge <= sectionEnd1)
        return kGreen;
    if (upperEdge <= sectionEnd2)
        return kYellow;
    return kRed;
}

QSize CiLedBarX::sizeHint() const
{
    return QSize(200, 16);
}

void CiLedBarX::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int count = LedCount();
    const int lit = LitCount();
    const double pitch = static_cast<double>(width()) / count;
    const double diameter = std::min(pitch - 2.0, height() - 2.0);
    const double top = (height() - diameter) / 2.0;
    painter.setPen(QPen(QColor(60, 60, 60), 0.8));
    for (int led = 0; led < count; ++led) {
        const QColor colour = LedColour(led);
        painter.setBrush(led < lit ? colour : Dimmed(colour));
        const double left = led * pitch + (pitch - diameter) / 2.0;
        painter.drawEllipse(QRectF(left, top, diameter, diameter));
    }
}
