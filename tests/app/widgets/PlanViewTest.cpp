// The plan of positions: how metres map to pixels (one scale, y up, zoom,
// pan, fit, grid steps, cutting far-off lines), and what the widget draws
// and does with the mouse.
#include <QImage>
#include <QSignalSpy>
#include <QWheelEvent>
#include <QtTest>

#include <cmath>
#include <limits>

#include "app/widgets/PlanMapping.h"
#include "app/widgets/PlanView.h"

namespace {

bool Near(const QPointF& a, const QPointF& b, double tolerance = 1e-6)
{
    return std::abs(a.x() - b.x()) <= tolerance && std::abs(a.y() - b.y()) <= tolerance;
}

CPlanMapping Mapping(double width, double height, QPointF centre, double pixelsPerMetre)
{
    CPlanMapping mapping;
    mapping.SetViewport(QSizeF(width, height));
    mapping.SetCentre(centre);
    mapping.SetPixelsPerMetre(pixelsPerMetre);
    return mapping;
}

CPlanTrack Track(const QString& label, QColor colour, std::initializer_list<CPlanFix> fixes)
{
    return CPlanTrack{label, colour, QList<CPlanFix>(fixes)};
}

// Sends a mouse event of type at pixel with the left button (held for moves).
void SendMouse(QWidget& widget, QEvent::Type type, QPointF pixel)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pixel, widget.mapToGlobal(pixel), button, held, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

} // namespace

class CPlanViewTest : public QObject {
    Q_OBJECT

private slots:
    void OneScaleForBothAxesAndYUp()
    {
        const CPlanMapping mapping = Mapping(400, 300, QPointF(10, 20), 2.0);
        QVERIFY(Near(mapping.ToPixels(QPointF(10, 20)), QPointF(200, 150)));
        // A metre east and a metre up are the same number of pixels, and up is up.
        QVERIFY(Near(mapping.ToPixels(QPointF(11, 20)), QPointF(202, 150)));
        QVERIFY(Near(mapping.ToPixels(QPointF(10, 21)), QPointF(200, 148)));
        QVERIFY(Near(mapping.ToPixels(QPointF(-40, -30)), QPointF(100, 250)));
        for (const QPointF metres : {QPointF(0, 0), QPointF(-123.25, 4567.5), QPointF(512345.6, 6543210.9)})
            QVERIFY(Near(mapping.ToMetres(mapping.ToPixels(metres)), metres, 1e-6 * std::abs(metres.y()) + 1e-9));
        const QRectF visible = mapping.VisibleMetres();
        QVERIFY(Near(visible.topLeft(), QPointF(-90, -55)));
        QCOMPARE(visible.size(), QSizeF(200, 150));
    }

