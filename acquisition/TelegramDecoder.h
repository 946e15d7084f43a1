#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "acquisition/CommSettings.h"
#include "acquisition/DecodedTelegram.h"
#include "acquisition/HandOffQueue.h"
#include "acquisition/LineAddress.h"
#include "decoders/FormatDecoder.h"

class CContentReader;
class CTelegramReceiver;
class CSettingsStore;
class CLine;
struct COMMTIMEOUTS;

// Not a decoder, despite the name it has always had: the acquisition
// controller. It owns the line (the serial port or network
// line the port map names for the selected port), the communication
// settings, the decoder of the selected telegram type and the reader thread
// that receives, decodes, logs and hands over every telegram, and tells the
// receiver what happens to the line (CLineEvent) in order with them. The window and
// the terminal monitor talk to it only through the operations below, all of
// them called from one (user-interface) thread.
class CTelegramDecoder {
public:
    // Reads the settings from the settings store (registry), selects the stored telegram type and
    // starts the reader thread. receiver and registry must outlive the controller.
    CTelegramDecoder(CTelegramReceiver* receiver, CSettingsStore* registry);
    // Makes the decoder of a type code (null: none); by default the decoder of
    // CFormatTable::Create, whose logs are synchronised to the disk.
    using DecoderMaker = std::function<std::unique_ptr<CFormatDecoder>(int typeCode)>;
    CTelegramDecoder(CTelegramReceiver* receiver, CSettingsStore* registry, DecoderMaker makeDecoder);
    virtual ~CTelegramDecoder();
    CTelegramDecoder(const CTelegramDecoder&) = delete;
    CTelegramDecoder& operator=(const CTelegramDecoder&) = delete;

    // Another type replaces the decoder (its logs go on in the same files);
    // the same type keeps it, with its telegram count.
    void SelectTelegramType(int code);
    int GetTelegramType() const;

    // Waits at most 100 ms for the controller; false leaves the outputs
    // unchanged. For a caller that polls and may try again.
    bool GetCommSettings(std::string& portName, std::string& configString, int& receiveTimeout);
    // Ends an idle read to take the controller, as the user's commands do,
    // so it never waits out a receive timeout.
    void ReadCommSettings(std::string& portName, std::string& configString, int& receiveTimeout);
    // The port is opened again only for another port name or frame (the
    // receiver is told that the line was replaced); a new receive timeout
    // applies from the next read on.
    void SetCommSettings(const std::string& portName, const std::string& configString, int receiveTimeout);
    // Closes the port until the reader's next pass opens it again; the
    // receiver is told the user closed it (ClosedByUser), then Back once it
    // is open or Refused when it cannot be.
    void ClosePort();

    // Reads are cut by silence (as always) or by the telegrams' content;
    // the choice is stored with the settings. Bytes held for a telegram
    // still coming are handed on as they are when framing turns to silence.
    void SetFraming(CFraming framing);
    CFraming GetFraming() const { return framing; }

    // The display's pause: the receiver reads it to hold its report view.
    // Every telegram is still received, decoded, logged and handed over.
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

private:
    void ReaderLoop();
    // The read of this pass, decoded; null when no read took place.
    CSharedTelegram ReceiveAndDecode();
    // Returns why the logs had to stop ("" when they did not).
    std::string ReplaceDecoder(int code);
    void CopyCommSettings(std::string& portName, std::string& configString, int& receiveTimeout) const;
    void OpenPort();
    // The line for the port map's entry: the one in use when it is of the
    // entry's kind, else a new one.
    void TakeLineFor(const CLineAddress& address);
    COMMTIMEOUTS ReadTimeouts() const;
    // False when no read took place: a user-interface operation ended it
    // before its first byte, or the line was lost.
    bool ReadTelegram(std::string& raw, double& receiveTime);
    bool ReadLine(std::string& raw, double& receiveTime);
    // Whether the next pass has a read at once: a datagram that waits, or
    // a telegram framed by content from bytes already read.
    bool IsReadWaiting();
    bool ByContent() const { return framing == CFraming::ByContent && contentReader; }
    // Why logging had to stop since the last pass ("" when it did not).
    std::string TakeLogWriteError();
    // Tells of the datagrams the system dropped since the last pass.
    void QueueNewDrops();
    // Closes the logs; returns why writing, syncing or closing them failed
    // since they were opened ("" when nothing did).
    std::string StopLogging();
    std::string CloseDecoderLogs();
    // Tells the receiver why logging stopped; nothing for "".
    void TellLogFailure(const std::string& reason);
    // The port faults the reader meets (a lost line stays lost, with the
    // reason it was lost for, through the attempts to open it again), and
    // what ends them: an opening, a read, settings that name another line.
    // Each change is queued for the receiver as a line event.
    void RecordPortFault(const std::string& reason, bool lost);
    void OnPortOpened();
    void OnLineRead();
    void QueueLineEvent(CLineEvent::Kind kind, const std::string& reason = std::string(), std::uint64_t count = 0);
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
    std::unique_ptr<CLine> line;
    std::mutex lineSwap;  // the line is replaced under it too: an interruption may come from any thread
    std::chrono::steady_clock::time_point nextOpening{};  // a line that failed to open waits until then
    std::unique_ptr<CFormatDecoder> decoder;
    std::unique_ptr<CContentReader> contentReader;  // null for a type without a framer
    std::atomic<CFraming> framing{CFraming::BySilence};
    std::atomic<int> telegramType{0};
    std::atomic<bool> logging{false};
    std::string logPath;

    std::atomic<bool> stopRequested{false};
    std::atomic<bool> threadRunning{false};
    std::atomic<bool> paused{false};
    std::atomic<int> userWaiting{0};  // user-interface operations waiting for the lock
    std::mutex stopGuard;
    std::condition_variable stopSignal;

    // What the receiver was last told of the line's fault, under the lock.
    struct CPortFault {
        std::string reason;  // "" while the line is read
        bool lost = false;   // the line was open and went away
    };
    CPortFault portFault;
    std::uint64_t lineDropsSeen = 0;  // of the line's own count, since it was opened
    std::string frameKeptTold;        // what the receiver was last told a line kept of its frame
    CHandOffQueue handOff;

    unsigned char rxBuffer[kRxBufferSize] = {};
    std::thread reader;
};
