// The ring between the engine threads and the event thread.
#include "player/EventRing.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<PlayerEvent> Drain(EventRing& ring)
{
    std::vector<PlayerEvent> out;
    PlayerEvent event;
    while (ring.Take(event))
        out.push_back(event);
    return out;
}

PlayerEvent Position(int64_t us) { return {PlayerEventKind::Position, us}; }
PlayerEvent State(int64_t state) { return {PlayerEventKind::State, state}; }
PlayerEvent Stop() { return {PlayerEventKind::Stop, 0}; }

}  // namespace

TEST(EventRing, ConsecutiveEventsOfOneKindCollapseIntoTheNewest)
{
    struct Case {
        const char* name;
        std::vector<PlayerEvent> posted;
        std::vector<PlayerEvent> delivered;
    };
    const std::vector<Case> cases = {
        {"two positions", {Position(100), Position(200)}, {Position(200)}},
        {"two states", {State(0), State(1)}, {State(1)}},
        {"kinds alternate", {Position(1), State(5), Position(2)}, {Position(1), State(5), Position(2)}},
        {"runs collapse separately",
         {Position(1), Position(2), State(1), State(2), Position(3)},
         {Position(2), State(2), Position(3)}},
        {"stop after a state", {State(4), Stop()}, {State(4), Stop()}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EventRing ring;
        for (const PlayerEvent& e : c.posted)
            ring.Post(e);
        const std::vector<PlayerEvent> got = Drain(ring);
        ASSERT_EQ(got.size(), c.delivered.size());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].Kind, c.delivered[i].Kind) << i;
            EXPECT_EQ(got[i].Value, c.delivered[i].Value) << i;
        }
    }
}

TEST(EventRing, ADeliveredEventNoLongerCollapses)
{
    EventRing ring;
    ring.Post(Position(1));
    PlayerEvent event;
    ASSERT_TRUE(ring.Take(event));
    ring.Post(Position(2));
    ASSERT_TRUE(ring.Take(event));
    EXPECT_EQ(event.Value, 2);
    EXPECT_FALSE(ring.Take(event));
}

TEST(EventRing, AFullRingDropsItsOldestAndKeepsNine)
{
    EventRing ring;
    for (int i = 0; i < 12; ++i)
        ring.Post(i % 2 ? State(i) : Position(i));
    EXPECT_EQ(ring.Count(), EventRing::kCapacity - 1);
    const std::vector<PlayerEvent> got = Drain(ring);
    ASSERT_EQ(got.size(), 9u);
    EXPECT_EQ(got.front().Value, 3);
    EXPECT_EQ(got.back().Value, 11);
}

TEST(EventRing, TheNotEmptySignalFollowsTheContents)
{
    EventRing ring;
    EXPECT_FALSE(ring.WaitNotEmpty(0));
    ring.Post(Stop());
    EXPECT_TRUE(ring.WaitNotEmpty(0));
    PlayerEvent event;
    ASSERT_TRUE(ring.Take(event));
    EXPECT_FALSE(ring.WaitNotEmpty(0)) << "taking the last entry clears the signal";
}
