#include "app/widgets/PlanMapping.h"

#include <algorithm>
#include <cmath>

void CPlanMapping::SetCentre(const QPointF& metres)
{
    if (std::isfinite(metres.x()) && std::isfinite(metres.y()))
        centre = metres;
}

void CPlanMapping::SetPixelsPerMetre(double scale)
{
    if (std::isfinite(scale))
        pixelsPerMetre = std::clamp(scale, kMinPixelsPerMetre, kMaxPixelsPerMetre);
}

QPointF CPlanMapping::ToPixels(const QPointF& metres) const
{
    return {viewport.width() / 2.0 + (metres.x() - centre.x()) * pixelsPerMetre,
            viewport.height() / 2.0 - (metres.y() - centre.y()) * pixelsPerMetre};
}

QPointF CPlanMapping::ToMetres(const QPointF& pixels) const
{
    return {centre.x() + (pixels.x() - viewport.width() / 2.0) / pixelsPerMetre,
            centre.y() - (pixels.y() - viewport.height() / 2.0) / pixelsPerMetre};
}

QRectF CPlanMapping::VisibleMetres() const
{
    const double width = viewport.width() / pixelsPerMetre;
    const double height = viewport.height() / pixelsPerMetre;
    return {centre.x() - width / 2.0, centre.y() - height / 2.0, width, height};
}

void CPlanMapping::ZoomAbout(const QPointF& pixel, double factor)
{
    if (!(factor > 0.0) || !std::isfinite(factor))
        return;
    const QPointF anchor = ToMetres(pixel);
    SetPixelsPerMetre(pixelsPerMetre * factor);
    // Move the centre so that the anchor is under the pixel again.
    const QPointF drift = ToMetres(pixel) - anchor;
    SetCentre(centre - drift);
}

void CPlanMapping::PanBy(const QPointF& pixelDelta)
{
    SetCentre({centre.x() - pixelDelta.x() / pixelsPerMetre, centre.y() + pixelDelta.y() / pixelsPerMetre});
}

void CPlanMapping::Fit(const QRectF& metres, double marginPixels)
{
    const QRectF area = metres.normalized();
    if (!std::isfinite(area.width()) || !std::isfinite(area.height()))
        return;
    const double width = std::max(area.width(), kMinFitSpan);
    const double height = std::max(area.height(), kMinFitSpan);
    const double usableWidth = std::max(viewport.width() - 2.0 * marginPixels, 1.0);
    const double usableHeight = std::max(viewport.height() - 2.0 * marginPixels, 1.0);
    SetPixelsPerMetre(std::min(usableWidth / width, usableHeight / height));
    SetCentre(area.center());
}

double CPlanMapping::NiceStep(double value)
{
    if (!(value > 0.0) || !std::isfinite(value))
        return 1.0;
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (const double mantissa : {1.0, 2.0, 5.0, 10.0}) {
        // A little slack, so that 0.3 asks for 0.5 and not for 1 after rounding.
        if (mantissa * power >= value * (1.0 - 1e-9))
            return mantissa * power;
    }
    return 10.0 * power;
}

double CPlanMapping::GridStep(double minimumPixels) const
{
    return NiceStep(minimumPixels / pixelsPerMetre);
}

bool CPlanMapping::ClipSegment(QPointF& a, QPointF& b, const QRectF& rect)
{
    // Liang and Barsky: the part of a + t (b - a), t in [0, 1], inside rect.
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    double enter = 0.0;
    double leave = 1.0;
    const double edges[4][2] = {{-dx, a.x() - rect.left()},
                                {dx, rect.right() - a.x()},
                                {-dy, a.y() - rect.top()},
                                {dy, rect.bottom() - a.y()}};
    for (const auto& [p, q] : edges) {
        if (!std::isfinite(p) || !std::isfinite(q))
            return false;
        if (p == 0.0) {
            if (q < 0.0)
                return false;  // parallel to this edge and outside it
            continue;
        }
        const double t = q / p;
        if (p < 0.0)
            enter = std::max(enter, t);
        else
            leave = std::min(leave, t);
        if (enter > leave)
            return false;
    }
    const QPointF start = a;
    a = QPointF(start.x() + enter * dx, start.y() + enter * dy);
    b = QPointF(start.x() + leave * dx, start.y() + leave * dy);
    return true;
}
