#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "decoders/FormatDecoder.h"

class CTelegramReceiver;
class CSettingsStore;
class CSerialPort;
class CommSettings;

// The acquisition controller: owns the serial port, the communication
// settings, the decoder of the selected telegram type and the reader thread
// that receives, decodes, logs and hands over every telegram. The window and
// the terminal monitor talk to it only through the operations below, all of
// them called from one (user-interface) thread.
class CTelegramDecoder {
public:
    // Reads the settings from registry, selects the stored telegram type and
    // starts the reader thread. receiver and registry must outlive the controller.
    CTelegramDecoder(CTelegramReceiver* receiver, CSettingsStore* registry);
    // Makes the decoder of a type code (null: none); by default the decoder of
    // CFormatTable::Create, whose logs are synchronised to the disk.
    using DecoderMaker = std::function<std::unique_ptr<CFormatDecoder>(int typeCode)>;
    CTelegramDecoder(CTelegramReceiver* receiver, CSettingsStore* registry, DecoderMaker makeDecoder);
    virtual ~CTelegramDecoder();
    CTelegramDecoder(const CTelegramDecoder&) = delete;
    CTelegramDecoder& operator=(const CTelegramDecoder&) = delete;

    void SelectTelegramType(int code);
    int GetTelegramType() const;

    // Waits at most 100 ms for the controller; false leaves the outputs unchanged.
    bool GetCommSettings(std::string& portName, std::string& configString, int& receiveTimeout);
    void SetCommSettings(const std::string& portName, const std::string& configString, int receiveTimeout);
    void ClosePort();

    void SetPaused(bool paused);
    bool IsPaused() const;

    bool IsLogging() const;
    // Switching on creates the CSV file and the raw file beside it, emptied
    // (Restart) or appended to (Continue); the result tells, per file,
    // whether it could be opened and why not. Logging stays off when either
    // file cannot be opened or the type has no decoder. The logs open until
    // then close first; a failure to write or close them is told to the
    // receiver, as it is when a type change or the end of the controller
    // closes them.
    CLogOpenResult SetLogging(bool on, const std::string& csvPath,
                              CFormatDecoder::LogMode mode = CFormatDecoder::LogMode::Restart);

    // Why the port could not be opened at the last attempt ("" while it is open).
    std::string GetPortError() const;

private:
    void ReaderLoop();
    // True when a read took place, so the pass has a telegram to hand over.
    bool ReceiveAndDecode(CReportBuilder& report, std::string& raw, CTelegramIndex& index);
    void DecodeGuarded(CReportBuilder& report, const std::string& raw, double& receiveTime,
                       CTelegramIndex& index);
    void OpenPort();
    // The byte count; interrupted when a user-interface operation ended the
    // read before its first byte.
    std::size_t ReadTelegram(std::string& raw, double& receiveTime, bool& interrupted);
    // Why logging had to stop since the last pass ("" when it did not).
    std::string TakeLogWriteError();
    // Closes the logs; returns why writing, syncing or closing them failed
    // since they were opened ("" when nothing did).
    std::string StopLogging();
    std::string CloseDecoderLogs();
    // Tells the receiver why logging stopped; nothing for "".
    void TellLogFailure(const std::string& reason);
    void SetPortError(const std::string& reason);
    // Sleeps unless the controller is being destroyed; false when it is.
    bool WaitUnlessStopping(std::chrono::milliseconds duration);

    // Locks the controller for a user-interface operation, ending an idle
    // read first so the user never waits out a receive timeout.
    class CInterruptingLock {
    public:
        explicit CInterruptingLock(CTelegramDecoder& controller);
        ~CInterruptingLock();
        CInterruptingLock(const CInterruptingLock&) = delete;
        CInterruptingLock& operator=(const CInterruptingLock&) = delete;

    private:
        CTelegramDecoder& owner;
    };

    static constexpr std::size_t kRxBufferSize = 500;
    static constexpr std::size_t kReadSize = 256;

    CTelegramReceiver* receiver;
    CSettingsStore* registry;
    DecoderMaker makeDecoder;

    std::recursive_timed_mutex mutex;
    std::unique_ptr<CommSettings> settings;
    std::unique_ptr<CSerialPort> port;
    std::unique_ptr<CFormatDecoder> decoder;
    std::atomic<int> telegramType{0};
    std::atomic<bool> logging{false};
    std::string logPath;

    std::atomic<bool> stopRequested{false};
    std::atomic<bool> threadRunning{false};
    std::atomic<bool> paused{false};
    std::atomic<int> userWaiting{0};  // user-interface operations waiting for the lock
    std::mutex stopGuard;
    std::condition_variable stopSignal;

    mutable std::mutex portErrorGuard;
    std::string portError;

    unsigned char rxBuffer[kRxBufferSize] = {};
    std::thread reader;
};
