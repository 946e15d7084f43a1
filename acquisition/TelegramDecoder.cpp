#include "acquisition/TelegramDecoder.h"

#include <algorithm>
#include <climits>

#include "acquisition/CommSettings.h"
#include "acquisition/ContentReader.h"
#include "acquisition/DiskSync.h"
#include "acquisition/Line.h"
#include "acquisition/PortMap.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SettingsStore.h"
#include "acquisition/TelegramReceiver.h"
#include "clock/Tickwarden.h"
#include "decoders/FormatTable.h"

namespace {

using namespace std::chrono_literals;


constexpr auto kPassPause = 50ms;        // between two passes of the reader that read nothing
constexpr auto kTelegramYield = 5ms;     // after a telegram: lets a waiting user operation in
constexpr auto kOpenSettleTime = 100ms;  // before every open of the port
constexpr auto kSettingsWait = 100ms;    // the most the status pane waits for the settings
constexpr std::uint32_t kByteGapMs = 60; // silence that ends a telegram
constexpr const char* kClosedByUser = "closed by the user";

std::uint32_t TotalTimeoutMs(int receiveTimeoutSeconds)
{
    const long long ms = static_cast<long long>(receiveTimeoutSeconds) * 1000;
    return static_cast<std::uint32_t>(std::clamp(ms, 0LL, static_cast<long long>(INT_MAX)));
}

// The decoder of a type, with logs that reach the disk at least once a second.
std::unique_ptr<CFormatDecoder> MakeDiskSyncedDecoder(int typeCode)
{
    std::unique_ptr<CFormatDecoder> decoder = CFormatTable::Create(typeCode);
    if (decoder)
        decoder->SetDiskSyncer(&DataSyncerFor);
    return decoder;
}

std::string ReasonOf(const CSerialException& error)
{
    std::string text = error.GetErrorMessage();
    return text.empty() ? "error " + std::to_string(error.errorCode) : text;
}

} // namespace

CTelegramDecoder::CInterruptingLock::CInterruptingLock(CTelegramDecoder& controller) : owner(controller)
{
    // Waiting is counted first: a pass that replaces the line after the
    // interruption went to the old one sees it and does not read.
    ++owner.userWaiting;
    {
        std::lock_guard<std::mutex> guard(owner.lineSwap);
        owner.line->InterruptRead();
    }
    owner.mutex.lock();
    owner.line->ClearInterrupt();
    --owner.userWaiting;
}

CTelegramDecoder::CInterruptingLock::~CInterruptingLock()
{
    owner.mutex.unlock();
}

CTelegramDecoder::CTelegramDecoder(CTelegramReceiver* telegramReceiver, CSettingsStore* store)
    : CTelegramDecoder(telegramReceiver, store, &MakeDiskSyncedDecoder)
{
}

CTelegramDecoder::CTelegramDecoder(CTelegramReceiver* telegramReceiver, CSettingsStore* store,
                                   DecoderMaker maker)
    : receiver(telegramReceiver), registry(store), makeDecoder(std::move(maker)), handOff(telegramReceiver)
{
    settings = std::make_unique<CommSettings>(registry);
    framing = settings->GetFraming();
    line = CLine::Create(CLineAddress::Kind::Device);
    // Stored values that cannot be used are told once, before anything of the line.
    std::string typeFault;
    const std::int32_t code = CommSettings::StoredTelegramType(*registry, &typeFault);
    for (const std::string& fault : settings->StoredValueFaults())
        handOff.QueueNotice(fault);
    if (!typeFault.empty())
        handOff.QueueNotice(typeFault);
    registry->WriteInt(kTelegramSetting, code);
    ReplaceDecoder(code);
    handOff.HandOver(true);
    reader = std::thread(&CTelegramDecoder::ReaderLoop, this);
}

CTelegramDecoder::~CTelegramDecoder()
{
    {
        std::lock_guard<std::mutex> guard(stopGuard);
        stopRequested = true;
    }
    stopSignal.notify_all();
    {
        std::lock_guard<std::mutex> guard(lineSwap);
        line->InterruptRead();
    }
    if (reader.joinable())
        reader.join();
    // The logs close as the program ends; a failure to write or close them is still told.
    TellLogFailure(StopLogging());
    decoder.reset();
    line->Close();
}

void CTelegramDecoder::SelectTelegramType(int code)
{
    std::string failure;
    {
        CInterruptingLock lock(*this);
        registry->WriteInt(kTelegramSetting, code);
        // The same type again keeps its decoder: the telegrams go on being
        // counted and the logs are not begun again.
        if (code != telegramType)
            failure = ReplaceDecoder(code);
    }
    TellLogFailure(failure);
}

