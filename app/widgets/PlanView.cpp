#include "app/widgets/PlanView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVector>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

const QColor kPaper(252, 252, 248);
const QColor kGridInk(205, 208, 212);
const QColor kLabelInk(90, 94, 100);
const QColor kMarkerInk(40, 44, 52);

// A wheel notch zooms by a quarter.
constexpr double kZoomPerNotch = 1.25;
// How far beyond the widget lines are still drawn, so that their ends and
// their width never show at the edge.
constexpr double kClipSlack = 16.0;
constexpr double kLatestFixRadius = 5.0;
constexpr double kFixDotSize = 3.0;
// A hollow fix: the outline of a square this wide, and of the latest fix's
// circle in a pen this wide.
constexpr double kHollowDotSize = 4.0;
constexpr double kHollowPenWidth = 1.5;

// A grid or ring value in metres, with as many decimals as the step needs
// and never "-0".
QString MetresText(double value, double step)
{
    const int decimals = step >= 1.0 ? 0 : std::min(6, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
    if (std::abs(value) < step * 1e-6)
        value = 0.0;
    return QString::number(value, 'f', decimals);
}

// The multiples of step from low to high, at most kMaxLines of them (far
// from zero, where a step no longer changes a double, they would never end).
std::vector<double> StepsBetween(double low, double high, double step)
{
    constexpr double kMaxLines = 200.0;
    std::vector<double> steps;
    const double first = std::ceil(low / step);
    const double count = std::floor(high / step) - first + 1.0;
    if (!std::isfinite(first) || !(count > 0.0))
        return steps;
    for (double i = 0.0; i < std::min(count, kMaxLines); ++i)
        steps.push_back((first + i) * step);
    return steps;
}

// Angle wrapped into (-pi, pi].
double Wrapped(double angle)
{
    while (angle > std::numbers::pi)
        angle -= 2.0 * std::numbers::pi;
    while (angle <= -std::numbers::pi)
        angle += 2.0 * std::numbers::pi;
    return angle;
}

// Adds the segment from a to b, cut to rect, to lines.
void AddClipped(QVector<QLineF>& lines, QPointF a, QPointF b, const QRectF& rect)
{
    if (CPlanMapping::ClipSegment(a, b, rect))
        lines.append(QLineF(a, b));
}

} // namespace

CPlanView::CPlanView(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    setCursor(Qt::OpenHandCursor);
    setMinimumSize(160, 120);
    mapping.SetViewport(size());
}

QSize CPlanView::sizeHint() const
{
    return QSize(520, 440);
}

void CPlanView::SetTracks(QList<CPlanTrack> newTracks)
{
    tracks = std::move(newTracks);
    if (selected >= tracks.size())
        selected = -1;
    if (following)
        FitNow();
    update();
}

void CPlanView::SetAxes(const CPlanAxes& newAxes)
{
    axes = newAxes;
    if (following)
        FitNow();
    update();
}

void CPlanView::SetSelectedTrack(int track)
{
    selected = track >= 0 && track < tracks.size() ? track : -1;
    update();
}

void CPlanView::SetEmptyText(const QString& text)
{
    emptyText = text;
    update();
}

void CPlanView::Fit()
{
    following = true;
    FitNow();
    update();
}

bool CPlanView::HasFixes() const
{
    return std::any_of(tracks.begin(), tracks.end(), [](const CPlanTrack& track) { return !track.fixes.isEmpty(); });
}

std::optional<QRectF> CPlanView::FixBounds() const
{
    const std::optional<QRectF> good = BoundsOf(false);
    return good ? good : BoundsOf(true);
}

std::optional<QRectF> CPlanView::BoundsOf(bool withHollow) const
{
    double left = INFINITY;
    double right = -INFINITY;
    double bottom = INFINITY;
    double top = -INFINITY;
    bool any = false;
    for (const CPlanTrack& track : tracks) {
        for (const CPlanFix& fix : track.fixes) {
            if (fix.hollow && !withHollow)
                continue;
            any = true;
            left = std::min(left, fix.metres.x());
            right = std::max(right, fix.metres.x());
            bottom = std::min(bottom, fix.metres.y());
            top = std::max(top, fix.metres.y());
        }
    }
    if (!any)
        return std::nullopt;
    return QRectF(left, bottom, right - left, top - bottom);
}

