#pragma once
#include <chrono>
#include <string>
#include <vector>

#include "acquisition/SocketLine.h"

struct msghdr;

// Telegrams as UDP datagrams: one datagram is one telegram, handed on as it
// arrives (no silence to wait for) and stamped on arrival. A datagram of
// more bytes than a read asks for is handed on in pieces of that size, as a
// serial read would cut it; for a format whose telegrams are lines of text
// every line of a datagram is a telegram of its own, with its line end (a
// last piece without one too). The pieces still waiting from a datagram are
// handed on by the next reads at once. No datagram within the total timeout
// is an empty read, as on a silent serial line. The socket holds a few MiB
// of datagrams, so that a burst waits for the reader rather than being
// dropped; what the system drops all the same is counted.
class CUdpLine : public CSocketLine {
public:
    CLineAddress::Kind Kind() const override { return CLineAddress::Kind::Udp; }
    // Binds the address's local address and port, joins it when it is a
    // multicast group and looks up the one sender to read (from=).
    void Open(const CLineAddress& address, const CSerialFrame& frame) override;
    CLineRead Read(unsigned char* buffer, std::size_t count) override;
    void SetLineBasedFormat(bool on) override { lineBased = on; }
    bool IsTelegramWaiting() override;
    std::uint64_t DroppedBySystem() const override { return droppedBySystem; }

private:
    enum class Wait { Datagram, Deadline, Interrupted };
    using Clock = std::chrono::steady_clock;

    // The only senders read, when the address names one; false when the
    // wait for its addresses was interrupted.
    bool FindSenders(const std::string& from, int family);
    void Bind(const CSocketAddress& local);
    // Room for a burst, and the system's count of the datagrams it dropped.
    void PrepareReceiveQueue();
    void JoinGroup(const CSocketAddress& group, const std::string& joinInterface);
    unsigned InterfaceIndex(const std::string& name);
    // True when it took a datagram, or dropped one, and should look again.
    bool ReceiveDatagram();
    // The system's running count of dropped datagrams, as a datagram carries it.
    void NoteDrops(msghdr& message);
    Wait WaitForDatagram(Clock::time_point deadline, bool hasDeadline);
    std::size_t TakePiece(unsigned char* buffer, std::size_t count);

    std::vector<unsigned char> datagram;  // the last datagram taken
    std::size_t pendingFrom = 0;          // its bytes still to be handed on: [pendingFrom, pendingTo)
    std::size_t pendingTo = 0;
    double arrival = 0.0;                 // when it came, in Tickwarden milliseconds
    std::vector<CSocketAddress> senders;  // from=: the only hosts read; empty for any
    bool lineBased = false;
    std::uint32_t systemDropCount = 0;    // the system's count as last seen (it wraps)
    std::uint64_t droppedBySystem = 0;
};
