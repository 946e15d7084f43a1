#pragma once
#include <cstdint>
#include <string>

// What happened to the line, told to the receivers in order with its
// telegrams. A port that cannot be opened is refused once per reason; a
// lost line stays lost, with the reason it was lost for, through the
// attempts to open it again, until it has been read again. A port the user
// closed is no fault of the line: the time it stays closed is no silence of
// the line's.
struct CLineEvent {
    enum class Kind {
        Refused,       // the port could not be opened: reason says why
        Lost,          // the open line went away (unplugged, hung up, dropped): reason says why
        Reconnecting,  // the lost line could be opened again; it is back once it has been read
        Back,          // the refusal or the loss is over: the port opened, the lost line was read
        // Other settings name another port or frame: what was told of the
        // line before, its fault and the datagrams dropped on it, holds no more.
        Replaced,
        // The system dropped count datagrams of a network line, since the last
        // such event, because they came faster than they were read.
        DroppedBySystem,
        // The user's command closed the port; it is opened again (Back) or
        // refused at the reader's next pass.
        ClosedByUser
    };

    Kind kind = Kind::Back;
    std::string portName;    // the port chosen, "COMn"
    std::string linePath;    // the device path or URL opened or tried; "" when the port names none
    std::string reason;      // Refused and Lost: the system's text
    std::uint64_t count = 0; // DroppedBySystem
    double time = 0.0;       // when it happened, clock milliseconds

    bool operator==(const CLineEvent&) const = default;
};