void CPlanView::FitNow()
{
    // A widget not shown yet has its size but has had no resize event.
    mapping.SetViewport(size());
    const std::optional<QRectF> bounds = FixBounds();
    if (axes.aroundOrigin) {
        // The reference point stays at the centre: fit the farthest fix on
        // either side of it.
        const double halfWidth = bounds ? std::max(std::abs(bounds->left()), std::abs(bounds->right())) : 0.0;
        const double halfHeight = bounds ? std::max(std::abs(bounds->top()), std::abs(bounds->bottom())) : 0.0;
        mapping.Fit(QRectF(-halfWidth, -halfHeight, 2.0 * halfWidth, 2.0 * halfHeight), kFitMargin);
    } else if (bounds) {
        mapping.Fit(*bounds, kFitMargin);
    }
}

int CPlanView::TrackNear(const QPointF& pixel) const
{
    int nearest = -1;
    double nearestDistance = kPickRadius;
    for (int i = 0; i < tracks.size(); ++i) {
        if (tracks[i].fixes.isEmpty())
            continue;
        const QPointF offset = mapping.ToPixels(tracks[i].fixes.constLast().metres) - pixel;
        const double distance = std::hypot(offset.x(), offset.y());
        if (distance <= nearestDistance) {
            nearest = i;
            nearestDistance = distance;
        }
    }
    return nearest;
}

QColor CPlanView::FixColour(const QColor& colour, bool faded)
{
    QColor drawn = colour;
    drawn.setAlpha(faded ? kFadedAlpha : 255);
    return drawn;
}

QRectF CPlanView::ClipRect() const
{
    return QRectF(rect()).adjusted(-kClipSlack, -kClipSlack, kClipSlack, kClipSlack);
}

// ---------------------------------------------------------------- painting

void CPlanView::paintEvent(QPaintEvent*)
{
    mapping.SetViewport(size());
    QPainter painter(this);
    painter.fillRect(rect(), kPaper);
    painter.setRenderHint(QPainter::Antialiasing);
    const double step = mapping.GridStep(kMinGridPixels);
    if (axes.aroundOrigin)
        DrawRings(painter, step);
    else
        DrawGrid(painter, step);
    DrawOriginMarker(painter);
    for (const CPlanTrack& track : tracks)
        DrawTrack(painter, track);
    DrawSelection(painter);
    DrawCaptions(painter, step);
    if (!HasFixes() && !emptyText.isEmpty()) {
        painter.setPen(kLabelInk);
        painter.drawText(rect(), Qt::AlignCenter, emptyText);
    }
}

void CPlanView::DrawGrid(QPainter& painter, double step) const
{
    const QRectF visible = mapping.VisibleMetres();
    const std::vector<double> xs = StepsBetween(visible.left(), visible.right(), step);
    const std::vector<double> ys = StepsBetween(visible.top(), visible.bottom(), step);
    QVector<QLineF> lines;
    for (const double x : xs) {
        const double pixel = mapping.ToPixels(QPointF(x, 0.0)).x();
        lines.append(QLineF(pixel, 0.0, pixel, height()));
    }
    for (const double y : ys) {
        const double pixel = mapping.ToPixels(QPointF(0.0, y)).y();
        lines.append(QLineF(0.0, pixel, width(), pixel));
    }
    painter.setPen(QPen(kGridInk, 1.0));
    painter.drawLines(lines);
    // Values along the bottom (x) and the left edge (y).
    painter.setPen(kLabelInk);
    for (const double x : xs)
        painter.drawText(QPointF(mapping.ToPixels(QPointF(x, 0.0)).x() + 3.0, height() - 4.0), MetresText(x, step));
    for (const double y : ys)
        painter.drawText(QPointF(3.0, mapping.ToPixels(QPointF(0.0, y)).y() - 3.0), MetresText(y, step));
}

