#pragma once
// Telegrams as a decoder hands them over, index record and telegram record,
// and their way to the document as the reader thread takes it.
#include <QSignalSpy>
#include <QtTest>

#include <functional>
#include <optional>
#include <string>

#include "app/VantrelDoc.h"
#include "report/ReportBuilder.h"

inline CTelegramIndex IndexOf(int kind, const std::string& text, double receiveTime)
{
    CTelegramIndex index;
    index.SetIndex(kind, text);
    index.receiveTime = receiveTime;
    return index;
}

// A read whose decoder identified no index (failed or empty).
inline CTelegramIndex WithoutIndex(double receiveTime)
{
    CTelegramIndex index;
    index.receiveTime = receiveTime;
    return index;
}

inline CTelegramRecord RecordOf(TelegramStatus status, std::optional<CTelegramPosition> position = std::nullopt)
{
    CTelegramRecord record;
    record.status = status;
    record.bytes = status == kStatusTimedOut ? 0 : 40;
    record.typeText = status == kStatusOk ? "HPR 418 SSBL" : StatusText(status);
    record.position = position;
    return record;
}

inline CTelegramRecord FixOf(CPositionFrame frame, double x, double y, double z)
{
    return RecordOf(kStatusOk, CTelegramPosition{frame, x, y, z});
}

// A telegram with its report, as the reader thread hands it over.
inline CSharedTelegram TelegramOf(const CTelegramIndex& index, const CTelegramRecord& record)
{
    CReportBuilder report;
    report.Append("Telegram type   : %s", record.typeText.c_str());
    return std::make_shared<const CDecodedTelegram>(CDecodedTelegram{
        std::string(static_cast<std::size_t>(record.bytes), 'x'), report.GetDocument(), index, record});
}

// Hands one telegram to the document from this thread, as the reader does,
// and waits until the document has passed it on; returns the telegram.
inline CSharedTelegram HandOver(CVantrelDoc& document, const CTelegramIndex& index, const CTelegramRecord& record)
{
    QSignalSpy delivered(&document, &CVantrelDoc::telegramDelivered);
    CSharedTelegram telegram = TelegramOf(index, record);
    document.OnTelegramDecoded(telegram);
    [&] { QVERIFY(delivered.wait(5000)); }();
    return telegram;
}

// Opens a tool window of the document through its command, with its ages
// measured by clock, and shows the document's state in it at once.
template <typename Window>
Window* OpenWithClock(CVantrelDoc& document, int command, std::function<double()> clock)
{
    document.OnToolWindow(command);
    Window* opened = document.ToolWindowOf<Window>(command);
    if (opened) {
        opened->SetClock(std::move(clock));
        opened->Refresh();
    }
    return opened;
}
