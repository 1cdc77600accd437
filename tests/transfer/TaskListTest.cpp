// The locked list behind the task queue and the result list, and the task id format.
#include "DbLinkLst.h"
#include "Task.h"
#include "TaskResult.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cctype>
#include <set>
#include <vector>

namespace {

struct Item : CTaskResult {
    static int alive;
    explicit Item(int id) {
        downloadId = id;
        ++alive;
    }
    ~Item() override { --alive; }
};
int Item::alive = 0;

using List = dblinklst::DbLinkLst<Item, char>;

// Ids head to tail, checked against the tail-to-head walk so both link directions agree.
std::vector<int> Ids(List& list) {
    std::vector<int> forward, backward;
    list.ForEach([&](Item* i) { forward.push_back(i ? i->downloadId : -1); });
    list.ForEachReverse([&](Item* i) { backward.push_back(i ? i->downloadId : -1); });
    EXPECT_EQ(std::vector<int>(backward.rbegin(), backward.rend()), forward);
    return forward;
}

class ListTest : public ::testing::Test {
protected:
    void SetUp() override {
        Item::alive = 0;
        for (int id : {1, 2, 3}) list.PushFront(new Item(id));
    }
    List list;
};

TEST_F(ListTest, PushesAtHeadAndTakesOldestFromTail) {
    EXPECT_EQ(Ids(list), (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(list.PeekBack()->downloadId, 1);
    std::unique_ptr<Item> first(list.PopBack());
    EXPECT_EQ(first->downloadId, 1);
    std::unique_ptr<Item> second(list.PopBack());
    std::unique_ptr<Item> third(list.PopBack());
    EXPECT_EQ(third->downloadId, 3);
    EXPECT_EQ(list.PopBack(), nullptr);
    EXPECT_EQ(list.PeekBack(), nullptr);
    EXPECT_TRUE(list.Empty());
    list.PushFront(new Item(9));  // usable again after emptying
    EXPECT_EQ(Ids(list), (std::vector<int>{9}));
}

struct RemoveCase {
    const char* name;
    int id;
    std::vector<int> left;
};
void PrintTo(const RemoveCase& c, std::ostream* os) { *os << c.name; }

class RemoveTable : public ListTest, public ::testing::WithParamInterface<RemoveCase> {};

TEST_P(RemoveTable, KeepsBothLinkDirectionsConsistent) {
    const RemoveCase& c = GetParam();
    list.RemoveById(c.id);
    EXPECT_EQ(Ids(list), c.left);
    EXPECT_EQ(Item::alive, static_cast<int>(c.left.size()));
    // Both ends still work after the removal.
    list.PushFront(new Item(7));
    std::unique_ptr<Item> oldest(list.PopBack());
    EXPECT_EQ(oldest->downloadId, c.left.empty() ? 7 : c.left.back());
}

INSTANTIATE_TEST_SUITE_P(Positions, RemoveTable,
                         ::testing::Values(RemoveCase{"Head", 3, {2, 1}}, RemoveCase{"Tail", 1, {3, 2}},
                                           RemoveCase{"Middle", 2, {3, 1}},
                                           RemoveCase{"Absent", 42, {3, 2, 1}}),
                         [](const ::testing::TestParamInfo<RemoveCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(ListTest, FindsNewestMatchAndClearsEverything) {
    list.PushFront(new Item(2));
    Item* found = list.FindById(2);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found, list.FindById(2));
    list.RemoveById(2);  // the newer of the two goes first
    EXPECT_EQ(Ids(list), (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(list.FindById(42), nullptr);

    list.PushFront(nullptr);  // stored like any element, skipped by lookups
    EXPECT_EQ(list.FindById(5), nullptr);
    list.Clear();
    EXPECT_EQ(Item::alive, 0);
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(list.PeekBack(), nullptr);
}

TEST(ListLifetime, DestructorDeletesRemainingElements) {
    Item::alive = 0;
    {
        List list;
        list.PushFront(new Item(1));
        list.PushFront(new Item(2));
    }
    EXPECT_EQ(Item::alive, 0);
}

struct NoWork : ITask {
    bool Run() override { return true; }
};

TEST(TaskId, FormatsGuidPartsWithOnlyTheThirdGroupLowerCase) {
    const uint8_t tail[8] = {0xAB, 0xCD, 0x01, 0x23, 0x45, 0x67, 0x89, 0xEF};
    EXPECT_EQ(FormatTaskId(0x0000BEEF, 0xABCD, 0xABCD, tail), "0000BEEF-ABCD-abcd-ABCD-0123456789EF");
    EXPECT_EQ(FormatTaskId(0xFFFFFFFF, 0, 0x000F, tail), "FFFFFFFF-0000-000f-ABCD-0123456789EF");
}

TEST(TaskId, GenerateIdGivesDistinctWellFormedIds) {
    std::set<std::string> seen;
    for (int i = 0; i < 20; ++i) {
        NoWork task;
        EXPECT_EQ(task.GetState(), 0);
        EXPECT_STREQ(task.GetId(), "");
        ASSERT_TRUE(task.GenerateId());
        EXPECT_EQ(task.GetState(), 4);
        const std::string id = task.GetId();
        ASSERT_EQ(id.size(), 36u);
        for (size_t k = 0; k < id.size(); ++k) {
            if (k == 8 || k == 13 || k == 18 || k == 23) {
                EXPECT_EQ(id[k], '-');
            } else {
                const char c = id[k];
                EXPECT_TRUE(isxdigit(static_cast<unsigned char>(c))) << id;
                if (k > 13 && k < 18) {
                    EXPECT_FALSE(isupper(static_cast<unsigned char>(c))) << id;
                } else {
                    EXPECT_FALSE(islower(static_cast<unsigned char>(c))) << id;
                }
            }
        }
        EXPECT_TRUE(task.HasId(id.c_str()));
        EXPECT_FALSE(task.HasId("other"));
        EXPECT_FALSE(task.HasId(nullptr));
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 20u);
}

}  // namespace