    void ZoomKeepsThePointUnderTheMouse()
    {
        CPlanMapping mapping = Mapping(400, 300, QPointF(10, 20), 2.0);
        const QPointF mouse(50, 70);
        const QPointF under = mapping.ToMetres(mouse);
        mapping.ZoomAbout(mouse, 2.5);
        QCOMPARE(mapping.PixelsPerMetre(), 5.0);
        QVERIFY(Near(mapping.ToMetres(mouse), under, 1e-9));
        mapping.ZoomAbout(mouse, 0.1);
        QCOMPARE(mapping.PixelsPerMetre(), 0.5);
        QVERIFY(Near(mapping.ToMetres(mouse), under, 1e-9));

        // Factors that are no zoom change nothing.
        for (const double factor : {0.0, -2.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
            mapping.ZoomAbout(mouse, factor);
            QCOMPARE(mapping.PixelsPerMetre(), 0.5);
        }
        // Nor does it go beyond its limits, and the point still stays.
        mapping.ZoomAbout(mouse, 1e12);
        QCOMPARE(mapping.PixelsPerMetre(), CPlanMapping::kMaxPixelsPerMetre);
        QVERIFY(Near(mapping.ToMetres(mouse), under, 1e-6));
        mapping.ZoomAbout(mouse, 1e-30);
        QCOMPARE(mapping.PixelsPerMetre(), CPlanMapping::kMinPixelsPerMetre);
    }

    void PanMovesThePlanWithTheMouse()
    {
        CPlanMapping mapping = Mapping(400, 300, QPointF(10, 20), 4.0);
        const QPointF grabbed = mapping.ToMetres(QPointF(100, 100));
        mapping.PanBy(QPointF(30, -20));
        QVERIFY(Near(mapping.ToPixels(grabbed), QPointF(130, 80)));
        QCOMPARE(mapping.PixelsPerMetre(), 4.0);
    }

    void FitShowsAllCentredWithItsMargin()
    {
        CPlanMapping mapping = Mapping(400, 300, QPointF(), 1.0);
        const QRectF area(-50, 10, 200, 20);  // 200 m wide, 20 m high: the width decides
        mapping.Fit(area, 20);
        QCOMPARE(mapping.PixelsPerMetre(), (400.0 - 40.0) / 200.0);
        QVERIFY(Near(mapping.Centre(), QPointF(50, 20)));
        QVERIFY(Near(mapping.ToPixels(QPointF(-50, 20)), QPointF(20, 150)));
        QVERIFY(Near(mapping.ToPixels(QPointF(150, 20)), QPointF(380, 150)));

        mapping.Fit(QRectF(0, 0, 10, 1000), 20);  // the height decides
        QCOMPARE(mapping.PixelsPerMetre(), (300.0 - 40.0) / 1000.0);

        // A single point shows its surroundings, centred.
        mapping.Fit(QRectF(512345.5, 6543210.5, 0, 0), 20);
        QCOMPARE(mapping.PixelsPerMetre(), (300.0 - 40.0) / CPlanMapping::kMinFitSpan);
        QVERIFY(Near(mapping.Centre(), QPointF(512345.5, 6543210.5)));

        // An area that cannot be measured leaves the plan as it was.
        mapping.Fit(QRectF(-1.7e308, 0, std::numeric_limits<double>::infinity(), 0), 20);
        QVERIFY(Near(mapping.Centre(), QPointF(512345.5, 6543210.5)));
        mapping.SetCentre(QPointF(std::nan(""), 0));
        mapping.SetPixelsPerMetre(std::nan(""));
        QVERIFY(Near(mapping.Centre(), QPointF(512345.5, 6543210.5)));
        QCOMPARE(mapping.PixelsPerMetre(), (300.0 - 40.0) / CPlanMapping::kMinFitSpan);
    }

    void GridStepsAreOneTwoOrFiveTimesAPowerOfTen()
    {
        const std::pair<double, double> cases[] = {
            {0.3, 0.5},  {1.0, 1.0},   {1.01, 2.0},  {2.0, 2.0},    {3.0, 5.0},  {7.0, 10.0},
            {12.0, 20.0}, {250.0, 500.0}, {0.0007, 0.001}, {4.9e6, 5e6}, {0.0, 1.0}, {-5.0, 1.0}};
        for (const auto& [value, step] : cases)
            QVERIFY2(std::abs(CPlanMapping::NiceStep(value) - step) < step * 1e-9,
                     qPrintable(QString("%1 gives %2").arg(value).arg(CPlanMapping::NiceStep(value))));
        // At 2 pixels a metre, lines at least 70 pixels apart lie 50 m apart.
        QCOMPARE(Mapping(400, 300, QPointF(), 2.0).GridStep(70), 50.0);
        QCOMPARE(Mapping(400, 300, QPointF(), 700.0).GridStep(70), 0.1);
    }

    void SegmentsAreCutToTheArea()
    {
        const QRectF area(0, 0, 100, 50);
        QPointF a(10, 10), b(90, 40);
        QVERIFY(CPlanMapping::ClipSegment(a, b, area));
        QVERIFY(Near(a, QPointF(10, 10)) && Near(b, QPointF(90, 40)));

        a = QPointF(-50, 25);
        b = QPointF(150, 25);
        QVERIFY(CPlanMapping::ClipSegment(a, b, area));
        QVERIFY(Near(a, QPointF(0, 25)) && Near(b, QPointF(100, 25)));

        // A line between points far beyond the screen keeps the part that shows.
        a = QPointF(-1e12, -1e12);
        b = QPointF(1e12, 1e12);
        QVERIFY(CPlanMapping::ClipSegment(a, b, area));
        QVERIFY(Near(a, QPointF(0, 0), 1e-3) && Near(b, QPointF(50, 50), 1e-3));

        for (const auto& [from, to] : {std::pair{QPointF(-10, -10), QPointF(-1, 60)},   // beside it
                                       std::pair{QPointF(0, 60), QPointF(100, 60)},     // above it, parallel
                                       std::pair{QPointF(std::nan(""), 0), QPointF(10, 10)}}) {
            a = from;
            b = to;
            QVERIFY(!CPlanMapping::ClipSegment(a, b, area));
        }
        a = b = QPointF(5, 5);
        QVERIFY(CPlanMapping::ClipSegment(a, b, area));
    }

    void StaleFixesArePaintedFaded()
    {
        CPlanView view;
        view.resize(200, 200);
        const QColor blue(0, 0, 200);
        view.SetTracks({Track("1:old", blue, {{QPointF(-20, 0), true}}), Track("1:new", blue, {{QPointF(20, 0), false}})});
        view.Mapping().SetCentre(QPointF(0, 0));
        view.Mapping().SetPixelsPerMetre(2.0);
        const QImage image = view.grab().toImage();
        const QColor fresh = image.pixelColor(view.Mapping().ToPixels(QPointF(20, 0)).toPoint());
        const QColor faded = image.pixelColor(view.Mapping().ToPixels(QPointF(-20, 0)).toPoint());
        QCOMPARE(fresh, blue);
        // A faded fix lets the paper through: its blue is weak, red and green strong.
        QVERIFY2(faded.red() > 150 && faded.green() > 150 && faded.blue() > faded.red(),
                 qPrintable(faded.name()));
        QCOMPARE(CPlanView::FixColour(blue, true).alpha(), CPlanView::kFadedAlpha);
        QCOMPARE(CPlanView::FixColour(blue, false).alpha(), 255);
    }

    void HollowFixesAreDrawnHollowAndLeftOutOfAFit()
    {
        CPlanView view;
        view.resize(200, 200);
        const QColor blue(0, 0, 200);
        // Off the grid lines, which lie 50 m apart through the origin.
        view.SetTracks({Track("1:good", blue, {{QPointF(-20, 10)}}), Track("1:bad", blue, {{QPointF(20, 10), false, true}})});
        view.show();  // shown, a picture of it no longer fits the good fix alone
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.Mapping().SetCentre(QPointF(0, 0));
        view.Mapping().SetPixelsPerMetre(2.0);
        const QImage image = view.grab().toImage();
        const QPoint good = view.Mapping().ToPixels(QPointF(-20, 10)).toPoint();
        const QPoint bad = view.Mapping().ToPixels(QPointF(20, 10)).toPoint();
        QCOMPARE(image.pixelColor(good), blue);
        // Paper inside the hollow mark, the track's colour on its ring.
        QCOMPARE(image.pixelColor(bad), image.pixelColor(bad + QPoint(0, 30)));
        const QColor ring = image.pixelColor(bad + QPoint(5, 0));
        QVERIFY2(ring.blue() > ring.red() + 60 && ring.blue() > ring.green() + 60, qPrintable(ring.name()));

        // A fit shows the good fixes; hollow ones only when there are no others.
        view.SetTracks({Track("1:a", Qt::red, {{QPointF(100, 200)}, {QPointF(5000, -5000), false, true},
                                                 {QPointF(300, 250)}})});
        view.Fit();
        QVERIFY(Near(view.Mapping().Centre(), QPointF(200, 225)));
        view.SetTracks({Track("1:a", Qt::red, {{QPointF(100, 200), false, true}, {QPointF(300, 250), false, true}})});
        view.Fit();
        QVERIFY(Near(view.Mapping().Centre(), QPointF(200, 225)));
        view.SetTracks({Track("1:a", Qt::red, {{QPointF(1000, 2000), false, true}, {QPointF(3000, 2500), false, true}})});
        view.Fit();
        QVERIFY(Near(view.Mapping().Centre(), QPointF(2000, 2250)));
    }

    void FollowsTheFixesUntilTheUserMovesThePlan()
    {
        CPlanView view;
        view.resize(300, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.IsFollowing());
        view.SetTracks({Track("1:a", Qt::red, {{QPointF(100, 200)}, {QPointF(300, 250)}})});
        QVERIFY(Near(view.Mapping().Centre(), QPointF(200, 225)));
        QCOMPARE(view.Mapping().PixelsPerMetre(), (300.0 - 2 * CPlanView::kFitMargin) / 200.0);

        // The wheel zooms about the mouse, and the plan no longer follows.
        const QPointF mouse(60, 80);
        const QPointF under = view.Mapping().ToMetres(mouse);
        const double scale = view.Mapping().PixelsPerMetre();
        QWheelEvent wheel(mouse, view.mapToGlobal(mouse), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &wheel);
        QCOMPARE(view.Mapping().PixelsPerMetre(), scale * 1.25);
        QVERIFY(Near(view.Mapping().ToMetres(mouse), under, 1e-9));
        QVERIFY(!view.IsFollowing());
        view.SetTracks({Track("1:a", Qt::red, {{QPointF(100, 200)}, {QPointF(900, 250)}})});
        QCOMPARE(view.Mapping().PixelsPerMetre(), scale * 1.25);

        // Fit shows everything again and follows from then on.
        view.Fit();
        QVERIFY(view.IsFollowing());
        QVERIFY(Near(view.Mapping().Centre(), QPointF(500, 225)));
    }

    void AroundTheOriginAFitKeepsTheOriginInTheMiddle()
    {
        CPlanView view;
        view.resize(300, 300);
        view.SetAxes({QStringLiteral("starboard"), QStringLiteral("forward"), true, CPlanAxes::Marker::Ship});
        view.SetTracks({Track("1:a", Qt::red, {{QPointF(40, 10)}, {QPointF(50, -100)}})});
        QVERIFY(Near(view.Mapping().Centre(), QPointF(0, 0)));
        // The farthest fix, 100 m behind, fits with the margin.
        QCOMPARE(view.Mapping().PixelsPerMetre(), (300.0 - 2 * CPlanView::kFitMargin) / 200.0);
    }

    void DraggingPansAndAClickPicksALatestFix()
    {
        CPlanView view;
        view.resize(300, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.SetTracks({Track("1:a", Qt::red, {{QPointF(0, 0)}, {QPointF(10, 0)}}),
                        Track("1:b", Qt::blue, {{QPointF(-10, 0)}}), Track("1:none", Qt::green, {})});
        view.Mapping().SetCentre(QPointF(0, 0));
        view.Mapping().SetPixelsPerMetre(5.0);
        QSignalSpy clicks(&view, &CPlanView::trackClicked);

        // Near the latest fix of a, not near its older one: a.
        const QPointF a = view.Mapping().ToPixels(QPointF(10, 0));
        QCOMPARE(view.TrackNear(a + QPointF(5, 5)), 0);
        QCOMPARE(view.TrackNear(view.Mapping().ToPixels(QPointF(0, 0))), -1);
        QCOMPARE(view.TrackNear(view.Mapping().ToPixels(QPointF(-11, 0))), 1);
        SendMouse(view, QEvent::MouseButtonPress, a + QPointF(1, 1));
        SendMouse(view, QEvent::MouseButtonRelease, a + QPointF(2, 1));
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(clicks.takeFirst().at(0).toInt(), 0);
        SendMouse(view, QEvent::MouseButtonPress, QPointF(20, 20));
        SendMouse(view, QEvent::MouseButtonRelease, QPointF(20, 20));
        QCOMPARE(clicks.takeFirst().at(0).toInt(), -1);

        // A drag moves the plan with the mouse and picks nothing.
        const QPointF grabbed = view.Mapping().ToMetres(QPointF(100, 100));
        SendMouse(view, QEvent::MouseButtonPress, QPointF(100, 100));
        SendMouse(view, QEvent::MouseMove, QPointF(120, 110));
        SendMouse(view, QEvent::MouseMove, QPointF(160, 70));
        SendMouse(view, QEvent::MouseButtonRelease, QPointF(160, 70));
        QVERIFY(Near(view.Mapping().ToPixels(grabbed), QPointF(160, 70)));
        QCOMPARE(clicks.count(), 0);
        QVERIFY(!view.IsFollowing());
    }

    void DrawsFarOffAndUnreadableScalesWithoutTrouble()
    {
        // Fixes far apart, zoomed in close beside one of them: the grid and
        // the rings must neither hang nor hand the painter wild coordinates.
        CPlanView view;
        view.resize(240, 180);
        view.SetTracks({Track("1:far", Qt::red, {{QPointF(-1e30, 1e30)}, {QPointF(3.5, 2.0)}, {QPointF(1e30, -1e30)}})});
        QImage image(view.size(), QImage::Format_ARGB32);
        for (const bool rings : {false, true}) {
            view.SetAxes({QStringLiteral("x"), QStringLiteral("y"), rings, CPlanAxes::Marker::Ship});
            for (const double scale : {CPlanMapping::kMaxPixelsPerMetre, 1.0, CPlanMapping::kMinPixelsPerMetre}) {
                for (const QPointF centre : {QPointF(3.5, 2.0), QPointF(1e29, 0.0), QPointF(-1e30, 1e30)}) {
                    view.Mapping().SetCentre(centre);
                    view.Mapping().SetPixelsPerMetre(scale);
                    view.render(&image);
                }
            }
        }
        // The track near the centre is drawn where it is.
        view.SetAxes({});
        view.Mapping().SetCentre(QPointF(3.5, 2.0));
        view.Mapping().SetPixelsPerMetre(100.0);
        view.render(&image);
        QCOMPARE(image.pixelColor(120, 90), QColor(Qt::red));
    }
};

QTEST_MAIN(CPlanViewTest)
#include "PlanViewTest.moc"
