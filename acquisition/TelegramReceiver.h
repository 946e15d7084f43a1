#pragma once
#include <string>

#include "acquisition/DecodedTelegram.h"
#include "acquisition/LineEvent.h"

// Who the acquisition controller hands every telegram and every line event
// to: the document of the window, or the terminal monitor. Both receive
// them the same way.
//
// Telegrams and line events come in the order they happened, one call at a
// time, without the controller's lock held: on the reader thread, or on the
// thread of a user-interface operation that changed the line (which hands
// over what was waiting, then its own event).
class CTelegramReceiver {
public:
    virtual ~CTelegramReceiver() = default;

    // Once per read, paused display or not, with the read decoded
    // (its record empty when the type has no decoder). The value is shared,
    // never changed: a receiver keeps the pointer for as long as it needs it.
    virtual void OnTelegramDecoded(const CSharedTelegram& telegram) = 0;

    // Whenever the line is refused, lost, reconnecting, back, replaced or
    // closed by the user, or the system dropped datagrams of it.
    virtual void OnLineEvent(const CLineEvent& event) { (void)event; }

    // Something the user is told once, in order with the rest, that is no
    // fault of the line: a stored setting that could not be used (its
    // default was), a pseudo-terminal that keeps a frame of its own. One
    // sentence without a full stop; told whether or not the display is paused.
    virtual void OnNotice(const std::string& text) { (void)text; }

    // Called when writing, synchronising or closing the logs failed; logging
    // has been switched off. reason is the system's error text. Called on the
    // reader thread, or on the thread whose operation closed the logs
    // (switching logging off or on anew, changing the type, destroying the
    // controller), without the controller's lock held.
    virtual void OnLogWriteError(const std::string& reason) { (void)reason; }
};
