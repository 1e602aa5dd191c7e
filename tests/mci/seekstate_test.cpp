#include "seekstate.h"

#include <gtest/gtest.h>

namespace {

using mci::FrameClock;
using mci::SeekState;
using mci::TimeFormat;

// Only the reply to the seek last sent counts, and only a restart after
// that reply is the seek's own: an earlier seek's, or the opening's, would
// have the frame taken as shown before it is.
TEST(SeekStateTest, OnlyTheLastSeeksReplyAndTheRestartAfterItCount)
{
    const struct {
        const char* what;
        bool replyToEarlier;
        bool restartBeforeReply;
        int error;
        bool pendingAfterReply;
        bool restartTaken;
    } cases[] = {
        {"acknowledged", false, false, 0, true, true},
        {"an earlier seek's reply", true, false, 0, true, false},
        {"restarted before the reply", false, true, 0, true, true},
        {"refused", false, false, -12, false, false},
    };
    for (const auto& c : cases) {
        SeekState seek;
        seek.begin(10, 0.4);
        const uint64_t first = seek.issue();
        const uint64_t ticket = seek.issue();
        ASSERT_NE(first, ticket) << c.what;
        if (c.restartBeforeReply) {
            EXPECT_FALSE(seek.takeRestart()) << c.what;
        }
        seek.acknowledge(c.replyToEarlier ? first : ticket, c.error);
        EXPECT_EQ(seek.pending(), c.pendingAfterReply) << c.what;
        EXPECT_EQ(seek.takeRestart(), c.restartTaken) << c.what;
        EXPECT_EQ(seek.awaitingFrame(), c.restartTaken) << c.what;
        EXPECT_FALSE(seek.takeRestart()) << c.what << ": a restart is taken once";
    }
}

// A seek that lands past its target is sent again from further back: one
// second, then four times as far, a few times at most, and never once the
// search would start before the medium.
TEST(SeekStateTest, ASeekIsRetriedFromFurtherBackAFewTimes)
{
    SeekState seek;
    seek.begin(250, 10.0);
    const double offsets[] = {1, 4, 16};
    for (double offset : offsets) {
        seek.issue();
        ASSERT_TRUE(seek.mayRetry());
        EXPECT_EQ(seek.widerDemuxerOffset(), offset);
        seek.setDemuxerOffset(seek.widerDemuxerOffset());
    }
    EXPECT_FALSE(seek.mayRetry()) << "16 s before a target at 10 s";

    seek.setDemuxerOffset(1);
    seek.begin(250, 10.0); // a new seek has its retries afresh
    for (int sent = 1; sent <= 6; ++sent) {
        seek.issue();
        EXPECT_EQ(seek.mayRetry(), sent < 6) << sent << " sent";
    }
}

// The position while a seek or a kept frame stands in for the engine's.
TEST(SeekStateTest, ThePositionIsTheOneAskedForUntilAKeptFrameIsShown)
{
    const FrameClock ms(29.97, TimeFormat::Milliseconds);
    SeekState seek;
    EXPECT_FALSE(seek.position(ms)) << "nothing sought: the engine's time";

    seek.begin(1000, 1.0);
    seek.issue();
    EXPECT_EQ(seek.position(ms), 1000);
    seek.finish();
    EXPECT_FALSE(seek.position(ms));

    seek.showKept(30, 1000);
    EXPECT_EQ(seek.position(ms), 1000) << "not yet shown";
    EXPECT_FALSE(seek.keptDelivered());
    seek.markKeptDelivered();
    EXPECT_TRUE(seek.keptDelivered());
    EXPECT_EQ(seek.position(ms), 1001) << "where frame 30 is";
    EXPECT_EQ(seek.position(FrameClock(29.97, TimeFormat::Frames)), 30);

    seek.showKept(29, 968);
    EXPECT_FALSE(seek.keptDelivered()) << "another kept frame";
    seek.markKeptSettled();
    EXPECT_EQ(seek.position(ms), 968);

    seek.begin(500, 0.5); // the engine seeks: the kept frame is left
    EXPECT_FALSE(seek.kept());
    seek.issue();
    EXPECT_EQ(seek.position(ms), 500);
    seek.standAt(0);
    EXPECT_FALSE(seek.pending());
    EXPECT_FALSE(seek.position(ms));
}

} // namespace
