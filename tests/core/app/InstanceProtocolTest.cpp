#include "core/app/InstanceProtocol.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

using InstanceProtocol::LineReader;

TEST(InstanceProtocol, requestsAndRepliesGoOverAsOneLineEachAndNothingElseIsRead) {
    const InstanceRequest paste{InstanceRequest::Kind::paste,
                                "Grüße “Anna”",
                                {{"Account", "12345"}, {"Note", "two\nlines"}}};
    const std::string line = InstanceProtocol::line(paste);
    EXPECT_EQ(line.find('\n'), line.size() - 1);
    EXPECT_EQ(InstanceProtocol::request(line.substr(0, line.size() - 1)), paste);

    const InstanceReply reply = *InstanceProtocol::reply(
        InstanceProtocol::line(InstanceReply{2, "out", "quillo: no such snippet\n"}));
    EXPECT_EQ(reply.status, 2);
    EXPECT_EQ(reply.error, "quillo: no such snippet\n");

    // Anything but a well-formed request is refused.
    EXPECT_EQ(InstanceProtocol::request(R"({"request":"settings"})"),
              InstanceRequest{InstanceRequest::Kind::settings});
    for (const char* bad : {"", "not json", "[]", R"({"request":"format-disk"})",
                            R"({"request":"paste","argument":7})",
                            R"({"request":"paste","values":{"Account":12345}})",
                            R"({"request":"paste","values":["x"]})", "{\"request\":\"show\"} {}",
                            "{\"request\":\"show\",\"argument\":\"\xff\"}"})
        EXPECT_FALSE(InstanceProtocol::request(bad)) << bad;
    EXPECT_FALSE(InstanceProtocol::reply(R"({"status":300,"output":"","error":""})"));
}

TEST(InstanceProtocol, theReaderTakesOneLineInPiecesAndNoMoreThanTheLimit) {
    LineReader reader;
    EXPECT_EQ(reader.feed(R"({"request":)"), LineReader::State::waiting);
    EXPECT_EQ(reader.feed("\"show\"}\nmore"), LineReader::State::complete);
    EXPECT_EQ(reader.line(), R"({"request":"show"})");

    LineReader flooded;
    const std::string chunk(64 * 1024, 'x');
    LineReader::State state = LineReader::State::waiting;
    for (int i = 0; i < 5 && state == LineReader::State::waiting; ++i)
        state = flooded.feed(chunk);
    EXPECT_EQ(state, LineReader::State::tooLong);
    EXPECT_EQ(flooded.feed("\n"), LineReader::State::tooLong) << "refused for good";
}

} // namespace
} // namespace quillo
