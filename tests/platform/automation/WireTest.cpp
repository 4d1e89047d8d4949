// The messages between a program and its browser server: every kind of
// value survives the trip, whole messages come out however the bytes are
// cut, and a stream that is not the protocol is refused.

#include <gtest/gtest.h>

#include "platform/automation/Wire.h"

namespace {

using automation::wire::Decoder;
using automation::wire::Message;
using automation::wire::Value;
using automation::wire::WireError;

Message sample() {
    return {Value::string("call"), Value::integer(-9007199254740993LL), Value::handle("t0k:12"),
            Value::string(""), Value::string(std::string("a\0b\n:;M5;", 9)), Value::boolean(true),
            Value::boolean(false), Value::null(), Value::empty(), Value::integer(0),
            Value::string("Grüße & 5 €")};
}

TEST(Wire, EveryKindOfValueComesBackAsItWent) {
    Decoder decoder;
    std::string bytes = automation::wire::encode(sample());
    decoder.feed(bytes.data(), bytes.size());
    auto message = decoder.next();
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ(*message, sample());
    EXPECT_FALSE(decoder.next().has_value());
    EXPECT_EQ(decoder.buffered(), 0u);
}

TEST(Wire, MessagesComeOutWholeHoweverTheBytesAreCut) {
    const std::string one = automation::wire::encode(sample());
    const std::string two = automation::wire::encode({Value::string("event"), Value::string("OnQuit")});
    const std::string stream = one + two + one;
    for (size_t cut : {1u, 2u, 3u, 7u, 64u}) {
        Decoder decoder;
        std::vector<Message> got;
        for (size_t pos = 0; pos < stream.size(); pos += cut) {
            decoder.feed(stream.data() + pos, std::min(cut, stream.size() - pos));
            while (auto m = decoder.next()) got.push_back(*m);
        }
        ASSERT_EQ(got.size(), 3u) << "cut " << cut;
        EXPECT_EQ(got[0], sample());
        EXPECT_EQ(got[1][1].text, "OnQuit");
        EXPECT_EQ(got[2], sample());
    }
}

TEST(Wire, ALongTextIsAwaitedNotRefused) {
    const std::string text(200000, 'x');
    const std::string bytes = automation::wire::encode({Value::string(text)});
    Decoder decoder;
    decoder.feed(bytes.data(), bytes.size() - 1);
    EXPECT_FALSE(decoder.next().has_value());
    decoder.feed(bytes.data() + bytes.size() - 1, 1);
    auto message = decoder.next();
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ((*message)[0].text, text);
}

TEST(Wire, AStreamThatIsNotTheProtocolIsRefused) {
    for (const std::string bad : {"X1;", "M1;Q", "M1;S-3:abc", "M1;I;", "M1;I12a;", "M99999999;", "M1;S99999999999:",
                                  "M1;I99999999999999999999;", "M;"}) {
        Decoder decoder;
        decoder.feed(bad.data(), bad.size());
        EXPECT_THROW(decoder.next(), WireError) << bad;
    }
}

}  // namespace