void CPlanView::DrawRings(QPainter& painter, double step) const
{
    const QPointF origin = mapping.ToPixels(QPointF(0.0, 0.0));
    const QRectF view(rect());
    // The rings that can cross the widget: from the nearest to the farthest
    // distance of its area from the origin.
    const double nearX = std::clamp(origin.x(), view.left(), view.right()) - origin.x();
    const double nearY = std::clamp(origin.y(), view.top(), view.bottom()) - origin.y();
    double farthest = 0.0;
    for (const QPointF& corner : {view.topLeft(), view.topRight(), view.bottomLeft(), view.bottomRight()})
        farthest = std::max(farthest, std::hypot(corner.x() - origin.x(), corner.y() - origin.y()));
    const double scale = mapping.PixelsPerMetre();
    const double nearest = std::hypot(nearX, nearY) / scale;
    const bool originShown = view.contains(origin);
    // Over which angles the widget lies, seen from the origin.
    double fromAngle = -std::numbers::pi;
    double toAngle = std::numbers::pi;
    const QPointF towardsCentre = view.center() - origin;
    const double centreAngle = std::atan2(towardsCentre.y(), towardsCentre.x());
    if (!originShown) {
        fromAngle = toAngle = 0.0;
        for (const QPointF& corner : {view.topLeft(), view.topRight(), view.bottomLeft(), view.bottomRight()}) {
            const double angle = Wrapped(std::atan2(corner.y() - origin.y(), corner.x() - origin.x()) - centreAngle);
            fromAngle = std::min(fromAngle, angle);
            toAngle = std::max(toAngle, angle);
        }
        fromAngle += centreAngle;
        toAngle += centreAngle;
    }
    QVector<QLineF> lines;
    QVector<std::pair<QPointF, double>> labels;
    const QRectF clip = ClipRect();
    for (const double metres : StepsBetween(std::max(nearest, step), farthest / scale, step)) {
        const double radius = metres * scale;
        // Segments short enough that the chord never strays a quarter pixel from the ring.
        const double segmentAngle = 2.0 * std::sqrt(0.25 / radius);
        const int segments = std::clamp(static_cast<int>(std::ceil((toAngle - fromAngle) / segmentAngle)), 12, 4000);
        QPointF previous = origin + radius * QPointF(std::cos(fromAngle), std::sin(fromAngle));
        for (int i = 1; i <= segments; ++i) {
            const double angle = fromAngle + (toAngle - fromAngle) * i / segments;
            const QPointF next = origin + radius * QPointF(std::cos(angle), std::sin(angle));
            AddClipped(lines, previous, next, clip);
            previous = next;
        }
        // The label where the ring comes nearest the middle of the widget.
        const double length = std::hypot(towardsCentre.x(), towardsCentre.y());
        const QPointF direction = length > 1.0 ? towardsCentre / length : QPointF(std::sqrt(0.5), -std::sqrt(0.5));
        labels.append({origin + radius * direction, metres});
    }
    painter.setPen(QPen(kGridInk, 1.0));
    painter.drawLines(lines);
    painter.setPen(kLabelInk);
    for (const auto& [at, metres] : labels) {
        if (view.contains(at))
            painter.drawText(at + QPointF(3.0, -3.0), MetresText(metres, step) + " m");
    }
}

void CPlanView::DrawOriginMarker(QPainter& painter) const
{
    if (axes.marker == CPlanAxes::Marker::None)
        return;
    const QPointF origin = mapping.ToPixels(QPointF(0.0, 0.0));
    if (!ClipRect().contains(origin))
        return;
    painter.setPen(QPen(kMarkerInk, 1.2));
    if (axes.marker == CPlanAxes::Marker::Ship) {
        // A hull seen from above, bow up: the reference point at its middle.
        QPainterPath hull;
        hull.moveTo(origin + QPointF(0.0, -14.0));
        hull.quadTo(origin + QPointF(6.0, -8.0), origin + QPointF(6.0, 0.0));
        hull.lineTo(origin + QPointF(5.0, 10.0));
        hull.lineTo(origin + QPointF(-5.0, 10.0));
        hull.lineTo(origin + QPointF(-6.0, 0.0));
        hull.quadTo(origin + QPointF(-6.0, -8.0), origin + QPointF(0.0, -14.0));
        painter.setBrush(QColor(220, 224, 230));
        painter.drawPath(hull);
    }
    painter.setBrush(Qt::NoBrush);
    painter.drawLine(origin + QPointF(-4.0, 0.0), origin + QPointF(4.0, 0.0));
    painter.drawLine(origin + QPointF(0.0, -4.0), origin + QPointF(0.0, 4.0));
}