std::string CTelegramDecoder::ReplaceDecoder(int code)
{
    telegramType = code;
    std::string failure;
    // The old decoder's logs close; a failure to write or close them is
    // told, and logging stays off.
    if (logging && decoder)
        failure = CloseDecoderLogs();
    decoder.reset();
    decoder = makeDecoder(code);
    // Bytes held for a telegram still coming are read on by the new format's framer.
    std::string held = contentReader ? contentReader->TakeHeldBytes() : std::string();
    contentReader.reset();
    if (std::unique_ptr<CTelegramFramer> framer = CFormatTable::CreateFramer(code)) {
        contentReader = std::make_unique<CContentReader>(std::move(framer));
        contentReader->Append(held);
    }
    line->SetLineBasedFormat(CFormatTable::IsLineBased(code));
    if (logging && decoder && failure.empty()) {
        // The files go on: what was logged under the previous type stays.
        const CLogOpenResult result = decoder->OpenLogs(logPath, CFormatDecoder::LogMode::Continue);
        if (!result.Ok())
            failure = result.csv.opened ? result.raw.error : result.csv.error;
    }
    if (!failure.empty())
        StopLogging();
    return failure;
}

int CTelegramDecoder::GetTelegramType() const
{
    return telegramType;
}

bool CTelegramDecoder::GetCommSettings(std::string& portName, std::string& configString, int& receiveTimeout)
{
    std::unique_lock<std::recursive_timed_mutex> lock(mutex, std::defer_lock);
    if (!lock.try_lock_for(kSettingsWait))
        return false;
    CopyCommSettings(portName, configString, receiveTimeout);
    return true;
}

void CTelegramDecoder::ReadCommSettings(std::string& portName, std::string& configString, int& receiveTimeout)
{
    CInterruptingLock lock(*this);
    CopyCommSettings(portName, configString, receiveTimeout);
}

void CTelegramDecoder::CopyCommSettings(std::string& portName, std::string& configString,
                                        int& receiveTimeout) const
{
    portName = settings->GetPortName();
    configString = settings->GetConfig();
    receiveTimeout = settings->GetReceiveTimeout();
}

void CTelegramDecoder::SetCommSettings(const std::string& portName, const std::string& configString,
                                       int receiveTimeout)
{
    {
        CInterruptingLock lock(*this);
        // Only another device or another frame needs the port opened again:
        // what waits in the driver's buffer would be lost with it.
        const bool reopen = portName != settings->GetPortName() ||
                            CommSettings::FrameFor(configString) != CommSettings::FrameFor(settings->GetConfig());
        settings->SetPortName(portName);
        settings->SetConfig(configString);
        settings->SetReceiveTimeout(receiveTimeout);
        if (reopen) {
            line->Close();
            portFault = {};
            QueueLineEvent(CLineEvent::Kind::Replaced);
            nextOpening = {};  // other settings are tried at once
        } else if (line->IsOpen()) {
            line->SetTimeouts(ReadTimeouts());  // the next read waits the new timeout
        }
    }
    // The receiver learns of the new line at once, after what came before it.
    handOff.HandOver(!stopRequested);
}

void CTelegramDecoder::SetFraming(CFraming how)
{
    CInterruptingLock lock(*this);
    settings->SetFraming(how);
    framing = how;
}

void CTelegramDecoder::ClosePort()
{
    {
        CInterruptingLock lock(*this);
        if (!line->IsOpen())
            return;
        line->Close();
        // Told as the line's state until it opens again (Back) or is refused.
        portFault = {kClosedByUser, false};
        QueueLineEvent(CLineEvent::Kind::ClosedByUser, kClosedByUser);
    }
    handOff.HandOver(!stopRequested);
}

void CTelegramDecoder::SetPaused(bool pause)
{
    paused = pause;
}

bool CTelegramDecoder::IsPaused() const
{
    return paused;
}

bool CTelegramDecoder::IsLogging() const
{
    return logging;
}

CLogOpenResult CTelegramDecoder::SetLogging(bool on, const std::string& csvPath, CFormatDecoder::LogMode mode)
{
    CLogOpenResult result;
    std::string failure;
    {
        CInterruptingLock lock(*this);
        // The logs open until now close first; a failure to write or close them is told.
        failure = StopLogging();
        if (on && !decoder) {
            result.csv = {csvPath, false, "the telegram type has no decoder"};
            result.raw = {CFormatDecoder::RawPathFor(csvPath), false, result.csv.error};
        } else if (on) {
            // Opening forgets an earlier write error, so a later failure is
            // seen again; the decoder and its telegram count stay.
            result = decoder->OpenLogs(csvPath, mode);
            if (result.Ok()) {
                logPath = csvPath;
                logging = true;
            }
        }
    }
    TellLogFailure(failure);
    return result;
}

