#include "app/widgets/ColorStatusBar.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QWindow>

namespace {
constexpr int kPaneGap = 2;      // between two panes
constexpr int kTextPadding = 8;  // around a pane's text
constexpr int kGripSize = 17;
} // namespace

CColorStatusBar::CColorStatusBar(QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);  // the grip is drawn with the panes
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(this, &QStatusBar::messageChanged, this, qOverload<>(&QWidget::update));
}

void CColorStatusBar::SetIndicators(const std::vector<Indicator>& indicators)
{
    panes.clear();
    for (const Indicator& indicator : indicators) {
        PaneSlot slot;
        slot.id = indicator.id;
        slot.text = indicator.text;
        slot.style = indicator.style;
        slot.record = CStatusPane::Defaults(palette());
        slot.width = WidthFor(slot, indicator.text);
        panes.push_back(slot);
    }
    updateGeometry();
    update();
}

int CColorStatusBar::IndexOf(int id) const
{
    for (std::size_t i = 0; i < panes.size(); ++i) {
        if (panes[i].id == id)
            return static_cast<int>(i);
    }
    return -1;
}

void CColorStatusBar::SetPaneText(int index, const QString& text)
{
    PaneSlot& slot = panes.at(static_cast<std::size_t>(index));
    if (slot.text == text)
        return;
    slot.text = text;
    if (slot.grows)
        updateGeometry();
    update();
}

QString CColorStatusBar::PaneText(int index) const
{
    return panes.at(static_cast<std::size_t>(index)).text;
}

void CColorStatusBar::SetPaneEnabled(int index, bool enabled)
{
    PaneSlot& slot = panes.at(static_cast<std::size_t>(index));
    const unsigned style = enabled ? (slot.style & ~kDisabled) : (slot.style | kDisabled);
    if (style != slot.style) {
        slot.style = style;
        update();
    }
}

bool CColorStatusBar::IsPaneEnabled(int index) const
{
    return (panes.at(static_cast<std::size_t>(index)).style & kDisabled) == 0;
}

void CColorStatusBar::SetPaneBackground(int index, const QColor& colour)
{
    CStatusPane& record = Pane(index);
    record.enabledBackground = colour;
    record.disabledBackground = palette().color(QPalette::Window);
    update();
}

void CColorStatusBar::SetPaneMode(int index, std::uint32_t mode)
{
    Pane(index).mode = mode;
    update();
}

void CColorStatusBar::SetPaneGrows(int index, bool grows)
{
    panes.at(static_cast<std::size_t>(index)).grows = grows;
    updateGeometry();
    update();
}

int CColorStatusBar::WidthFor(const PaneSlot& slot, const QString& text) const
{
    return QFontMetrics(slot.record.font).horizontalAdvance(text) + kTextPadding;
}

std::vector<QRect> CColorStatusBar::LayoutPanes() const
{
    std::vector<QRect> rects(panes.size());
    const QRect area = rect().adjusted(kPaneGap, kPaneGap, -kPaneGap, -kPaneGap);
    int right = area.right() - (IsSizeGripShown() ? kGripSize - kPaneGap : 0);
    int stretchIndex = -1;
    // Fixed panes from the right; the stretching pane takes what is left.
    for (int i = PaneCount() - 1; i >= 0; --i) {
        const PaneSlot& slot = panes[static_cast<std::size_t>(i)];
        if (slot.style & kStretch) {
            stretchIndex = i;
            continue;
        }
        int width = slot.width;
        if (slot.grows)
            width = std::max(width, WidthFor(slot, slot.text));
        rects[static_cast<std::size_t>(i)] = QRect(right - width + 1, area.top(), width, area.height());
        right -= width + kPaneGap;
    }
    if (stretchIndex >= 0)
        rects[static_cast<std::size_t>(stretchIndex)] =
            QRect(area.left(), area.top(), std::max(0, right - area.left() + 1), area.height());
    return rects;
}

QRect CColorStatusBar::PaneRect(int index) const
{
    return LayoutPanes().at(static_cast<std::size_t>(index));
}

QString CColorStatusBar::PromptText() const
{
    const QString message = currentMessage();
    return message.isEmpty() ? QStringLiteral("Ready") : message;
}

