#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "Engine/Event/EventBus.h"
#include "Engine/Event/EventHandler.h"

namespace {

struct Ping {
    int32_t value = 0;
};
struct Pong {
    double value = 0.0;
};
struct Empty {};
struct Named {
    std::string name;
    uint32_t group = 0;
};
struct Cells {
    std::vector<int32_t> cells;
};

// Writes what it sees into one shared log, tagged with its own name.
struct Recorder {
    std::string tag;
    std::vector<std::string>* log;
    void handle(const Ping& e) { log->push_back(fmt::format("{}:ping{}", tag, e.value)); }
    void handle(const Pong& e) { log->push_back(fmt::format("{}:pong{}", tag, static_cast<int>(e.value))); }
    void handle(const Empty&) { log->push_back(fmt::format("{}:empty", tag)); }
    void handle(const Named& e) { log->push_back(fmt::format("{}:{}/{}", tag, e.name, e.group)); }
};

TEST(EventBus, DispatchOfAnEmptyQueueCallsNothing) {
    EventBus bus;
    std::vector<std::string> log;
    Recorder r{"a", &log};
    bus.subscribe<Ping>(&r);
    bus.dispatch();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(bus.queued_bytes(), 0u);
}

TEST(EventBus, DeliversInPublishOrderAcrossTypesAndSubscribers) {
    EventBus bus;
    std::vector<std::string> log;
    Recorder a{"a", &log};
    Recorder b{"b", &log};
    bus.subscribe<Ping>(&a);
    bus.subscribe<Pong>(&b);
    bus.subscribe<Ping>(&b);
    bus.subscribe<Empty>(&a);

    bus.publish(Ping{1});
    bus.publish(Pong{2.0});
    bus.publish(Empty{});
    bus.publish(Ping{3});
    EXPECT_TRUE(log.empty()) << "delivery is deferred to dispatch";
    bus.dispatch();

    std::vector<std::string> expected = {"a:ping1", "b:ping1", "b:pong2", "a:empty", "a:ping3", "b:ping3"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(bus.queued_bytes(), 0u);
}

struct AlignmentProbe {
    std::vector<uintptr_t> misalignment;
    void handle(const Pong& e) { misalignment.push_back(reinterpret_cast<uintptr_t>(&e) % alignof(Pong)); }
    void handle(const Ping& e) { misalignment.push_back(reinterpret_cast<uintptr_t>(&e) % alignof(Ping)); }
};

TEST(EventBus, RecordsArePackedAfterTheirHeaderAndPayloadsAligned) {
    EventBus bus;
    AlignmentProbe probe;
    bus.subscribe<Pong>(&probe);
    bus.subscribe<Ping>(&probe);
    bus.publish(Empty{}); // 12-byte header + 1 byte, to 16
    bus.publish(Ping{7}); // 12 + 4 = 16
    bus.publish(Pong{1}); // an 8-aligned payload starts at 16: 16 + 8 = 24
    bus.publish(Ping{8});
    EXPECT_EQ(bus.queued_bytes(), 16u + 16u + 24u + 16u);
    bus.dispatch();
    EXPECT_EQ(probe.misalignment, (std::vector<uintptr_t>{0, 0, 0}));
}

TEST(EventBus, SameListenerSubscribedTwiceIsCalledTwice) {
    EventBus bus;
    std::vector<std::string> log;
    Recorder a{"a", &log};
    bus.subscribe<Ping>(&a);
    bus.subscribe<Ping>(&a);
    bus.publish(Ping{5});
    bus.dispatch();
    EXPECT_EQ(log, (std::vector<std::string>{"a:ping5", "a:ping5"}));
}

// Publishes a Pong for each Ping, and a Ping for each Pong below 3.
struct Chain {
    EventBus* bus;
    std::vector<std::string>* log;
    void handle(const Ping& e) {
        log->push_back(fmt::format("chain:ping{}", e.value));
        bus->publish(Pong{static_cast<double>(e.value + 1)});
    }
    void handle(const Pong& e) {
        log->push_back(fmt::format("chain:pong{}", static_cast<int>(e.value)));
        if (e.value < 3) {
            bus->publish(Ping{static_cast<int32_t>(e.value) + 1});
        }
    }
};

TEST(EventBus, EventsPublishedDuringDispatchComeInTheNextPass) {
    EventBus bus;
    std::vector<std::string> log;
    Chain chain{&bus, &log};
    Recorder r{"r", &log};
    bus.subscribe<Ping>(&chain);
    bus.subscribe<Pong>(&chain);
    bus.subscribe<Ping>(&r);

    bus.publish(Ping{0});
    bus.publish(Ping{10});
    bus.dispatch();

    // Pass 1: both pings; pass 2: their pongs; pass 3: the ping from pong 1; pass 4: its pong (3, ends).
    std::vector<std::string> expected = {
        "chain:ping0",  "r:ping0",     "chain:ping10", "r:ping10",    "chain:pong1",
        "chain:pong11", "chain:ping2", "r:ping2",      "chain:pong3",
    };
    EXPECT_EQ(log, expected);
    EXPECT_EQ(bus.queued_bytes(), 0u);
}

TEST(EventBus, UnsubscribeAllRemovesOnlyThatListener) {
    EventBus bus;
    std::vector<std::string> log;
    Recorder a{"a", &log};
    Recorder b{"b", &log};
    Recorder c{"c", &log};
    bus.subscribe<Ping>(&a);
    bus.subscribe<Ping>(&b);
    bus.subscribe<Ping>(&a);
    bus.subscribe<Ping>(&c);
    bus.subscribe<Pong>(&a);
    bus.subscribe<Pong>(&c);

    bus.unsubscribe_all(&a);
    EXPECT_EQ(bus.subscriber_count<Ping>(), 2u);
    EXPECT_EQ(bus.subscriber_count<Pong>(), 1u);
    bus.publish(Ping{1});
    bus.publish(Pong{2.0});
    bus.dispatch();
    // The swap with the last entry reorders the remaining subscribers: c moved into a's first place.
    EXPECT_EQ(log, (std::vector<std::string>{"c:ping1", "b:ping1", "c:pong2"}));
}

// Counts how many objects are alive and how many were destroyed, across moves.
struct Tracked {
    static inline int alive = 0;
    static inline int destroyed_with_value = 0;
    std::string text;
    explicit Tracked(std::string t) : text(std::move(t)) { ++alive; }
    Tracked(Tracked&& other) noexcept : text(std::move(other.text)) { ++alive; }
    Tracked(const Tracked&) = delete;
    ~Tracked() {
        --alive;
        if (!text.empty()) {
            ++destroyed_with_value;
        }
    }
};
struct TrackedEvent {
    Tracked payload;
};

struct TrackedReader {
    std::vector<std::string> seen;
    void handle(const TrackedEvent& e) { seen.push_back(e.payload.text); }
    void handle(const Named& e) { seen.push_back(e.name); }
    void handle(const Cells& e) { seen.push_back(fmt::format("{}@{}", e.cells.size(), e.cells.back())); }
};

TEST(EventBus, OwningPayloadsSurviveQueueGrowthAndAreDestroyedOnce) {
    Tracked::alive = 0;
    Tracked::destroyed_with_value = 0;
    {
        EventBus bus;
        TrackedReader reader;
        bus.subscribe<TrackedEvent>(&reader);
        bus.subscribe<Named>(&reader);
        bus.subscribe<Cells>(&reader);

        // Short strings live inside the object; enough records to make the queue grow several times.
        constexpr int kCount = 2000;
        for (int i = 0; i < kCount; ++i) {
            bus.publish(TrackedEvent{Tracked{fmt::format("t{}", i)}});
            Named named{fmt::format("system{}", i), static_cast<uint32_t>(i % 9)};
            bus.publish(std::move(named));
            EXPECT_TRUE(named.name.empty()) << "the caller's object is moved from";
            bus.publish(Cells{std::vector<int32_t>(static_cast<size_t>(i % 7 + 1), i)});
            bus.publish(Ping{i});
        }
        EXPECT_EQ(Tracked::alive, kCount) << "one live payload per queued record";
        bus.dispatch();
        EXPECT_EQ(Tracked::alive, 0);
        EXPECT_EQ(Tracked::destroyed_with_value, kCount) << "every payload destroyed exactly once";

        ASSERT_EQ(reader.seen.size(), static_cast<size_t>(3 * kCount));
        for (int i = 0; i < kCount; ++i) {
            EXPECT_EQ(reader.seen[static_cast<size_t>(3 * i)], fmt::format("t{}", i));
            EXPECT_EQ(reader.seen[static_cast<size_t>(3 * i + 1)], fmt::format("system{}", i));
            EXPECT_EQ(reader.seen[static_cast<size_t>(3 * i + 2)], fmt::format("{}@{}", i % 7 + 1, i));
        }
    }
}

// Events filled in the queue take the same places as published ones: in order among them, the same record
// sizes, and strings (short ones inside the object) carried along when the queue grows.
TEST(EventBus, EventsFilledInPlaceQueueLikePublishedOnes) {
    EventBus bus;
    TrackedReader reader;
    std::vector<std::string> log;
    Recorder recorder{"r", &log};
    AlignmentProbe probe;
    bus.subscribe<Named>(&reader);
    bus.subscribe<Ping>(&recorder);
    bus.subscribe<Pong>(&recorder);
    bus.subscribe<Pong>(&probe);

    bus.publish(Ping{1});
    bus.publish_filled<Pong>([](Pong& e) { e.value = 2.0; });
    bus.publish_filled<Ping>([](Ping& e) { e.value = 3; });
    EXPECT_EQ(bus.queued_bytes(), 16u + 24u + 16u);
    constexpr int kCount = 2000;
    const auto name = [](int i) { return i % 2 == 0 ? fmt::format("n{}", i) : fmt::format("a longer name {}", i); };
    for (int i = 0; i < kCount; ++i) {
        bus.publish_filled<Named>([&](Named& e) { e.name = name(i); });
    }
    bus.dispatch();
    EXPECT_EQ(log, (std::vector<std::string>{"r:ping1", "r:pong2", "r:ping3"}));
    EXPECT_EQ(probe.misalignment, (std::vector<uintptr_t>{0}));
    ASSERT_EQ(reader.seen.size(), static_cast<size_t>(kCount));
    for (int i = 0; i < kCount; ++i) {
        EXPECT_EQ(reader.seen[static_cast<size_t>(i)], name(i));
    }
}

TEST(EventBus, UndeliveredOwningPayloadsAreDestroyed) {
    Tracked::alive = 0;
    Tracked::destroyed_with_value = 0;
    {
        EventBus bus;
        // Nobody subscribes: dispatch drops the record but still destroys its payload.
        bus.publish(TrackedEvent{Tracked{"dropped"}});
        bus.dispatch();
        EXPECT_EQ(Tracked::alive, 0);
        // Still queued when the bus goes away.
        bus.publish(TrackedEvent{Tracked{"left over"}});
        EXPECT_EQ(Tracked::alive, 1);
    }
    EXPECT_EQ(Tracked::alive, 0);
    EXPECT_EQ(Tracked::destroyed_with_value, 2);
}

// A handler over two event types with its own subscribe and unsubscribe.
struct PingPongHandler : EventHandlerBase<PingPongHandler, Ping, Pong> {
    explicit PingPongHandler(EventBus& bus) : EventHandlerBase(bus) {}
    std::vector<std::string> seen;
    void handle(const Ping& e) {
        seen.push_back(fmt::format("ping{}", e.value));
        if (e.value == 1) {
            publish(Pong{9.0});
        }
    }
    void handle(const Pong& e) { seen.push_back(fmt::format("pong{}", static_cast<int>(e.value))); }
};

TEST(EventHandlerBase, SubscribesOnConstructionAndUnsubscribesOnce) {
    EventBus bus;
    {
        PingPongHandler handler(bus);
        EXPECT_TRUE(handler.subscribed());
        handler.subscribe(); // already subscribed: no second subscription
        EXPECT_EQ(bus.subscriber_count<Ping>(), 1u);
        EXPECT_EQ(bus.subscriber_count<Pong>(), 1u);

        bus.publish(Ping{1});
        bus.dispatch();
        EXPECT_EQ(handler.seen, (std::vector<std::string>{"ping1", "pong9"}));

        handler.unsubscribe();
        EXPECT_FALSE(handler.subscribed());
        EXPECT_EQ(bus.subscriber_count<Ping>(), 0u);
        bus.publish(Ping{2});
        bus.dispatch();
        EXPECT_EQ(handler.seen.size(), 2u);

        handler.subscribe();
        EXPECT_EQ(bus.subscriber_count<Ping>(), 1u);
    }
    // The destructor removed the subscriptions again.
    EXPECT_EQ(bus.subscriber_count<Ping>(), 0u);
    EXPECT_EQ(bus.subscriber_count<Pong>(), 0u);
}

} // namespace
