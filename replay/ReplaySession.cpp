#include "replay/ReplaySession.h"

#include <algorithm>

#include "replay/ReadSource.h"

CReplaySession::CReplaySession(std::vector<std::string> paths, COptions sessionOptions)
    : files(std::move(paths)), options(sessionOptions)
{
}

CReplaySession::~CReplaySession() = default;
CReplaySession::CReplaySession(CReplaySession&&) noexcept = default;
CReplaySession& CReplaySession::operator=(CReplaySession&&) noexcept = default;

std::optional<int> CReplaySession::TypeCode(const MessageSink& messages)
{
    if (options.typeCode)
        return options.typeCode;
    const MessageSink silent = [](const CReplayMessage&) {};
    for (const std::string& file : files) {
        const std::unique_ptr<CReadSource> probe = OpenReadSource(file, options, std::nullopt, silent);
        if (probe && probe->NamedTypeCode()) {
            options.typeCode = probe->NamedTypeCode();
            return options.typeCode;
        }
    }
    // Why the first file names none.
    if (!files.empty())
        OpenReadSource(files.front(), options, std::nullopt, messages);
    messages({"", 0, "no file names its format (a capture's \"format\", a CSV log's header rows): give the type"});
    return std::nullopt;
}

void CReplaySession::Rewind()
{
    source.reset();
    current = 0;
    ordinal = 0;
    previousUtcMs = 0;
    pendingMark.reset();
    backwardsToldIn = static_cast<std::size_t>(-1);
    toldInFile = {static_cast<std::size_t>(-1), 0};
}

void CReplaySession::SeekTo(const CMark& mark)
{
    Rewind();
    current = mark.file;
    ordinal = mark.ordinal;
    previousUtcMs = mark.previousUtcMs;
    if (mark.inFile)
        pendingMark = mark;
}

bool CReplaySession::OpenFile(std::size_t file, const MessageSink& messages)
{
    source = OpenReadSource(files[file], options, options.typeCode, messages);
    if (source && pendingMark && pendingMark->file == file)
        source->Restore(*pendingMark);
    pendingMark.reset();
    return source != nullptr;
}

std::optional<CRecordedRead> CReplaySession::Next(const MessageSink& tell)
{
    // A file that is wrong throughout tells its first faults only.
    const MessageSink messages = [this, &tell](const CReplayMessage& message) {
        if (toldInFile.first != current)
            toldInFile = {current, 0};
        if (++toldInFile.second <= kMessagesPerFile)
            tell(message);
        if (toldInFile.second == kMessagesPerFile)
            tell({message.file, 0, "further faults of this file are not told"});
    };
    while (current < files.size()) {
        if (!source && !OpenFile(current, messages)) {
            ++current;
            continue;
        }
        std::optional<CRecordedRead> read = source->Next(messages);
        if (!read) {
            source.reset();
            ++current;
            continue;
        }
        if (ordinal > 0 && read->time.utcMilliseconds < previousUtcMs) {
            if (backwardsToldIn != current) {
                backwardsToldIn = current;
                messages({read->file, read->line,
                          "the time goes back to " + read->time.IsoText() +
                              ": played at the time before (told once a file)"});
            }
            read->time.utcMilliseconds = previousUtcMs;
        }
        previousUtcMs = read->time.utcMilliseconds;
        // Reads of the logs are numbered as the session counts them.
        if (!read->number)
            read->number = static_cast<int>(ordinal + 1);
        ++ordinal;
        return read;
    }
    return std::nullopt;
}

CReplaySession::CMark CReplaySession::Mark() const
{
    CMark mark;
    mark.file = current;
    mark.ordinal = ordinal;
    mark.previousUtcMs = previousUtcMs;
    if (source) {
        mark.inFile = true;
        source->FillMark(mark);
    }
    return mark;
}

double CReplaySession::Progress() const
{
    if (files.empty())
        return 1.0;
    double done = static_cast<double>(current);
    if (source && source->TotalBytes() > 0)
        done += static_cast<double>(source->BytesRead()) / static_cast<double>(source->TotalBytes());
    return std::min(1.0, done / static_cast<double>(files.size()));
}
