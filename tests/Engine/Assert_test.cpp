// PELLMAR_ASSERT stops checked builds (Debug, asan, tsan) at a programmer error and costs nothing in Release;
// readable type names for log lines.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "Engine/Assert.h"
#include "Engine/EntityPool.h"
#include "Engine/TypeId.h"
#include "Engine/TypeName.h"

namespace {

template <int N>
struct NumberedComponent {
    int value = N;
};

template <int... Ns>
void request_component_ids(std::integer_sequence<int, Ns...>) {
    (component_type_id<NumberedComponent<Ns>>(), ...);
}

struct Position {
    float x = 0.0f;
};
struct Speed {
    float v = 0.0f;
};
struct Mover {
    Position position;
    Speed speed;
};

} // namespace

TEST(Assert, ConditionIsEvaluatedOnlyInCheckedBuilds) {
    int evaluated = 0;
    PELLMAR_ASSERT((++evaluated, true), "never fails");
    EXPECT_EQ(evaluated, kPellmarAssertsOn ? 1 : 0);
#if defined(NDEBUG) && !defined(PELLMAR_CHECKED)
    EXPECT_FALSE(kPellmarAssertsOn) << "a Release build keeps its asserts off";
#endif
}

TEST(AssertDeathTest, FailureNamesTheMessageTheConditionAndThePlace) {
    if (!kPellmarAssertsOn) {
        GTEST_SKIP() << "asserts are off in this build";
    }
    const int cells = 3;
    EXPECT_DEATH(PELLMAR_ASSERT(cells == 4, "the counts disagree"),
                 "Assertion failed: the counts disagree \\(cells == 4\\) at .*Assert_test\\.cpp:[0-9]+");
}

TEST(AssertDeathTest, SixtyFifthComponentTypeStops) {
    if (!kPellmarAssertsOn) {
        GTEST_SKIP() << "asserts are off in this build";
    }
    // Run in the death test's child, so this program's own ids stay as they are.
    EXPECT_DEATH(request_component_ids(std::make_integer_sequence<int, 70>{}), "more than 64 component types");
}

TEST(AssertDeathTest, ViewRowAskedForAComponentItsViewDoesNotHoldStops) {
    if (!kPellmarAssertsOn) {
        GTEST_SKIP() << "asserts are off in this build";
    }
    EntityPool pool;
    pool.add_list<Mover>("Mover", &Mover::position, &Mover::speed);
    pool.list<Mover>().add(Mover{});
    // The typed row refuses such a request at compile time; the untyped cursor only knows the index.
    EntityView view(pool, ComponentQueryOf<Position>().query());
    ASSERT_FALSE(view.empty());
    // The cursor lives in the iterator, so the iterator must outlive the reference.
    const auto row = view.begin();
    const EntityView::Cursor& cursor = *row;
    EXPECT_EQ(&cursor.get<Position>(0), &pool.list<Mover>().entities()[0].position);
    EXPECT_DEATH(cursor.get<Speed>(kMaxQueryComponents), "its view does not hold");
}

TEST(TypeName, LogLinesReadTheTypeAsWritten) {
    EXPECT_EQ(type_name<Mover>(), "(anonymous namespace)::Mover");
    EXPECT_EQ((type_name<std::pair<int, float>>()), "std::pair<int, float>");
    EXPECT_EQ(demangle_type_name("not a mangled name"), "not a mangled name");
}
