#pragma once
// From metres on a plan to pixels on the screen and back, with one scale for
// both axes: x grows to the right, y grows up (the plan's "up" is whatever
// its y axis points to: the ship's head, north or grid north). The metre
// point at the centre of the viewport and the pixels per metre say where the
// plan is; zooming, panning and fitting change only those two.
#include <QPointF>
#include <QRectF>
#include <QSizeF>

class CPlanMapping {
public:
    // How far in and out the plan goes: from 100 km to 0.1 mm on a pixel.
    static constexpr double kMinPixelsPerMetre = 1e-5;
    static constexpr double kMaxPixelsPerMetre = 1e4;
    // A fit never shows less than this many metres across, so a single fix
    // (or fixes that all agree) still shows its surroundings.
    static constexpr double kMinFitSpan = 10.0;

    void SetViewport(const QSizeF& size) { viewport = size; }
    QSizeF Viewport() const { return viewport; }

    QPointF Centre() const { return centre; }
    void SetCentre(const QPointF& metres);
    double PixelsPerMetre() const { return pixelsPerMetre; }
    // Kept between kMinPixelsPerMetre and kMaxPixelsPerMetre.
    void SetPixelsPerMetre(double scale);

    QPointF ToPixels(const QPointF& metres) const;
    QPointF ToMetres(const QPointF& pixels) const;
    // The metres the viewport shows (left, bottom, width, height in metres).
    QRectF VisibleMetres() const;

    // Zooms by factor (above 1 in, below 1 out), keeping the metre point
    // under pixel where it is.
    void ZoomAbout(const QPointF& pixel, double factor);
    // Moves the plan with the mouse: the point under the mouse goes with it.
    void PanBy(const QPointF& pixelDelta);
    // Shows all of metres (left, bottom, width, height), centred, with a
    // margin of pixels on each side.
    void Fit(const QRectF& metres, double marginPixels);

    // The step of a grid or of range rings: the smallest 1, 2 or 5 times a
    // power of ten metres whose lines lie at least minimumPixels apart.
    double GridStep(double minimumPixels) const;
    // The smallest 1, 2 or 5 times a power of ten that is at least value.
    static double NiceStep(double value);

    // Cuts the segment from a to b to what lies inside rect; false when
    // nothing does. Keeps far-off points out of the painter, whose device
    // coordinates do not reach far beyond the screen.
    static bool ClipSegment(QPointF& a, QPointF& b, const QRectF& rect);

private:
    QSizeF viewport{1.0, 1.0};
    QPointF centre;
    double pixelsPerMetre = 1.0;
};
