// zvd tests: the observer list: unique members, attach order, changes while notifying.
#include <gtest/gtest.h>

#include <string>

#include "zvd/foundation/vdobserver.h"

namespace {

// Logs "<name><code>" per call; optionally attaches (or detaches) another observer when called.
class Probe : public VDObserver {
public:
    Probe(char name, std::string* log, VDObserverList* list = nullptr, VDObserver* other = nullptr, bool attach = true)
        : m_name(name), m_log(log), m_list(list), m_other(other), m_attach(attach) {}
    void onNotify(int code, ZVDEntity*, void*) override {
        *m_log += m_name + std::to_string(code);
        if (m_list) m_attach ? m_list->attach(m_other) : m_list->detach(m_other);
    }
    void onNotify(int code, std::vector<ZVDEntity*>& items, void*) override {
        *m_log += m_name + std::string("L") + std::to_string(code) + "x" + std::to_string(items.size());
    }

private:
    char m_name;
    std::string* m_log;
    VDObserverList* m_list;
    VDObserver* m_other;
    bool m_attach;
};

ZVDEntity* const kNone = nullptr;

}  // namespace

TEST(VDObserverList, UniqueMembershipAndAttachOrder) {
    std::string log;
    Probe a('a', &log), b('b', &log);
    VDObserverList list;
    for (VDObserver* o : {&a, &a, static_cast<Probe*>(nullptr), &b}) list.attach(o);
    EXPECT_EQ(list.observerCount(), 2);
    list.notify(3, kNone, nullptr);
    std::vector<ZVDEntity*> items(2, nullptr);
    list.notify(2, items, nullptr);
    list.detach(&a);
    list.notify(4, kNone, nullptr);
    EXPECT_EQ(log, "a3b3aL2x2bL2x2b4");
}

TEST(VDObserverList, ChangesDuringANotification) {
    std::string log;
    VDObserverList list;
    Probe late('z', &log);
    Probe adder('a', &log, &list, &late, true);
    list.attach(&adder);
    list.notify(6, kNone, nullptr);
    EXPECT_EQ(log, "a6z6");  // attached during the walk and still called

    log.clear();
    VDObserverList list2;
    Probe next('n', &log);
    Probe selfRemover('r', &log, &list2, &selfRemover, false);
    list2.attach(&selfRemover);
    list2.attach(&next);
    list2.notify(6, kNone, nullptr);
    list2.notify(7, kNone, nullptr);
    EXPECT_EQ(log, "r6n7");  // the list shifted, so the next observer missed one notification
}
