// The saver's side of the Flash player process without the process: the
// JSON lines, the commands that wait for the page, the frame clock and what
// the player's answers mean. The player itself is run by scripts/flash-check.

#include "core/Error.h"
#include "platform/FlashPlayerProtocol.h"
#include "platform/FlashPlayerSession.h"

#include <gtest/gtest.h>

using namespace saver;

namespace {

TEST(JsonLine, FormatsAndParsesBackEscapesNumbersAndFlags)
{
    JsonLine line;
    line.Set("path", "/tmp/a \"b\"\\c\n\x01.swf").Set("id", int64_t(4294967296)).Set("rate", 23.5).Set("on", true);
    const std::string text = line.Format();
    EXPECT_EQ(text, R"({"path":"/tmp/a \"b\"\\c\n\u0001.swf","id":4294967296,"rate":23.5,"on":true})");
    const JsonLine back = JsonLine::Parse(text + "\n");
    EXPECT_EQ(back.String("path"), "/tmp/a \"b\"\\c\n\x01.swf");
    EXPECT_EQ(back.Number("id"), 4294967296.0);
    EXPECT_EQ(back.Number("rate"), 23.5);
    EXPECT_EQ(back.Flag("on"), true);
    EXPECT_EQ(back.String("id"), std::nullopt) << "a number is no string";
    EXPECT_EQ(JsonLine::Parse(R"({"t":"\u00e9\ud83d\ude00"})").String("t"), "\xC3\xA9\xF0\x9F\x98\x80");
}

TEST(JsonLine, OnlyOneFlatObjectIsAccepted)
{
    EXPECT_NO_THROW((void)JsonLine::Parse(" { } "));
    for (const char* bad : {"", "[]", R"({"a":{}})", R"({"a":[1]})", R"({"a":1} x)", R"({"a":"b)", R"({"a":"\q"})",
                            R"({"a":1,})", R"({"a":nul})", R"({"a":1e999})", "{\"a\":\"\x01\"}"})
        EXPECT_THROW((void)JsonLine::Parse(bad), Exception) << bad;
}

TEST(PlayerCommands, UnknownOrIncompleteCommandsGetAnErrorAnswer)
{
    EXPECT_TRUE(ReadPlayerCommand(R"({"cmd":"load","path":"/m.swf","id":1})").Command);
    EXPECT_TRUE(ReadPlayerCommand(R"({"cmd":"play"})").Command);
    const auto error = [](const char* line) {
        const PlayerCommand read = ReadPlayerCommand(line);
        EXPECT_FALSE(read.Command) << line;
        return read.Error ? read.Error->String("event").value_or("") + ": " + read.Error->String("message").value_or("")
                          : std::string("(none)");
    };
    EXPECT_EQ(error(R"({"cmd":"rewind"})"), "error: Unknown command \"rewind\"");
    EXPECT_EQ(error(R"({"cmd":"load","path":7})"), "error: The command \"load\" needs the string \"path\"");
    EXPECT_EQ(error(R"({"cmd":"place","parent":1,"x":0,"y":0,"width":9,"height":9})"),
              "error: The command \"place\" needs the Boolean \"visible\"");
    EXPECT_EQ(error(R"({"path":"/m.swf"})"), "error: A command needs its \"cmd\"");
    EXPECT_NE(error("load /m.swf").find("Bad message"), std::string::npos);
}

TEST(PendingCommands, WaitForThePageThenGoInOrderAndALoadDropsWhatCameBefore)
{
    std::vector<std::string> delivered;
    PendingCommands page([&](const JsonLine& c) { delivered.push_back(c.Format()); });
    page.Submit(JsonLine().Set("cmd", "load").Set("id", 1));
    page.Submit(JsonLine().Set("cmd", "play"));
    page.Submit(JsonLine().Set("cmd", "load").Set("id", 2));
    page.Submit(JsonLine().Set("cmd", "play"));
    EXPECT_TRUE(delivered.empty());
    EXPECT_EQ(page.Queued(), 2u);
    page.SetReady();
    EXPECT_EQ(delivered, (std::vector<std::string>{R"({"cmd":"load","id":2})", R"({"cmd":"play"})"}));
    page.Submit(JsonLine().Set("cmd", "pause"));
    EXPECT_EQ(delivered.back(), R"({"cmd":"pause"})") << "a ready page gets commands at once";
}

