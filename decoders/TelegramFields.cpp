#include "decoders/TelegramFields.h"

namespace {

// A report holds some thirty field lines of about fifty characters.
constexpr std::size_t kUsualTextSize = 1024;
constexpr std::size_t kUsualFieldCount = 40;

std::string_view TrimmedBack(std::string_view text)
{
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

std::string_view Trimmed(std::string_view text)
{
    text = TrimmedBack(text);
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    return text;
}

} // namespace

CTelegramFields::CTelegramFields(std::initializer_list<CTelegramField> fields)
{
    for (const CTelegramField& field : fields)
        Add(field.label, field.raw, field.text);
}

void CTelegramFields::Add(std::string_view label, std::string_view raw, std::string_view text)
{
    if (ends.empty()) {
        texts.reserve(kUsualTextSize);
        ends.reserve(kUsualFieldCount);
    }
    CEnds& added = ends.emplace_back();
    texts += Trimmed(label);
    added.label = static_cast<std::uint32_t>(texts.size());
    texts += Trimmed(raw);
    added.raw = static_cast<std::uint32_t>(texts.size());
    texts += TrimmedBack(text);
    added.text = static_cast<std::uint32_t>(texts.size());
}

void CTelegramFields::Continue(std::string_view text)
{
    text = Trimmed(text);
    if (ends.empty() || text.empty())
        return;
    CEnds& last = ends.back();
    if (last.text > last.raw)
        texts += ' ';
    texts += text;
    last.text = static_cast<std::uint32_t>(texts.size());
}

CTelegramField CTelegramFields::operator[](std::size_t at) const
{
    const std::string_view all(texts);
    const std::uint32_t begin = at == 0 ? 0 : ends[at - 1].text;
    const CEnds& field = ends[at];
    return {all.substr(begin, field.label - begin), all.substr(field.label, field.raw - field.label),
            all.substr(field.raw, field.text - field.raw)};
}
