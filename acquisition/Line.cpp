#include "acquisition/Line.h"

#include "acquisition/SerialLine.h"

std::unique_ptr<CLine> CLine::Create(CLineAddress::Kind)
{
    return std::make_unique<CSerialLine>();
}
