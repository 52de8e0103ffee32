// zvd: observer list and the listener interfaces' out-of-line parts.
// The list holds plain pointers; observers belong to the host.
#include "zvd/foundation/vdobserver.h"

#include <algorithm>

VDObserver::~VDObserver() = default;
void VDObserver::onNotify(int, std::vector<ZVDEntity*>&, void*) {}
void VDObserver::onNotify(int, ZVDEntity*, void*) {}

VDObserverList::~VDObserverList() = default;

void VDObserverList::attach(VDObserver* o) {
    if (!o || find(o)) return;
    m_observers.push_back(o);
}

void VDObserverList::detach(VDObserver* o) {
    auto it = std::find(m_observers.begin(), m_observers.end(), o);
    if (it != m_observers.end()) m_observers.erase(it);
}

bool VDObserverList::find(VDObserver* o) const {
    return std::find(m_observers.begin(), m_observers.end(), o) != m_observers.end();
}

void VDObserverList::clearAllObserver() { m_observers.clear(); }

int VDObserverList::observerCount() const { return static_cast<int>(m_observers.size()); }

VDObserver* VDObserverList::observerItems(int index) const {
    if (index < 0 || index >= observerCount()) return nullptr;
    return m_observers[static_cast<size_t>(index)];
}

// Index-based walks: observers may attach or detach others while being called.
void VDObserverList::notify(int code, ZVDEntity* item, void* data) {
    for (size_t i = 0; i < m_observers.size(); ++i) m_observers[i]->onNotify(code, item, data);
}

void VDObserverList::notify(int code, std::vector<ZVDEntity*>& items, void* data) {
    for (size_t i = 0; i < m_observers.size(); ++i) m_observers[i]->onNotify(code, items, data);
}

IVDNotifyEventListener::~IVDNotifyEventListener() = default;
IVDNotifyListener::~IVDNotifyListener() = default;