bool CColorStatusBar::IsSizeGripShown() const
{
    const QWidget* top = window();
    return top && top != this && !top->isMaximized() && !top->isFullScreen();
}

QSize CColorStatusBar::sizeHint() const
{
    int width = 0;
    for (const PaneSlot& slot : panes)
        width += slot.width + kPaneGap;
    const int height = QFontMetrics(font()).height() + 2 * kPaneGap + 6;
    return {width + kGripSize, height};
}

QSize CColorStatusBar::minimumSizeHint() const
{
    return {kGripSize, sizeHint().height()};
}

void CColorStatusBar::paintEvent(QPaintEvent*)
{
    QPixmap buffer(size() * devicePixelRatioF());
    buffer.setDevicePixelRatio(devicePixelRatioF());
    buffer.fill(palette().color(QPalette::Button));
    {
        QPainter painter(&buffer);
        const std::vector<QRect> rects = LayoutPanes();
        for (int i = 0; i < PaneCount(); ++i)
            DrawPane(painter, i, rects[static_cast<std::size_t>(i)]);
        if (IsSizeGripShown())
            DrawSizeGrip(painter);
    }
    QPainter screen(this);
    screen.drawPixmap(0, 0, buffer);
}

void CColorStatusBar::DrawPane(QPainter& painter, int index, const QRect& rect) const
{
    const PaneSlot& slot = panes[static_cast<std::size_t>(index)];
    const CStatusPane& record = slot.record;
    const QColor light = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    if (!(slot.style & kNoBorders) || (slot.style & kPopOut)) {
        const bool raised = slot.style & kPopOut;
        painter.setPen(raised ? light : shadow);
        painter.drawLine(rect.topLeft(), rect.topRight());
        painter.drawLine(rect.topLeft(), rect.bottomLeft());
        painter.setPen(raised ? shadow : light);
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
        painter.drawLine(rect.topRight(), rect.bottomRight());
    }
    const bool enabled = (slot.style & kDisabled) == 0;
    const QRect inner = rect.adjusted(1, 1, -1, -1);
    painter.fillRect(inner, enabled ? record.enabledBackground : record.disabledBackground);

    QString text = record.TextFor(enabled);
    if (text.isEmpty())
        text = index == 0 && (slot.style & kStretch) ? PromptText() : slot.text;
    if (text.isEmpty())
        return;
    painter.save();
    painter.setClipRect(inner);
    painter.setFont(record.font);
    painter.setPen(enabled ? record.enabledTextColour : record.disabledTextColour);
    painter.drawText(inner.adjusted(kTextPadding / 2 - 1, 0, -(kTextPadding / 2 - 1), 0),
                     static_cast<int>(record.Alignment()), text);
    painter.restore();
}

QRect CColorStatusBar::SizeGripRect() const
{
    return QRect(width() - kGripSize, height() - kGripSize, kGripSize, kGripSize);
}

void CColorStatusBar::DrawSizeGrip(QPainter& painter) const
{
    const QPen highlight(palette().color(QPalette::Light), 1);
    const QPen shadow(palette().color(QPalette::Dark), 1);
    const int right = width() - 1;
    const int bottom = height() - 1;
    for (int i = 1; i <= kGripSize; ++i) {
        if (i % 4 == 2)
            continue;
        painter.setPen(i % 4 == 1 ? highlight : shadow);
        painter.drawLine(right - i, bottom, right, bottom - i);
    }
}

void CColorStatusBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && IsSizeGripShown() &&
        SizeGripRect().contains(event->position().toPoint())) {
        if (QWindow* handle = window()->windowHandle()) {
            handle->startSystemResize(Qt::BottomEdge | Qt::RightEdge);
            return;
        }
    }
    QStatusBar::mousePressEvent(event);
}

void CColorStatusBar::changeEvent(QEvent* event)
{
    QStatusBar::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        for (PaneSlot& slot : panes) {
            const CStatusPane defaults = CStatusPane::Defaults(palette());
            slot.record.disabledTextColour = defaults.disabledTextColour;
            slot.record.enabledTextColour = defaults.enabledTextColour;
        }
        update();
    }
}
