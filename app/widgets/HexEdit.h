#pragma once
// A read-only hex view over the bytes received on the line: an offset
// column, the bytes in hex and the same bytes as characters. Only the lines
// in view are drawn, so appending and painting cost the same however much
// is stored. It follows the newest data unless the user has scrolled back.
// It keeps at most a set amount (256 MiB by default) and then lets go of the
// oldest whole lines; the offsets of what remains do not change and a line
// above the data says how much was dropped. The store may be given and
// appended to elsewhere: Sync then shows what came.
#include <QAbstractScrollArea>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "app/widgets/HexByteStore.h"

class CHexEdit : public QAbstractScrollArea {
    Q_OBJECT
public:
    // Property 7 is the number of bytes shown on each line (1 to 64).
    static constexpr int kBytesPerLineProperty = 7;
    static constexpr std::uint64_t kDefaultStoreLimit = 256ull * 1024 * 1024;

    explicit CHexEdit(QWidget* parent = nullptr);

    bool SetProperty(int dispatchId, int value);
    int BytesPerLine() const { return bytesPerLine; }

    void AppendBytes(std::string_view block);
    // Views store instead of its own.
    void SetStore(std::shared_ptr<CHexByteStore> bytes);
    // Shows what was appended to the store since it was last shown.
    void Sync();

    // The most that is kept before the oldest lines are dropped.
    void SetStoreLimit(std::uint64_t bytes);
    std::uint64_t StoreLimit() const { return storeLimit; }

    std::uint64_t StoredByteCount() const { return store->Size(); }
    std::uint64_t DroppedByteCount() const { return store->BeginOffset(); }
    std::string StoredBytes(std::uint64_t offset, std::size_t count) const;

    // Lines of data, numbered from the first one still kept.
    std::uint64_t LineCount() const;
    QString LineText(std::uint64_t line) const;
    QString DroppedNote() const;
    // The first line of data in view, and whether the view is at the newest data.
    std::uint64_t TopLine() const;
    bool IsFollowingNewest() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    std::uint64_t FirstAbsoluteLine() const;
    int LineHeight() const;
    int NoteLines() const;
    int VisibleLines() const;
    void DropOldestLines();
    void UpdateScrollBars(std::int64_t linesDropped);

    std::shared_ptr<CHexByteStore> store = std::make_shared<CHexByteStore>();
    std::uint64_t shownEnd = 0;  // the store's end when it was last shown
    std::uint64_t storeLimit = kDefaultStoreLimit;
    int bytesPerLine = 16;
};
