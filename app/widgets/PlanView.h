#pragma once
// A plan of positions: for each track (one transponder, say) its trail of
// fixes, oldest first, joined by a line, its latest fix marked and labelled.
// Both axes have the same scale in metres. Fixes may be drawn faded (too old
// to trust) and hollow (marked as not good); a fit leaves hollow fixes out
// unless there are no others. Around a reference point the plan shows range rings, else a
// grid, either labelled in metres. The wheel zooms about the mouse, dragging
// pans, a click picks the track whose latest fix is under the mouse.
#include <QColor>
#include <QList>
#include <QPointF>
#include <QString>
#include <QWidget>

#include <optional>

#include "app/widgets/PlanMapping.h"

class QPainter;

struct CPlanFix {
    QPointF metres;
    bool faded = false;
    bool hollow = false;
};

struct CPlanTrack {
    QString label;
    QColor colour;
    QList<CPlanFix> fixes;  // oldest first
};

// What the axes mean and what stands at the origin.
struct CPlanAxes {
    enum class Marker { None, Ship, North };
    QString right = QStringLiteral("x");
    QString up = QStringLiteral("y");
    // Range rings around the origin, which stays at the centre of a fit;
    // otherwise a grid over the fixes alone.
    bool aroundOrigin = false;
    Marker marker = Marker::None;
};

class CPlanView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPickRadius = 12;      // pixels around a latest fix that pick it
    static constexpr int kDragThreshold = 4;    // pixels a press moves before it pans
    static constexpr int kMinGridPixels = 70;   // the closest grid lines or rings come
    static constexpr int kFitMargin = 40;       // pixels left around a fit
    static constexpr int kFadedAlpha = 60;      // of 255, for a faded fix

    explicit CPlanView(QWidget* parent = nullptr);

    void SetTracks(QList<CPlanTrack> newTracks);
    const QList<CPlanTrack>& Tracks() const { return tracks; }
    void SetAxes(const CPlanAxes& newAxes);
    const CPlanAxes& Axes() const { return axes; }
    // The track drawn with a ring around its latest fix; -1 for none.
    void SetSelectedTrack(int track);
    int SelectedTrack() const { return selected; }
    // Shown while no track has a fix.
    void SetEmptyText(const QString& text);

    // Shows every fix that is not hollow (every fix when all are), and the
    // origin, with the origin at the centre, when the plan is around it; and
    // keeps doing so as tracks change until the user zooms or pans.
    void Fit();
    bool IsFollowing() const { return following; }

    CPlanMapping& Mapping() { return mapping; }
    const CPlanMapping& Mapping() const { return mapping; }

    // The track whose latest fix lies within kPickRadius of pixel, the
    // nearest one when several do; -1 when none does.
    int TrackNear(const QPointF& pixel) const;

    // The colour a fix of a track in colour is drawn in.
    static QColor FixColour(const QColor& colour, bool faded);

    QSize sizeHint() const override;

signals:
    // A click (a press and release without dragging): the track picked, or -1.
    void trackClicked(int track);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool HasFixes() const;
    // The smallest area holding the fixes a fit shows; none without fixes.
    std::optional<QRectF> FixBounds() const;
    std::optional<QRectF> BoundsOf(bool withHollow) const;
    void FitNow();
    void DrawGrid(QPainter& painter, double step) const;
    void DrawRings(QPainter& painter, double step) const;
    void DrawOriginMarker(QPainter& painter) const;
    void DrawTrack(QPainter& painter, const CPlanTrack& track) const;
    void DrawSelection(QPainter& painter) const;
    void DrawCaptions(QPainter& painter, double step) const;
    QRectF ClipRect() const;

    QList<CPlanTrack> tracks;
    CPlanAxes axes;
    CPlanMapping mapping;
    QString emptyText;
    int selected = -1;
    bool following = true;
    bool pressed = false;
    bool dragging = false;
    QPointF pressPixel;
    QPointF lastPixel;
};
