#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// One field line of a report as data: the label column, the raw column and
// the interpretation, as the user reads them (blanks around the label and
// the raw column, and after the interpretation, left out). The texts belong
// to the CTelegramFields the field was read from.
struct CTelegramField {
    std::string_view label;
    std::string_view raw;
    std::string_view text;
};

// The field lines of one telegram, in report order. All their texts stand
// in one buffer, so adding a field costs no allocation of its own.
class CTelegramFields {
public:
    class const_iterator {
    public:
        using value_type = CTelegramField;
        using difference_type = std::ptrdiff_t;
        const_iterator(const CTelegramFields* fields, std::size_t at) : fields(fields), at(at) {}
        CTelegramField operator*() const { return (*fields)[at]; }
        const_iterator& operator++()
        {
            ++at;
            return *this;
        }
        bool operator==(const const_iterator& other) const = default;

    private:
        const CTelegramFields* fields;
        std::size_t at;
    };

    CTelegramFields() = default;
    CTelegramFields(std::initializer_list<CTelegramField> fields);

    // Adds a field from the texts of its report line: blanks around label
    // and raw, and after text, are left out.
    void Add(std::string_view label, std::string_view raw, std::string_view text);
    // Carries the last field's text on with the text of a line of its own
    // (blanks around it left out), joined to it with a blank.
    void Continue(std::string_view text);

    std::size_t size() const { return ends.size(); }
    bool empty() const { return ends.empty(); }
    CTelegramField operator[](std::size_t at) const;
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, ends.size()}; }

private:
    // Where a field's texts end in the buffer; each begins where the one
    // before it ends.
    struct CEnds {
        std::uint32_t label, raw, text;
    };
    std::string texts;
    std::vector<CEnds> ends;
};
