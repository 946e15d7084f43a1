#pragma once
#include <string>

#include "decoders/FormatDecoder.h"

class CTelegramReceiver;
class CSettingsStore;

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
    virtual ~CTelegramDecoder();

    void SelectTelegramType(int code);
    int GetTelegramType() const;

    // Waits at most 100 ms for the controller; false leaves the outputs unchanged.
    bool GetCommSettings(std::string& portName, std::string& configString, int& receiveTimeout);
    void SetCommSettings(const std::string& portName, const std::string& configString, int receiveTimeout);
    void ClosePort();

    void SetPaused(bool paused);
    bool IsPaused() const;

    bool IsLogging() const;
    // Switching on creates the CSV file and the raw file beside it; the
    // result tells, per file, whether it could be created and why not.
    // Logging stays off when either file cannot be created or the type has no decoder.
    CLogOpenResult SetLogging(bool on, const std::string& csvPath);

    // Why the port could not be opened at the last attempt ("" while it is open).
    std::string GetPortError() const;
};
