#pragma once
#include <cstdint>
#include <string>

// Where the line of a port is, read once from its entry in the port map:
//   /dev/ttyUSB0                 a serial port (any text that is not one of
//                                the URLs below is a device path; "" is none)
//   udp://ADDRESS:PORT           datagrams received on that local address
//   udp://:PORT                  ... on every IPv4 interface
//   udp://[::1]:PORT             an IPv6 address, in brackets
//   udp://239.1.2.3:PORT         a multicast group, joined while open
//   tcp://HOST:PORT              a byte stream from a TCP server
// A udp:// entry takes options after '?', joined by '&':
//   from=HOST          only datagrams sent from HOST are read, others dropped
//   interface=IF       the interface that joins a multicast group: its name
//                      ("eth1") or, for an IPv4 group, its address
struct CLineAddress {
    enum class Kind { Device, Udp, Tcp };

    Kind kind = Kind::Device;
    int portNumber = 0;         // the COM number whose entry this is (0 when read from a text alone)
    std::string text;           // the entry as mapped: the device path or the URL
    std::string host;           // udp: the local address ("" every IPv4 interface); tcp: the server
    std::uint16_t port = 0;
    std::string from;           // udp: the only sender read ("" any)
    std::string joinInterface;  // udp multicast: where the group is joined ("" the system's choice)
    std::string error;          // why a URL cannot be used ("" when it can), as the user is told it

    bool IsNetwork() const { return kind != Kind::Device; }

    static CLineAddress Parse(const std::string& entry);
};