void CTelegramDecoder::QueueLineEvent(CLineEvent::Kind kind, const std::string& reason, std::uint64_t count)
{
    handOff.Queue(CLineEvent{kind, settings->GetPortName(), line->Name(), reason, count, CTickwarden::GetPCMilliSecs()});
}

void CTelegramDecoder::RecordPortFault(const std::string& reason, bool lost)
{
    // A lost line stays lost, with its first reason, whatever its reopenings meet.
    if (portFault.lost || (portFault.reason == reason && !lost))
        return;
    portFault = {reason, lost};
    QueueLineEvent(lost ? CLineEvent::Kind::Lost : CLineEvent::Kind::Refused, reason);
}

void CTelegramDecoder::OnPortOpened()
{
    // A port that opens again may still fail at its first read: the loss is
    // over only once the line has been read.
    if (portFault.lost) {
        QueueLineEvent(CLineEvent::Kind::Reconnecting);
    } else if (!portFault.reason.empty()) {
        portFault = {};
        QueueLineEvent(CLineEvent::Kind::Back);
    }
}

void CTelegramDecoder::OnLineRead()
{
    if (portFault.reason.empty())
        return;
    portFault = {};
    QueueLineEvent(CLineEvent::Kind::Back);
}

std::string CTelegramDecoder::StopLogging()
{
    std::string failure;
    if (decoder && decoder->IsLogging())
        failure = CloseDecoderLogs();
    logging = false;
    logPath.clear();
    return failure;
}

std::string CTelegramDecoder::CloseDecoderLogs()
{
    decoder->CloseLogs();
    return decoder->GetLogWriteError();
}

void CTelegramDecoder::TellLogFailure(const std::string& reason)
{
    if (receiver && !reason.empty())
        receiver->OnLogWriteError(reason);
}

bool CTelegramDecoder::WaitUnlessStopping(std::chrono::milliseconds duration)
{
    std::unique_lock<std::mutex> guard(stopGuard);
    return !stopSignal.wait_for(guard, duration, [this] { return stopRequested.load(); });
}

void CTelegramDecoder::ReaderLoop()
{
    threadRunning = true;
    do {
        bool bytesRead = false;
        bool moreWaiting = false;
        std::string logError;
        {
            std::lock_guard<std::recursive_timed_mutex> lock(mutex);
            const CSharedTelegram telegram = ReceiveAndDecode();
            logError = TakeLogWriteError();
            // The datagrams dropped before it came are told first.
            QueueNewDrops();
            if (telegram)
                handOff.Queue(telegram);
            bytesRead = telegram && !telegram->raw.empty();
            moreWaiting = bytesRead && IsReadWaiting();
        }
        // Told even in the last pass, as the controller ends; its telegram is not.
        TellLogFailure(logError);
        handOff.HandOver(!stopRequested);
        if (!stopRequested) {
            // After bytes, read again almost at once: the read itself took the
            // 60 ms of silence, and a telegram arriving during a long pause
            // would be picked up late and run into the next one. The short
            // pause lets the settings pane take the lock between two
            // telegrams. Datagrams already waiting are read first, with no
            // pause: a burst would overflow the socket's queue meanwhile. The
            // commands still get in, as a pass gives way to a waiting user.
            if (!moreWaiting)
                WaitUnlessStopping(bytesRead ? kTelegramYield : kPassPause);
        }
    } while (!stopRequested);
    threadRunning = false;
}

bool CTelegramDecoder::IsReadWaiting()
{
    return line->IsTelegramWaiting() || (ByContent() && contentReader->HoldsRead());
}

CSharedTelegram CTelegramDecoder::ReceiveAndDecode()
{
    std::string raw;
    double receiveTime = 0.0;
    // Bytes held for a telegram still coming are handed on as they are when
    // no more are to come for them: the line has gone, or framing turned to
    // silence. They are never dropped.
    if (contentReader && contentReader->HoldsBytes() && (!ByContent() || !line->IsOpen()) &&
        contentReader->TakeHeld(raw, receiveTime))
        return DecodeRead(decoder.get(), std::move(raw), receiveTime);
    if (!line->IsOpen()) {
        // A network line that failed is tried about once a second, not at
        // every pass; the passes go on meanwhile, without the lock held.
        if (std::chrono::steady_clock::now() < nextOpening)
            return nullptr;
        OpenPort();
        if (!line->IsOpen())
            return nullptr;
    }
    // The user is waiting for the controller (to switch logging on, say):
    // let them go first; what the line sent waits in the driver meanwhile.
    if (userWaiting > 0)
        return nullptr;
    if (!ReadTelegram(raw, receiveTime))
        return nullptr;
    // A read framed by silence is looked into for the telegrams it holds.
    return DecodeRead(decoder.get(), std::move(raw), receiveTime,
                      !ByContent() && contentReader ? &contentReader->Framer() : nullptr);
}

