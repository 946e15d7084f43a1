// The hex monitor: what the user sees of the received bytes, how the view
// follows them, and how the oldest data goes once the store is full.
#include <QImage>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

#include <string>

#include "app/ControlId.h"
#include "app/DataMonitorDlg.h"
#include "app/widgets/HexByteStore.h"
#include "app/widgets/HexEdit.h"
#include "tests/app/GuiTestSupport.h"

namespace {

std::string Pattern(std::size_t size, int seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + seed) & 0xFF);
    return bytes;
}

} // namespace

class CHexMonitorTest : public QObject {
    Q_OBJECT

    QPointer<CDataMonitorDlg> window;

    CHexEdit* View() const { return window->HexView(); }

    // For the store under the hex view, tested across its chunk boundaries.
    static constexpr std::size_t kChunk = CHexByteStore::kChunkSize;

    static std::string Read(const CHexByteStore& store, std::uint64_t offset, std::size_t count)
    {
        std::string bytes(count, '\0');
        bytes.resize(store.Copy(offset, reinterpret_cast<std::uint8_t*>(bytes.data()), count));
        return bytes;
    }
    static void Append(CHexByteStore& store, const std::string& bytes)
    {
        store.Append(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }

private slots:
    void init()
    {
        window = new CDataMonitorDlg;
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }
    void cleanup() { delete window; }

    void AFreshWindowShowsOneZeroByte()
    {
        QCOMPARE(window->windowTitle(), QString("Data monitor window"));
        QCOMPARE(FindControl<CHexEdit>(window, 1022), View());
        QCOMPARE(FindControl<QPushButton>(window, 1)->text(), QString("OK"));
        QCOMPARE(View()->BytesPerLine(), 10);
        QCOMPARE(View()->StoredByteCount(), std::uint64_t(1));
        QCOMPARE(View()->LineCount(), std::uint64_t(1));
        QCOMPARE(View()->LineText(0), QString("00000000 00" + QString(28, ' ') + "." + QString(9, ' ')));
    }

    void TheColumnsLineUp()
    {
        // The offset, hex and character columns of every line start at the
        // same place only when every character advances by one width.
        QVERIFY(AdvancesEvenly(View()->font()));
    }

    void BlocksAppendInOrderWithTheirZeroBytes()
    {
        window->AppendBytes(std::string());
        QCOMPARE(View()->StoredByteCount(), std::uint64_t(1));
        window->AppendBytes(std::string("\x01\x00\x02", 3));
        window->AppendBytes(std::string());
        window->AppendBytes("$PSIMSSB,");
        QCOMPARE(View()->StoredBytes(0, 100), std::string("\x00\x01\x00\x02$PSIMSSB,", 13));
        QCOMPARE(View()->LineText(0), QString("00000000 00 01 00 02 24 50 53 49 4D 53 ....$PSIMS"));
        QCOMPARE(View()->LineText(1), QString("0000000A 53 42 2C" + QString(22, ' ') + "SB," + QString(7, ' ')));
    }

    void ClosingLosesTheDataAndReopeningStartsAfresh()
    {
        window->AppendBytes(Pattern(500, 1));
        QSignalSpy closed(window.data(), &CDataMonitorDlg::closed);
        QTest::mouseClick(FindControl<QPushButton>(window, 1), Qt::LeftButton);
        QTRY_VERIFY(window.isNull());
        QCOMPARE(closed.count(), 1);

        window = new CDataMonitorDlg;
        QCOMPARE(View()->StoredBytes(0, 100), std::string(1, '\0'));
        QSignalSpy closedAgain(window.data(), &CDataMonitorDlg::closed);
        window->show();
        QTest::keyClick(window, Qt::Key_Escape);
        QTRY_VERIFY(window.isNull());
        QCOMPARE(closedAgain.count(), 1);
    }

    void TheViewFollowsTheNewestDataUnlessScrolledBack()
    {
        window->AppendBytes(Pattern(2000, 2));
        QVERIFY(View()->IsFollowingNewest());
        QVERIFY(View()->TopLine() > 0);
        View()->verticalScrollBar()->setValue(3);
        window->AppendBytes(Pattern(500, 3));
        QCOMPARE(View()->TopLine(), std::uint64_t(3));
        View()->verticalScrollBar()->setValue(View()->verticalScrollBar()->maximum());
        window->AppendBytes(Pattern(500, 4));
        QVERIFY(View()->IsFollowingNewest());
        QCOMPARE(View()->TopLine() + View()->verticalScrollBar()->pageStep(), View()->LineCount());
    }

    void PastTheLimitTheOldestLinesGo()
    {
        View()->SetStoreLimit(100);
        window->AppendBytes(Pattern(94, 5));  // 95 bytes with the first zero
        QCOMPARE(View()->DroppedByteCount(), std::uint64_t(0));
        QCOMPARE(View()->DroppedNote(), QString());

        window->AppendBytes(Pattern(10, 6));  // 105: one line of ten must go
        QCOMPARE(View()->DroppedByteCount(), std::uint64_t(10));
        QCOMPARE(View()->StoredByteCount(), std::uint64_t(95));
        QCOMPARE(View()->LineText(0).left(9), QString("0000000A "));
        QCOMPARE(View()->StoredBytes(95, 10), Pattern(10, 6));
        QCOMPARE(View()->StoredBytes(0, 10), std::string());  // gone
        QCOMPARE(View()->DroppedNote(), QString("Oldest data dropped: 10 bytes"));

        window->AppendBytes(Pattern(1234, 7));
        QVERIFY(View()->StoredByteCount() <= 100);
        QCOMPARE(View()->DroppedByteCount() % 10, std::uint64_t(0));
        const std::size_t kept = View()->StoredByteCount();
        QCOMPARE(View()->StoredBytes(View()->DroppedByteCount(), kept), Pattern(1234, 7).substr(1234 - kept));
        QCOMPARE(View()->LineText(0).left(8), QString::number(View()->DroppedByteCount(), 16).toUpper().rightJustified(8, '0'));

        // The note takes a line above the data in the picture the user sees.
        QImage image(View()->viewport()->size(), QImage::Format_RGB32);
        View()->viewport()->render(&image);
        QVERIFY(!image.isNull());
    }

    void BytesAddedToItsStoreShowAtTheNextRefresh()
    {
        // As the document fills the store while the window is open.
        auto bytes = std::make_shared<CHexByteStore>();
        delete window;
        window = new CDataMonitorDlg(bytes);
        window->show();
        View()->SetStoreLimit(1000);
        Append(*bytes, Pattern(1999, 10));
        QCOMPARE(View()->DroppedByteCount(), std::uint64_t(0));  // not shown yet
        window->Refresh();
        QCOMPARE(View()->StoredByteCount(), std::uint64_t(1000));
        QCOMPARE(View()->DroppedByteCount(), std::uint64_t(1000));
        QVERIFY(View()->IsFollowingNewest());
        QCOMPARE(View()->TopLine() + View()->verticalScrollBar()->pageStep(), View()->LineCount());
        // The window's timer does the same.
        Append(*bytes, Pattern(100, 11));
        QTRY_COMPARE(View()->DroppedByteCount(), std::uint64_t(1100));
    }

    void AUserWhoScrolledBackKeepsLookingAtTheSameBytes()
    {
        View()->SetStoreLimit(1000);
        window->AppendBytes(Pattern(999, 8));  // 100 lines
        View()->verticalScrollBar()->setValue(50);
        const QString shown = View()->LineText(View()->TopLine());
        window->AppendBytes(Pattern(200, 9));  // 20 lines dropped above
        QCOMPARE(View()->DroppedByteCount(), std::uint64_t(200));
        QCOMPARE(View()->TopLine(), std::uint64_t(30));
        QCOMPARE(View()->LineText(View()->TopLine()), shown);
    }

    void CopiesAcrossChunksAndKeepsOffsetsWhenDropping()
    {
        CHexByteStore store;
        const std::string data = Pattern(3 * kChunk + 77, 10);
        Append(store, data.substr(0, kChunk - 3));
        Append(store, data.substr(kChunk - 3));
        QCOMPARE(store.Size(), std::uint64_t(data.size()));
        QVERIFY(Read(store, kChunk - 10, 20) == data.substr(kChunk - 10, 20));
        QVERIFY(Read(store, 0, data.size()) == data);
        QVERIFY(Read(store, data.size() - 5, 100) == data.substr(data.size() - 5));

        store.DropFront(kChunk + 5);
        QCOMPARE(store.BeginOffset(), std::uint64_t(kChunk + 5));
        QVERIFY(Read(store, 0, 10).empty());
        QVERIFY(Read(store, kChunk + 5, 2 * kChunk) == data.substr(kChunk + 5, 2 * kChunk));
        QVERIFY(Read(store, store.EndOffset(), 10).empty());
    }

    void DroppingEverythingThenAppendingStartsAtTheNextOffset()
    {
        CHexByteStore store;
        Append(store, Pattern(kChunk + 1, 11));
        store.DropFront(10 * kChunk);
        QCOMPARE(store.Size(), std::uint64_t(0));
        QCOMPARE(store.BeginOffset(), std::uint64_t(kChunk + 1));
        Append(store, "abc");
        QVERIFY(Read(store, kChunk + 1, 10) == "abc");
        store.DropFront(1);
        QVERIFY(Read(store, kChunk + 2, 10) == "bc");
    }
};

QTEST_MAIN(CHexMonitorTest)
#include "HexMonitorTest.moc"