void CPlanView::DrawTrack(QPainter& painter, const CPlanTrack& track) const
{
    if (track.fixes.isEmpty())
        return;
    const QRectF clip = ClipRect();
    const QRectF view(rect());
    // A segment takes the fading of the newer fix it leads to. Dots by
    // fading, filled or hollow.
    QVector<QLineF> lines[2];
    QVector<QPointF> dots[2];
    QVector<QRectF> hollowDots[2];
    QPointF previous = mapping.ToPixels(track.fixes.constFirst().metres);
    QPointF lastDot(-1e9, -1e9);
    for (qsizetype i = 0; i < track.fixes.size(); ++i) {
        const CPlanFix& fix = track.fixes[i];
        const QPointF pixel = mapping.ToPixels(fix.metres);
        if (i > 0)
            AddClipped(lines[fix.faded], previous, pixel, clip);
        // One dot a pixel: fixes that fall on the same spot add nothing. The
        // latest fix has a mark of its own.
        const bool moved = std::abs(pixel.x() - lastDot.x()) >= 1.0 || std::abs(pixel.y() - lastDot.y()) >= 1.0;
        if (i + 1 < track.fixes.size() && view.contains(pixel) && moved) {
            if (fix.hollow)
                hollowDots[fix.faded].append(QRectF(pixel - QPointF(kHollowDotSize, kHollowDotSize) / 2.0,
                                                    QSizeF(kHollowDotSize, kHollowDotSize)));
            else
                dots[fix.faded].append(pixel);
            lastDot = pixel;
        }
        previous = pixel;
    }
    for (const bool faded : {true, false}) {
        const QColor colour = FixColour(track.colour, faded);
        painter.setPen(QPen(colour, 1.0));
        painter.drawLines(lines[faded]);
        // Small squares need no smoothing, and are many times faster without.
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(colour, kFixDotSize, Qt::SolidLine, Qt::SquareCap));
        painter.drawPoints(dots[faded]);
        painter.setPen(QPen(colour, 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRects(hollowDots[faded]);
        painter.setRenderHint(QPainter::Antialiasing, true);
    }
    const CPlanFix& latest = track.fixes.constLast();
    const QPointF pixel = mapping.ToPixels(latest.metres);
    if (!clip.contains(pixel))
        return;
    if (latest.hollow) {
        painter.setPen(QPen(FixColour(track.colour, latest.faded), kHollowPenWidth));
        painter.setBrush(Qt::NoBrush);
    } else {
        painter.setPen(QPen(FixColour(kMarkerInk, latest.faded), 1.0));
        painter.setBrush(FixColour(track.colour, latest.faded));
    }
    painter.drawEllipse(pixel, kLatestFixRadius, kLatestFixRadius);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(FixColour(track.colour.darker(140), latest.faded));
    painter.drawText(pixel + QPointF(kLatestFixRadius + 3.0, -kLatestFixRadius), track.label);
}

void CPlanView::DrawSelection(QPainter& painter) const
{
    if (selected < 0 || selected >= tracks.size() || tracks[selected].fixes.isEmpty())
        return;
    const QPointF pixel = mapping.ToPixels(tracks[selected].fixes.constLast().metres);
    if (!ClipRect().contains(pixel))
        return;
    painter.setPen(QPen(kMarkerInk, 1.5, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(pixel, kPickRadius, kPickRadius);
}

void CPlanView::DrawCaptions(QPainter& painter, double step) const
{
    const QFontMetrics metrics(font());
    painter.setPen(kMarkerInk);
    const QString up = QStringLiteral("\u2191 ") + axes.up;
    painter.drawText(QPointF((width() - metrics.horizontalAdvance(up)) / 2.0, metrics.ascent() + 4.0), up);
    const QString right = axes.right + QStringLiteral(" \u2192");
    painter.drawText(QPointF(width() - metrics.horizontalAdvance(right) - 6.0, height() / 2.0 - 4.0), right);
    const QString spacing = (axes.aroundOrigin ? QStringLiteral("rings every %1 m") : QStringLiteral("grid every %1 m"))
                                .arg(MetresText(step, step));
    painter.setPen(kLabelInk);
    painter.drawText(QPointF(width() - metrics.horizontalAdvance(spacing) - 6.0, height() - metrics.descent() - 18.0),
                     spacing);
}

// ---------------------------------------------------------------- the mouse

void CPlanView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const QPointF centre = mapping.Centre();
    mapping.SetViewport(size());
    mapping.SetCentre(centre);
    if (following)
        FitNow();
}

void CPlanView::wheelEvent(QWheelEvent* event)
{
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0.0)
        return;
    following = false;
    mapping.ZoomAbout(event->position(), std::pow(kZoomPerNotch, notches));
    update();
    event->accept();
}

void CPlanView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    pressed = true;
    dragging = false;
    pressPixel = lastPixel = event->position();
}

void CPlanView::mouseMoveEvent(QMouseEvent* event)
{
    if (!pressed)
        return;
    const QPointF moved = event->position() - pressPixel;
    if (!dragging && std::abs(moved.x()) + std::abs(moved.y()) < kDragThreshold)
        return;
    if (!dragging)
        setCursor(Qt::ClosedHandCursor);
    dragging = true;
    following = false;
    mapping.PanBy(event->position() - lastPixel);
    lastPixel = event->position();
    update();
}

void CPlanView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !pressed)
        return;
    pressed = false;
    if (dragging) {
        dragging = false;
        setCursor(Qt::OpenHandCursor);
        return;
    }
    emit trackClicked(TrackNear(event->position()));
}
