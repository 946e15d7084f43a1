#include "report/RtfReader.h"

#include <cctype>
#include <cstdlib>

namespace {

struct Attributes {
    int colour = 0;
    bool bold = false;
    bool underline = false;
    int fontSize = 24;
    bool skipped = false;   // inside the font or colour table
};

class Parser {
public:
    Parser(const std::string& document, CRtfReader::TextLineEnds lineEnds) : doc(document), lineEnds(lineEnds) {}

    std::vector<CRtfRun> Run()
    {
        std::vector<Attributes> groups;
        Attributes current;
        while (pos < doc.size()) {
            const char c = doc[pos];
            if (c == '{') {
                groups.push_back(current);
                ++pos;
            } else if (c == '}') {
                if (!groups.empty()) {
                    current = groups.back();
                    groups.pop_back();
                }
                ++pos;
            } else if (c == '\\') {
                ReadControl(current);
            } else if (c == '\r' || c == '\n') {
                ReadLineEnd(current);
            } else {
                ++pos;
                AddText(current, std::string(1, c));
            }
        }
        return std::move(runs);
    }

private:
    void ReadLineEnd(const Attributes& attrs)
    {
        const bool pair = doc.compare(pos, 2, "\r\n") == 0;
        if (pair && lineEnds == CRtfReader::TextLineEnds::Break && attrs.colour != kRawColumnColour) {
            AddBreak(attrs);
            pos += 2;
            return;
        }
        ++pos;
    }

    void ReadControl(Attributes& attrs)
    {
        ++pos;  // the backslash
        if (pos >= doc.size())
            return;
        const char c = doc[pos];
        if (c == '\\' || c == '{' || c == '}') {
            ++pos;
            AddText(attrs, std::string(1, c));
            return;
        }
        if (c == '\'') {
            ReadHexByte(attrs);
            return;
        }
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            ++pos;  // a control symbol we do not use
            return;
        }
        std::string word;
        while (pos < doc.size() && std::isalpha(static_cast<unsigned char>(doc[pos])))
            word += doc[pos++];
        std::string digits;
        if (pos < doc.size() && (doc[pos] == '-' || std::isdigit(static_cast<unsigned char>(doc[pos]))))
            digits += doc[pos++];
        while (pos < doc.size() && std::isdigit(static_cast<unsigned char>(doc[pos])))
            digits += doc[pos++];
        if (pos < doc.size() && doc[pos] == ' ')
            ++pos;  // the delimiter belongs to the control word
        Apply(attrs, word, digits);
    }

    void ReadHexByte(Attributes& attrs)
    {
        ++pos;  // the quote
        if (pos + 2 > doc.size()) {
            pos = doc.size();
            return;
        }
        const std::string hex = doc.substr(pos, 2);
        pos += 2;
        char* end = nullptr;
        const long value = std::strtol(hex.c_str(), &end, 16);
        if (end == hex.c_str() + 2)
            AddText(attrs, std::string(1, static_cast<char>(value)));
    }

    void Apply(Attributes& attrs, const std::string& word, const std::string& digits)
    {
        const bool hasValue = !digits.empty();
        const int value = hasValue ? std::atoi(digits.c_str()) : 0;
        if (word == "fonttbl" || word == "colortbl")
            attrs.skipped = true;
        else if (word == "line" || word == "par")
            AddBreak(attrs);
        else if (word == "cf")
            attrs.colour = value;
        else if (word == "b")
            attrs.bold = !hasValue || value != 0;
        else if (word == "ul")
            attrs.underline = !hasValue || value != 0;
        else if (word == "ulnone")
            attrs.underline = false;
        else if (word == "fs")
            attrs.fontSize = value;
        else if (word == "plain") {
            attrs.bold = attrs.underline = false;
            attrs.colour = 0;
        }
    }

    void AddText(const Attributes& attrs, const std::string& text)
    {
        if (attrs.skipped)
            return;
        if (!runs.empty()) {
            CRtfRun& last = runs.back();
            if (!last.lineBreak && last.colour == attrs.colour && last.bold == attrs.bold &&
                last.underline == attrs.underline && last.fontSize == attrs.fontSize) {
                last.text += text;
                return;
            }
        }
        runs.push_back(CRtfRun{text, attrs.colour, attrs.bold, attrs.underline, attrs.fontSize, false});
    }

    void AddBreak(const Attributes& attrs)
    {
        if (attrs.skipped)
            return;
        runs.push_back(CRtfRun{"\n", attrs.colour, attrs.bold, attrs.underline, attrs.fontSize, true});
    }

    static constexpr int kRawColumnColour = 1;

    const std::string& doc;
    const CRtfReader::TextLineEnds lineEnds;
    std::size_t pos = 0;
    std::vector<CRtfRun> runs;
};

} // namespace

std::vector<CRtfRun> CRtfReader::Parse(const std::string& document, TextLineEnds lineEnds)
{
    return Parser(document, lineEnds).Run();
}

std::string CRtfReader::PlainText(const std::vector<CRtfRun>& runs)
{
    std::string text;
    for (const CRtfRun& run : runs)
        text += run.text;
    return text;
}

std::string CRtfReader::PlainText(const std::string& document, TextLineEnds lineEnds)
{
    return PlainText(Parse(document, lineEnds));
}
