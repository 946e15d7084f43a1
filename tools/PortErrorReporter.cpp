#include "tools/PortErrorReporter.h"

std::string CPortErrorReporter::LineFor(const CLineEvent& event)
{
    switch (event.kind) {
    case CLineEvent::Kind::Back:
    case CLineEvent::Kind::Replaced:
        toldReason.clear();
        toldLost = false;
        return {};
    case CLineEvent::Kind::Refused:
    case CLineEvent::Kind::Lost:
        break;
    case CLineEvent::Kind::Reconnecting:
    case CLineEvent::Kind::DroppedBySystem:
    case CLineEvent::Kind::ClosedByUser:
        return {};
    }
    const bool lost = event.kind == CLineEvent::Kind::Lost;
    if (event.reason == toldReason && lost == toldLost)
        return {};
    toldReason = event.reason;
    toldLost = lost;
    if (event.reason.empty())
        return {};
    const std::string device = event.linePath.empty() ? "no device" : event.linePath;
    // A reason that names the device itself ("/dev/ttyUSB0 is not open
    // to you: ...") is not preceded by its name once more.
    const bool reasonNamesDevice = !event.linePath.empty() && event.reason.starts_with(event.linePath + " ");
    const std::string where = reasonNamesDevice ? "" : " (" + device + ")";
    return "vantrel-cli monitor: " + std::string(lost ? "lost " : "cannot open ") + event.portName + where + ": " +
           event.reason + "\n";
}
