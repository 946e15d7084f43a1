#include "decoders/BinaryFramer.h"

CTelegramFramer::CCut CBinaryFramer::Cut(std::string_view bytes, Start start) const
{
    if (bytes.empty())
        return NeedMore();
    const CVerdict verdict = Judge(bytes, start);
    switch (verdict.kind) {
    case CVerdict::Kind::Telegram:
        return Telegram(verdict.length);
    case CVerdict::Kind::Provisional:
        return Provisional(verdict.length);
    case CVerdict::Kind::Maybe:
        return NeedMore();
    case CVerdict::Kind::None:
        break;
    }
    return Noise(NoiseLength(bytes));
}

std::size_t CBinaryFramer::NoiseLength(std::string_view bytes) const
{
    for (std::size_t at = 1; at < bytes.size(); ++at) {
        if (Judge(bytes.substr(at), Start::Unknown).kind != CVerdict::Kind::None)
            return at;
    }
    return bytes.size();
}
