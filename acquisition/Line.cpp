#include "acquisition/Line.h"

#include "acquisition/SerialLine.h"
#include "acquisition/TcpLine.h"
#include "acquisition/UdpLine.h"

std::unique_ptr<CLine> CLine::Create(CLineAddress::Kind kind)
{
    switch (kind) {
    case CLineAddress::Kind::Udp:
        return std::make_unique<CUdpLine>();
    case CLineAddress::Kind::Tcp:
        return std::make_unique<CTcpLine>();
    case CLineAddress::Kind::Device:
        break;
    }
    return std::make_unique<CSerialLine>();
}
