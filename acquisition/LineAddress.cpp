#include "acquisition/LineAddress.h"

#include <charconv>
#include <string_view>

namespace {

// "udp" or "tcp" when text starts with that scheme (in any case) and "://".
bool HasScheme(std::string_view text, std::string_view scheme)
{
    if (text.size() < scheme.size() + 3 || text.substr(scheme.size(), 3) != "://")
        return false;
    for (std::size_t i = 0; i < scheme.size(); ++i) {
        if ((text[i] | 0x20) != scheme[i])
            return false;
    }
    return true;
}

// Each step of the reading stops at the first fault it finds.
class CUrlReader {
public:
    explicit CUrlReader(CLineAddress& target) : address(target) {}

    void ReadAuthority(std::string_view authority)
    {
        std::string_view portText;
        if (!authority.empty() && authority.front() == '[') {
            const std::size_t close = authority.find(']');
            if (close == std::string_view::npos)
                return Fail("the IPv6 address has no closing ']'");
            address.host = authority.substr(1, close - 1);
            if (address.host.empty())
                return Fail("the brackets hold no IPv6 address");
            if (authority.substr(close + 1, 1) != ":")
                return Fail(MissingPort());
            portText = authority.substr(close + 2);
        } else {
            const std::size_t colon = authority.rfind(':');
            if (colon == std::string_view::npos)
                return Fail(MissingPort());
            address.host = authority.substr(0, colon);
            if (address.host.find(':') != std::string::npos)
                return Fail("an IPv6 address is written in brackets, as " + Scheme() + "[::1]:PORT");
            portText = authority.substr(colon + 1);
        }
        ReadPort(portText);
        if (address.error.empty() && address.kind == CLineAddress::Kind::Tcp && address.host.empty())
            Fail("no host to connect to (tcp://HOST:PORT)");
    }

    void ReadOptions(std::string_view options)
    {
        if (address.kind == CLineAddress::Kind::Tcp)
            return Fail("tcp:// takes no options after '?'");
        while (address.error.empty()) {
            const std::size_t separator = options.find('&');
            ReadOption(options.substr(0, separator));
            if (separator == std::string_view::npos)
                break;
            options.remove_prefix(separator + 1);
        }
    }

private:
    void ReadPort(std::string_view text)
    {
        unsigned value = 0;
        const auto [stop, fault] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (text.empty() || fault != std::errc() || stop != text.data() + text.size() || value == 0 ||
            value > 65535)
            return Fail("bad port '" + std::string(text) + "' (a number from 1 to 65535)");
        address.port = static_cast<std::uint16_t>(value);
    }

    void ReadOption(std::string_view option)
    {
        const std::size_t equals = option.find('=');
        const std::string_view name = option.substr(0, equals);
        const std::string_view value = equals == std::string_view::npos ? "" : option.substr(equals + 1);
        std::string* field = name == "from" ? &address.from : name == "interface" ? &address.joinInterface : nullptr;
        if (field == nullptr)
            return Fail("unknown option '" + std::string(option) + "' (from=HOST or interface=IF)");
        if (value.empty())
            return Fail("the option " + std::string(name) + "= names nothing");
        *field = value;
    }

    std::string Scheme() const { return address.kind == CLineAddress::Kind::Udp ? "udp://" : "tcp://"; }
    std::string MissingPort() const
    {
        return "no port (" + Scheme() + (address.kind == CLineAddress::Kind::Udp ? "ADDRESS" : "HOST") + ":PORT)";
    }
    void Fail(const std::string& reason)
    {
        if (address.error.empty())
            address.error = reason;
    }

    CLineAddress& address;
};

} // namespace

CLineAddress CLineAddress::Parse(const std::string& entry)
{
    CLineAddress address;
    address.text = entry;
    const bool udp = HasScheme(entry, "udp");
    if (!udp && !HasScheme(entry, "tcp"))
        return address;
    address.kind = udp ? Kind::Udp : Kind::Tcp;
    const std::string_view rest = std::string_view(entry).substr(6);
    const std::size_t question = rest.find('?');
    CUrlReader reader(address);
    reader.ReadAuthority(rest.substr(0, question));
    if (question != std::string_view::npos)
        reader.ReadOptions(rest.substr(question + 1));
    return address;
}
