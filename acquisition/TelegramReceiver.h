#pragma once
#include <cstdint>
#include <string>

#include "acquisition/DecodedTelegram.h"

// Who the acquisition controller hands every telegram to: the document of
// the window, or the terminal monitor. Both receive telegrams the same way.
class CTelegramReceiver {
public:
    virtual ~CTelegramReceiver() = default;

    // Called on the reader thread, without the controller's lock held, once
    // per read while the display is not paused, with the read decoded (its
    // record empty when the type has no decoder). The value is shared, never
    // changed: a receiver keeps the pointer for as long as it needs it.
    virtual void OnTelegramDecoded(const CSharedTelegram& telegram) = 0;

    // Called when writing, synchronising or closing the logs failed; logging
    // has been switched off. reason is the system's error text. Called on the
    // reader thread, or on the thread whose operation closed the logs
    // (switching logging off or on anew, changing the type, destroying the
    // controller), without the controller's lock held.
    virtual void OnLogWriteError(const std::string& reason) { (void)reason; }

    // Called on the reader thread, without the controller's lock held and
    // before the telegram read with it, when the system dropped datagrams of
    // a network line that came faster than they were read (its receive
    // buffer was full): count is how many since the last call. Told whether
    // or not the display is paused.
    virtual void OnDroppedBySystem(std::uint64_t count) { (void)count; }
};
