#pragma once
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "decoders/TelegramFramer.h"

// Framing by content: holds the bytes of one line's stream as they arrive
// and gives them out as reads, each a telegram cut by the format's framer
// or the noise between telegrams.
//
//  - A telegram is handed on as soon as its last byte is in, with no wait
//    for silence.
//  - Bytes that belong to no telegram are handed on as one read of their
//    own as soon as what follows them is a telegram or may begin one:
//    noise never waits for more bytes.
//  - A telegram that only waits for bytes that may show otherwise (a line
//    ended by LF, which a CR may follow; a frame that a telegram whose
//    check holds may yet be seen to begin within) is handed on after a
//    brief quiet by TakeProvisional.
//  - When the receive timeout runs out or the line ends, TakeRest hands on
//    what is there: the telegrams it holds, and what begins none (a
//    telegram begun and not finished) as it is.
//  - The framer is told of every telegram handed on, to learn from it
//    what the line's telegrams have in common.
//  - No read is longer than kReadLimit: noise and begun telegrams that
//    reach it are handed on in reads of kReadLimit, as a serial read of
//    that size would cut them.
//
// Every byte appended ends up in exactly one read, in order, so the reads
// put together are the bytes of the line.
class CContentFraming {
public:
    static constexpr std::size_t kReadLimit = CTelegramFramer::kReadLimit;

    explicit CContentFraming(std::unique_ptr<CTelegramFramer> framer);

    void Append(std::string_view bytes);

    // The next complete read, if any; HoldsRead tells whether there is one.
    std::optional<std::string> TakeRead();
    bool HoldsRead() const;
    // Whether what is left, once the complete reads are taken, is a
    // telegram that only waits for a byte that may extend it.
    bool HoldsProvisional() const;
    // The next read after a brief quiet: the next complete one, or else a
    // telegram that only waited for a byte that may extend it.
    std::optional<std::string> TakeProvisional();
    // The next read when no more bytes are to come: what is there, parted
    // by the frames it shows as if a telegram began it (one whose check
    // fails is a read of its own still); bytes that begin no frame whole
    // within what is there are noise up to the next telegram. Empty only
    // when nothing is left.
    std::optional<std::string> TakeRest();

    std::size_t Buffered() const { return buffer.size() - front; }

    // How many whole telegrams one read holds by their content, as far as
    // the framer knows the line (a read framed by silence that holds
    // several tells the user that framing by content would part them).
    static int CountTelegrams(const CTelegramFramer& framer, std::string_view read);

private:
    enum class Ending { MoreMayCome, QuietSoFar, NothingMoreComes };
    struct CNextRead {
        std::size_t length;  // 0 while the next read is not complete
        bool telegram;
    };

    CNextRead NextRead(Ending ending) const;
    std::optional<std::string> Take(Ending ending);

    std::unique_ptr<CTelegramFramer> framer;
    std::string buffer;
    std::size_t front = 0;
    // Whether the last read was a telegram, so the next is expected at once.
    bool afterTelegram = false;
};
