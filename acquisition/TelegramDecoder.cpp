#include "acquisition/TelegramDecoder.h"

#include <algorithm>
#include <climits>

#include "acquisition/CommSettings.h"
#include "acquisition/DiskSync.h"
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

// What the report says when a decoder faulted on a telegram; every line
// feed becomes a line of the report.
const char* const kDecodeFaultMessage =
    "\nDecode of telegram caused internal error.\n\nUse the 'Hex Window' to view received data\n";

void AppendLines(CReportBuilder& report, const std::string& text)
{
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        if (end > start)
            report.AppendText(text.substr(start, end - start));
        report.NewLine();
        start = end + 1;
    }
    if (start < text.size())
        report.AppendText(text.substr(start));
}

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
    ++owner.userWaiting;
    owner.port->InterruptRead();
    owner.mutex.lock();
    owner.port->ClearInterrupt();
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
    : receiver(telegramReceiver), registry(store), makeDecoder(std::move(maker))
{
    settings = std::make_unique<CommSettings>(registry);
    port = std::make_unique<CSerialPort>();
    std::int32_t code = kDefaultTelegramType;
    if (!registry->ReadInt(kTelegramSetting, code))
        code = kDefaultTelegramType;
    SelectTelegramType(code);
    reader = std::thread(&CTelegramDecoder::ReaderLoop, this);
}

CTelegramDecoder::~CTelegramDecoder()
{
    {
        std::lock_guard<std::mutex> guard(stopGuard);
        stopRequested = true;
    }
    stopSignal.notify_all();
    port->InterruptRead();
    if (reader.joinable())
        reader.join();
    // The logs close as the program ends; a failure to write or close them is still told.
    TellLogFailure(StopLogging());
    decoder.reset();
    port->Close();
}

void CTelegramDecoder::SelectTelegramType(int code)
{
    std::string failure;
    {
        CInterruptingLock lock(*this);
        telegramType = code;
        registry->WriteInt(kTelegramSetting, code);
        // The old decoder's logs close; a failure to write or close them
        // is told, and logging stays off.
        if (logging && decoder)
            failure = CloseDecoderLogs();
        decoder.reset();
        decoder = makeDecoder(code);
        if (logging && decoder && failure.empty()) {
            // The files go on: what was logged under the previous type stays.
            const CLogOpenResult result = decoder->OpenLogs(logPath, CFormatDecoder::LogMode::Continue);
            if (!result.Ok())
                failure = result.csv.opened ? result.raw.error : result.csv.error;
        }
        if (!failure.empty())
            StopLogging();
    }
    TellLogFailure(failure);
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
    portName = settings->GetPortName();
    configString = settings->GetConfig();
    receiveTimeout = settings->GetReceiveTimeout();
    return true;
}

void CTelegramDecoder::SetCommSettings(const std::string& portName, const std::string& configString,
                                       int receiveTimeout)
{
    CInterruptingLock lock(*this);
    settings->SetPortName(portName);
    settings->SetConfig(configString);
    settings->SetReceiveTimeout(receiveTimeout);
    port->Close();
}

void CTelegramDecoder::ClosePort()
{
    CInterruptingLock lock(*this);
    port->Close();
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

std::string CTelegramDecoder::GetPortError() const
{
    std::lock_guard<std::mutex> guard(portErrorGuard);
    return portError;
}

void CTelegramDecoder::SetPortError(const std::string& reason)
{
    std::lock_guard<std::mutex> guard(portErrorGuard);
    portError = reason;
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
        CReportBuilder report;
        std::string raw;
        CTelegramIndex index;
        bool telegram = false;
        std::string logError;
        {
            std::lock_guard<std::recursive_timed_mutex> lock(mutex);
            telegram = ReceiveAndDecode(report, raw, index);
            logError = TakeLogWriteError();
        }
        // Told even in the last pass, as the controller ends.
        TellLogFailure(logError);
        if (!stopRequested) {
            if (receiver && telegram && !paused)
                receiver->OnTelegramDecoded(report, raw, index);
            // After bytes, read again almost at once: the read itself took the
            // 60 ms of silence, and a telegram arriving during a long pause
            // would be picked up late and run into the next one. The short
            // pause still lets the settings pane and the commands take the
            // lock between two telegrams.
            WaitUnlessStopping(raw.empty() ? kPassPause : kTelegramYield);
        }
    } while (!stopRequested);
    threadRunning = false;
}

bool CTelegramDecoder::ReceiveAndDecode(CReportBuilder& report, std::string& raw, CTelegramIndex& index)
{
    if (!port->IsOpen()) {
        OpenPort();
        if (!port->IsOpen())
            return false;
    }
    // The user is waiting for the controller (to switch logging on, say):
    // let them go first; what the line sent waits in the driver meanwhile.
    if (userWaiting > 0)
        return false;
    double receiveTime = 0.0;
    bool interrupted = false;
    ReadTelegram(raw, receiveTime, interrupted);
    if (interrupted)
        return false;
    index.receiveTime = receiveTime;
    DecodeGuarded(report, raw, receiveTime, index);
    return true;
}

void CTelegramDecoder::DecodeGuarded(CReportBuilder& report, const std::string& raw, double& receiveTime,
                                     CTelegramIndex& index)
{
    if (!decoder)
        return;
    try {
        decoder->CountTelegram();
        decoder->WriteRaw(raw);
        decoder->Decode(raw, report, receiveTime, index);
    } catch (...) {
        AppendLines(report, kDecodeFaultMessage);
    }
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
    const int portNumber = CommSettings::PortNumberFor(portName);
    const CSerialFrame frame = CommSettings::FrameFor(configString);
    port->Close();
    if (!WaitUnlessStopping(kOpenSettleTime))
        return;
    try {
        port->Open(portNumber, frame.baudRate, frame.parity, frame.dataBits, frame.stopBits,
                   CSerialPort::kFlowNone, false);
        COMMTIMEOUTS timeouts;
        timeouts.ReadIntervalTimeout = kByteGapMs;
        timeouts.ReadTotalTimeoutMultiplier = 1;
        timeouts.ReadTotalTimeoutConstant = TotalTimeoutMs(settings->GetReceiveTimeout());
        port->SetTimeouts(timeouts);
        SetPortError("");
    } catch (const CSerialException& error) {
        // A port whose frame or timeouts could not be set is not read: a
        // read without its timeouts might never end. The next pass retries.
        port->Close();
        SetPortError(ReasonOf(error));
    }
}

std::size_t CTelegramDecoder::ReadTelegram(std::string& raw, double& receiveTime, bool& interrupted)
{
    interrupted = false;
    if (!port->IsOpen())
        return 0;
    std::size_t count = 0;
    try {
        count = port->Read(rxBuffer, kReadSize, &interrupted);
        receiveTime = CTickwarden::GetPCMilliSecs();
    } catch (const CSerialException& error) {
        // The device has gone (adapter unplugged, line hung up): close the
        // port so that later passes open it again once it is back.
        port->Close();
        SetPortError(ReasonOf(error));
        return 0;
    }
    raw.assign(reinterpret_cast<const char*>(rxBuffer), count);
    return count;
}
