#include <gtest/gtest.h>

#include <string>

#include "decoders/FormatTable.h"
#include "simulation/TelegramGenerator.h"
#include "tests/decoders/DecoderTestSupport.h"

namespace {

// The simulator, the demo line and the tests can play every format the
// table lists, and what they play passes the format's own checks.
TEST(TelegramGenerator, EveryFormatOfTheTableHasAGeneratorOfGoodTelegrams)
{
    for (const CFormatEntry& format : CFormatTable::Formats()) {
        SCOPED_TRACE(format.name);
        auto generator = CTelegramGenerator::Create(format.code);
        ASSERT_NE(generator, nullptr);
        auto decoder = format.makeDecoder();
        for (int i = 0; i < 20; ++i) {
            const std::string telegram = generator->Next();
            EXPECT_LE(telegram.size(), 256u);
            EXPECT_EQ(decoder->Validate(CByteView(telegram)), kStatusOk) << "telegram " << i;
            const CDecodeResult result = DecodeTelegram(*decoder, telegram);
            EXPECT_EQ(result.text.find("ERROR"), std::string::npos) << result.text;
        }
    }
}

TEST(TelegramGenerator, CodesWithoutAFormatHaveNoGenerator)
{
    for (int code : {5, 7, -1, 1000})
        EXPECT_EQ(CTelegramGenerator::Create(code), nullptr) << code;
}

} // namespace
