#include "acquisition/SerialLine.h"

#include "clock/Tickwarden.h"

void CSerialLine::Open(const CLineAddress& address, const CSerialFrame& frame)
{
    port.Open(address.portNumber, frame.baudRate, frame.parity, frame.dataBits, frame.stopBits,
              CSerialPort::kFlowNone, false);
}

CLineRead CSerialLine::Read(unsigned char* buffer, std::size_t count)
{
    CLineRead result;
    result.count = port.Read(buffer, count, &result.interrupted);
    // The end of the read: 60 ms after the telegram's last byte, at once
    // after its 256th.
    result.receiveTime = CTickwarden::GetPCMilliSecs();
    return result;
}
