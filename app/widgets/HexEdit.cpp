#include "app/widgets/HexEdit.h"

#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <climits>
#include <vector>

#include "app/widgets/FixedPitchFont.h"

namespace {

constexpr int kMaxBytesPerLine = 64;
constexpr int kMargin = 4;

QChar Printable(std::uint8_t byte)
{
    return byte >= 0x20 && byte < 0x7F ? QChar(byte) : QChar('.');
}

QString Hex(std::uint64_t value, int width)
{
    return QStringLiteral("%1").arg(value, width, 16, QChar('0')).toUpper();
}

} // namespace

CHexEdit::CHexEdit(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    QFont fixed = CFixedPitchFont::Choose();
    fixed.setPointSize(8);
    setFont(fixed);
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
}

bool CHexEdit::SetProperty(int dispatchId, int value)
{
    if (dispatchId != kBytesPerLineProperty)
        return false;
    bytesPerLine = std::clamp(value, 1, kMaxBytesPerLine);
    UpdateScrollBars(0);
    viewport()->update();
    return true;
}

void CHexEdit::SetStoreLimit(std::uint64_t bytes)
{
    storeLimit = std::max<std::uint64_t>(bytes, 1);
    DropOldestLines();
}

void CHexEdit::AppendBytes(std::string_view block)
{
    if (block.empty())
        return;
    store->Append(reinterpret_cast<const std::uint8_t*>(block.data()), block.size());
    DropOldestLines();
}

void CHexEdit::SetStore(std::shared_ptr<CHexByteStore> bytes)
{
    store = bytes ? std::move(bytes) : std::make_shared<CHexByteStore>();
    DropOldestLines();
}

void CHexEdit::Sync()
{
    if (store->EndOffset() != shownEnd)
        DropOldestLines();
}

void CHexEdit::DropOldestLines()
{
    const std::uint64_t linesBefore = FirstAbsoluteLine();
    if (store->Size() > storeLimit) {
        // Drop whole lines, at least as many bytes as are over the limit.
        const std::uint64_t keepFrom = store->EndOffset() - storeLimit;
        const std::uint64_t lineStart = (keepFrom + bytesPerLine - 1) / bytesPerLine * bytesPerLine;
        store->DropFront(lineStart - store->BeginOffset());
    }
    UpdateScrollBars(static_cast<std::int64_t>(FirstAbsoluteLine() - linesBefore));
    viewport()->update();
    shownEnd = store->EndOffset();
}

std::string CHexEdit::StoredBytes(std::uint64_t offset, std::size_t count) const
{
    std::string bytes(count, '\0');
    bytes.resize(store->Copy(offset, reinterpret_cast<std::uint8_t*>(bytes.data()), count));
    return bytes;
}

std::uint64_t CHexEdit::FirstAbsoluteLine() const
{
    return store->BeginOffset() / bytesPerLine;
}

std::uint64_t CHexEdit::LineCount() const
{
    if (store->Size() == 0)
        return 0;
    return (store->EndOffset() + bytesPerLine - 1) / bytesPerLine - FirstAbsoluteLine();
}

QString CHexEdit::LineText(std::uint64_t line) const
{
    const std::uint64_t lineOffset = (FirstAbsoluteLine() + line) * bytesPerLine;
    std::uint8_t bytes[kMaxBytesPerLine];
    // A line may start before the oldest byte kept when the width changed
    // after data was dropped; its missing bytes show as blanks.
    const std::uint64_t first = std::max(lineOffset, store->BeginOffset());
    const std::size_t lead = static_cast<std::size_t>(first - lineOffset);
    const std::size_t copied = lead < static_cast<std::size_t>(bytesPerLine)
                                   ? store->Copy(first, bytes + lead, bytesPerLine - lead)
                                   : 0;
    QString hex;
    QString characters;
    for (int i = 0; i < bytesPerLine; ++i) {
        const bool present = static_cast<std::size_t>(i) >= lead && static_cast<std::size_t>(i) < lead + copied;
        hex += present ? Hex(bytes[i], 2) + QChar(' ') : QStringLiteral("   ");
        characters += present ? Printable(bytes[i]) : QChar(' ');
    }
    return Hex(lineOffset, 8) + QChar(' ') + hex + characters;
}

QString CHexEdit::DroppedNote() const
{
    if (DroppedByteCount() == 0)
        return QString();
    return QStringLiteral("Oldest data dropped: %1 bytes").arg(DroppedByteCount());
}

int CHexEdit::LineHeight() const
{
    return fontMetrics().height();
}

int CHexEdit::NoteLines() const
{
    return DroppedByteCount() > 0 ? 1 : 0;
}

int CHexEdit::VisibleLines() const
{
    return std::max(1, (viewport()->height() - 2 * kMargin) / LineHeight() - NoteLines());
}

std::uint64_t CHexEdit::TopLine() const
{
    return static_cast<std::uint64_t>(verticalScrollBar()->value());
}

bool CHexEdit::IsFollowingNewest() const
{
    return verticalScrollBar()->value() >= verticalScrollBar()->maximum();
}

void CHexEdit::UpdateScrollBars(std::int64_t linesDropped)
{
    QScrollBar* bar = verticalScrollBar();
    const bool following = IsFollowingNewest();
    const std::int64_t oldTop = bar->value();
    const int visible = VisibleLines();
    const std::uint64_t lines = std::min<std::uint64_t>(LineCount(), INT_MAX);
    bar->setRange(0, static_cast<int>(std::max<std::int64_t>(0, static_cast<std::int64_t>(lines) - visible)));
    bar->setPageStep(visible);
    // The view follows the newest data; a user who scrolled back keeps
    // looking at the same bytes while older lines are dropped above them.
    if (following)
        bar->setValue(bar->maximum());
    else
        bar->setValue(static_cast<int>(std::max<std::int64_t>(0, oldTop - linesDropped)));

    const int lineWidth = fontMetrics().horizontalAdvance(QLatin1Char('0')) * (8 + 1 + 4 * bytesPerLine);
    QScrollBar* across = horizontalScrollBar();
    across->setRange(0, std::max(0, lineWidth + 2 * kMargin - viewport()->width()));
    across->setPageStep(viewport()->width());
}

void CHexEdit::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars(0);
}

// Every line in view is drawn afresh from the store, so a scroll is a
// repaint; no pixels are moved.
void CHexEdit::scrollContentsBy(int, int)
{
    viewport()->update();
}

void CHexEdit::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::Text));
    const int lineHeight = LineHeight();
    const int ascent = fontMetrics().ascent();
    const int x = kMargin - horizontalScrollBar()->value();
    int y = kMargin;
    if (NoteLines() > 0) {
        painter.drawText(x, y + ascent, DroppedNote());
        y += lineHeight;
    }
    const std::uint64_t lines = LineCount();
    for (std::uint64_t line = TopLine(); line < lines && y < viewport()->height(); ++line) {
        painter.drawText(x, y + ascent, LineText(line));
        y += lineHeight;
    }
}