void CTelegramDecoder::QueueNewDrops()
{
    const std::uint64_t seen = line->DroppedBySystem();
    if (seen <= lineDropsSeen)
        return;
    const std::uint64_t fresh = seen - lineDropsSeen;
    lineDropsSeen = seen;
    QueueLineEvent(CLineEvent::Kind::DroppedBySystem, std::string(), fresh);
}

std::string CTelegramDecoder::TakeLogWriteError()
{
    if (logging && decoder && decoder->HasLogWriteError())
        return StopLogging();
    return {};
}

void CTelegramDecoder::OpenPort()
{
    const std::string configString = settings->GetConfig();
    const std::string portName = settings->GetPortName();
    const CLineAddress address = CPortMap::LineAddress(CommSettings::PortNumberFor(portName));
    const CSerialFrame frame = CommSettings::FrameFor(configString);
    line->Close();
    if (!WaitUnlessStopping(kOpenSettleTime))
        return;
    TakeLineFor(address);
    // The user is waiting: an opening that waits for the network would
    // hold them up.
    if (userWaiting > 0)
        return;
    lineDropsSeen = 0;  // a line opened counts afresh
    try {
        line->Open(address, frame);
        if (!line->IsOpen())
            return;  // the user or the shut-down ended the opening
        line->SetTimeouts(ReadTimeouts());
        OnPortOpened();
        // A pseudo-terminal keeps a frame of its own: told once for each.
        if (const std::string kept = line->FrameKept(); !kept.empty() && kept != frameKeptTold) {
            frameKeptTold = kept;
            handOff.QueueNotice(kept);
        }
    } catch (const CSerialException& error) {
        // A port whose frame or timeouts could not be set is not read: a
        // read without its timeouts might never end. The next pass retries.
        line->Close();
        RecordPortFault(ReasonOf(error), false);
        nextOpening = std::chrono::steady_clock::now() + line->RetryInterval();
    }
}

void CTelegramDecoder::TakeLineFor(const CLineAddress& address)
{
    if (line->Kind() == address.kind)
        return;
    std::unique_ptr<CLine> next = CLine::Create(address.kind);
    next->SetLineBasedFormat(CFormatTable::IsLineBased(telegramType));
    std::lock_guard<std::mutex> guard(lineSwap);
    line = std::move(next);
}

COMMTIMEOUTS CTelegramDecoder::ReadTimeouts() const
{
    COMMTIMEOUTS timeouts;
    timeouts.ReadIntervalTimeout = kByteGapMs;
    timeouts.ReadTotalTimeoutMultiplier = 1;
    timeouts.ReadTotalTimeoutConstant = TotalTimeoutMs(settings->GetReceiveTimeout());
    return timeouts;
}

bool CTelegramDecoder::ReadTelegram(std::string& raw, double& receiveTime)
{
    if (!line->IsOpen())
        return false;
    try {
        if (!ReadLine(raw, receiveTime))
            return false;
    } catch (const CSerialException& error) {
        // The device has gone (adapter unplugged, line hung up, connection
        // dropped): a failed read is no telegram. The line is closed so that
        // later passes open it again once the device is back; a network
        // line not at once, whether it comes back or its server sends it away.
        line->Close();
        RecordPortFault(ReasonOf(error), true);
        nextOpening = std::chrono::steady_clock::now() + line->RetryInterval();
        return false;
    }
    OnLineRead();
    return true;
}

bool CTelegramDecoder::ReadLine(std::string& raw, double& receiveTime)
{
    if (ByContent()) {
        const auto timeout = std::chrono::milliseconds(TotalTimeoutMs(settings->GetReceiveTimeout()));
        return contentReader->Read(*line, timeout, [this] { return userWaiting == 0 && !stopRequested; }, raw,
                                   receiveTime);
    }
    // Framing by content may have set timeouts of its own.
    line->SetTimeouts(ReadTimeouts());
    const CLineRead read = line->Read(rxBuffer, kReadSize);
    if (read.interrupted)
        return false;
    receiveTime = read.receiveTime;
    raw.assign(reinterpret_cast<const char*>(rxBuffer), read.count);
    return true;
}
