#pragma once
#include <memory>
#include <string>
#include <vector>

// A message kind a generator sends, and where a fresh generator sends a
// telegram of that kind: the longest of the kind where its length varies.
struct CGeneratedKind {
    const char* name;          // "Ssbl", "Lbl": a word, for benchmark names
    unsigned telegramsBefore;  // how many telegrams a fresh generator sends before that one
};

// Makes valid telegrams of one format, as a positioning system would send
// them: every message kind of the format in turn, several transponder
// indexes, plausible values that move from one telegram to the next. Used
// by the simulator, the demo line, the tests and the benchmarks.
class CTelegramGenerator {
public:
    virtual ~CTelegramGenerator() = default;

    // The bytes of the next telegram.
    virtual std::string Next() = 0;

    // Every message kind this generator sends, in the order it first sends them.
    virtual std::vector<CGeneratedKind> MessageKinds() const = 0;

    // The generator of a telegram type code's format, or null when the code has no format.
    static std::unique_ptr<CTelegramGenerator> Create(int typeCode);
};

// The text printf writes for format and its arguments, cut at 255
// characters: the numbers, dates and times of generated telegrams.
std::string Printed(const char* format, ...) __attribute__((format(printf, 1, 2)));
