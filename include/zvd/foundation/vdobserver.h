// zvd: observers and listeners through which a drawing reports its changes to the host.
// Every notification is synchronous; none of these objects is ever owned by the library.
#pragma once

#include <vector>

#include "zvd/foundation/zvdexport.h"

class ZVDEntity;

// Notification codes sent through a drawing's observer list. The data argument is always null.
enum EnVDNotifyCode {
    vdnItemAdded = 2,      // the item was added (also each nested item)
    vdnItemErasing = 3,    // the item is about to be erased; still alive
    vdnItemErased = 4,     // an item was erased; the item argument is null
    vdnDataChanged = 6,    // an item's data changed, or the drawing's own (item null)
    vdnSelectionSet = 7,   // the item's selection state was set
    vdnVisibilitySet = 8,  // the item's visibility was set
    vdnStateChanged = 10   // display state changed without a data change
};

// Base of the host's observers. Both operations do nothing here.
class ZVD_EXPORT VDObserver {
public:
    VDObserver() = default;
    VDObserver(const VDObserver&) = default;
    VDObserver& operator=(const VDObserver&) = default;
    virtual ~VDObserver();
    virtual void onNotify(int code, std::vector<ZVDEntity*>& items, void* data);
    virtual void onNotify(int code, ZVDEntity* item, void* data);
};

// Ordered list of observers. The list never owns them: clearing or destroying it deletes none,
// and copying it copies the pointers.
class ZVD_EXPORT VDObserverList {
public:
    VDObserverList() = default;
    VDObserverList(const VDObserverList&) = default;
    VDObserverList& operator=(const VDObserverList&) = default;
    virtual ~VDObserverList();

    // Appends o unless it is already listed (or null).
    void attach(VDObserver* o);
    // Removes the first occurrence of o; nothing when absent.
    void detach(VDObserver* o);
    bool find(VDObserver* o) const;
    void clearAllObserver();
    int observerCount() const;
    // The i-th observer in attach order; null outside 0 .. observerCount()-1.
    VDObserver* observerItems(int index) const;

    // Calls every observer in attach order. The length is re-read before each call, so an
    // observer attached during the notification is called as well; one that detaches itself
    // shifts the list and the next observer misses this notification.
    void notify(int code, ZVDEntity* item, void* data);
    void notify(int code, std::vector<ZVDEntity*>& items, void* data);

private:
    std::vector<VDObserver*> m_observers;
};

// One-operation listener: the update-drawing listener (repaint) and the selection-set-changed
// listener of a drawing.
class ZVD_EXPORT IVDNotifyEventListener {
public:
    virtual ~IVDNotifyEventListener();
    virtual void onNotifyEvent() = 0;
};

// Listener that a drawing stores for the host (setNotifyListener) and never calls itself.
// The operation mirrors an observer's single-item notification so hosts can route their own
// events through it.
class ZVD_EXPORT IVDNotifyListener {
public:
    virtual ~IVDNotifyListener();
    virtual void onNotify(int code, ZVDEntity* item, void* data) = 0;
};
