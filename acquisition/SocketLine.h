#pragma once
#include <optional>
#include <vector>

#include "acquisition/Line.h"
#include "acquisition/ReadInterrupt.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SocketAddress.h"

// What the network lines share: their socket, the interruption that ends
// their waits, the URL they were opened for and the pace of their retries.
// They only listen: nothing is ever sent.
class CSocketLine : public CLine {
public:
    ~CSocketLine() override;

    void Close() override;
    bool IsOpen() const override { return fd >= 0; }
    void SetTimeouts(const COMMTIMEOUTS& newTimeouts) override { timeouts = newTimeouts; }
    void InterruptRead() override { interrupt.Signal(); }
    void ClearInterrupt() override { interrupt.Clear(); }
    std::string Name() const override { return url; }
    std::chrono::milliseconds RetryInterval() const override { return std::chrono::seconds(1); }

protected:
    // Closes what was open and takes the URL of the next opening; a URL the
    // port map could not read is refused with its fault.
    void BeginOpen(const CLineAddress& address);
    // The addresses of host; nullopt when the user or the shut-down ended the wait.
    std::optional<std::vector<CSocketAddress>> Resolve(const CAddressResolver::CQuery& query);
    // A non-blocking socket, kept as the line's until Close.
    void MakeSocket(int family, int type);
    // Throws the system's error, or a reason of its own, closing the socket first.
    [[noreturn]] void Fail(int error, const std::string& reason = std::string());

    int fd = -1;
    CReadInterrupt interrupt;
    COMMTIMEOUTS timeouts;

private:
    std::string url;
    CAddressResolver resolver;
};
