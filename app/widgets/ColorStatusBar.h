#pragma once
#include <QStatusBar>
#include <QString>
#include <vector>

#include "app/widgets/StatusPane.h"

// A status bar whose panes double as indicator lights: every pane has its
// own colours, text and font. The bar paints itself into an off-screen
// image and copies it to the screen in one block, so a flashing light
// never flickers. Pane 0 shows the menu prompts (or "Ready") and stretches.
class CColorStatusBar : public QStatusBar {
    Q_OBJECT
public:
    enum PaneStyle : unsigned {
        kNormal = 0,
        kDisabled = 1,   // drawn with the disabled text and colours
        kPopOut = 2,     // raised frame instead of a sunken one
        kNoBorders = 4,
        kStretch = 8     // takes all the width the other panes leave
    };
    struct Indicator {
        int id;
        QString text;  // the initial text, which also fixes the pane's width
        unsigned style = kNormal;
    };

    explicit CColorStatusBar(QWidget* parent = nullptr);

    // Replaces the panes; every pane record starts from the defaults.
    void SetIndicators(const std::vector<Indicator>& indicators);

    int PaneCount() const { return static_cast<int>(panes.size()); }
    int IndexOf(int id) const;
    CStatusPane& Pane(int index) { return panes.at(static_cast<std::size_t>(index)).record; }
    const CStatusPane& Pane(int index) const { return panes.at(static_cast<std::size_t>(index)).record; }

    // The bar's own text of a pane, shown when the record has no text for the state.
    void SetPaneText(int index, const QString& text);
    QString PaneText(int index) const;
    void SetPaneEnabled(int index, bool enabled);
    bool IsPaneEnabled(int index) const;
    // Lights a pane: its enabled background becomes colour, its disabled one the menu colour.
    void SetPaneBackground(int index, const QColor& colour);
    void SetPaneMode(int index, std::uint32_t mode);
    // Lets a pane grow beyond its initial width to show its whole text.
    void SetPaneGrows(int index, bool grows);

    QRect PaneRect(int index) const;
    // The text the bar draws in pane 0: the current prompt, else "Ready".
    QString PromptText() const;
    bool IsSizeGripShown() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct PaneSlot {
        int id = 0;
        QString text;
        unsigned style = kNormal;
        int width = 0;
        bool grows = false;
        CStatusPane record;
    };

    int WidthFor(const PaneSlot& slot, const QString& text) const;
    std::vector<QRect> LayoutPanes() const;
    void DrawPane(QPainter& painter, int index, const QRect& rect) const;
    void DrawSizeGrip(QPainter& painter) const;
    QRect SizeGripRect() const;

    std::vector<PaneSlot> panes;
};