TEST(FrameClock, CountsFromOneAtTheRateAndHoldsTheLastFrame)
{
    const uint16_t rate = 25 << 8; // a frame every 40 ms
    EXPECT_EQ(FrameReached(0, rate, 400), 1);
    EXPECT_EQ(FrameReached(39, rate, 400), 1);
    EXPECT_EQ(FrameReached(40, rate, 400), 2);
    EXPECT_EQ(FrameReached(15159, rate, 400), 379);
    EXPECT_EQ(FrameReached(15160, rate, 400), 380);
    EXPECT_EQ(FrameReached(15960, rate, 400), 400);
    EXPECT_EQ(FrameReached(4000000000u, rate, 400), 400) << "held, not looping";
    EXPECT_EQ(FrameReached(5000, 0x0180, 400), 8) << "1.5 frames a second";
    EXPECT_EQ(FrameReached(5000, 0, 400), 1) << "a rate of 0 shows the first frame";
    EXPECT_EQ(FrameReached(5000, rate, 0), 1) << "a movie of 0 frames shows one";
}

struct SessionFixture : ::testing::Test {
    std::vector<JsonLine> sent;
    FlashPlayerSession session{[this](const JsonLine& c) { sent.push_back(c); }};
    SwfHeader movie;

    void SetUp() override
    {
        movie.FrameCount = 400;
        movie.FrameRate = 25 << 8;
    }
    void Answer(const std::string& line, uint32_t now = 0) { session.OnAnswer(JsonLine::Parse(line), now); }
};

TEST_F(SessionFixture, FramesMoveFromWhenThePlayerSaysItPlays)
{
    session.Load("/t/qorvane0.swf", movie);
    session.Play();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].Format(), R"({"cmd":"load","path":"/t/qorvane0.swf","id":1})");
    EXPECT_EQ(sent[1].String("cmd"), "play");
    EXPECT_EQ(session.TotalFrames(), 400) << "known from the header before the player answers";
    EXPECT_EQ(session.CurrentFrame(5000), 1);
    Answer(R"({"event":"loaded","id":1,"frames":400,"rate":25})", 6000);
    Answer(R"({"event":"playing","id":1})", 7000);
    EXPECT_EQ(session.CurrentFrame(7039), 1);
    EXPECT_EQ(session.CurrentFrame(7040), 2);
    EXPECT_EQ(session.CurrentFrame(7000 + 15160), 380);
}

TEST_F(SessionFixture, AnswersAboutAReplacedMovieAreIgnored)
{
    session.Load("/t/qorvane0.swf", movie);
    session.Play();
    session.Load("/t/qorvane1.swf", movie);
    session.Play();
    Answer(R"({"event":"playing","id":1})", 1000);
    Answer(R"({"event":"error","id":1,"message":"old"})", 1000);
    EXPECT_NO_THROW(session.ThrowFailure());
    EXPECT_EQ(session.CurrentFrame(9000), 1) << "movie 2 has not started";
    Answer(R"({"event":"playing","id":2})", 2000);
    EXPECT_EQ(session.CurrentFrame(2040), 2);
}

TEST_F(SessionFixture, AMovieThePlayerCannotLoadFailsOnceAndLeavesNoMovie)
{
    session.Load("/t/qorvane0.swf", movie);
    session.Play();
    Answer(R"({"event":"error","id":1,"message":"Ruffle cannot play the movie: x"})");
    EXPECT_THROW(
        {
            try {
                session.ThrowFailure();
            } catch (const Exception& e) {
                EXPECT_STREQ(e.what(), "Ruffle cannot play the movie: x");
                throw;
            }
        },
        Exception);
    EXPECT_NO_THROW(session.ThrowFailure()) << "reported once";
    EXPECT_EQ(session.TotalFrames(), 0);
    EXPECT_EQ(session.CurrentFrame(1000), 0) << "0 >= 0 - 20: the next tick loads the next movie";
}

TEST_F(SessionFixture, APlayerThatEndsIsAFailureOnlyWithAMovie)
{
    session.PlayerEnded();
    EXPECT_NO_THROW(session.ThrowFailure());
    session.Load("/t/qorvane0.swf", movie);
    session.PlayerEnded();
    EXPECT_THROW(session.ThrowFailure(), Exception);
    EXPECT_FALSE(session.HasMovie());
}

} // namespace
