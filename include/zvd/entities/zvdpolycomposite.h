// zvd: ZVDPolyComposite, a composite whose children form a chain of curves (item type 12): the
// children's coincident grips merge into shared grips, so dragging a joint drags every child there.
#pragma once

#include <utility>
#include <vector>

#include "zvd/entities/zvdcomposite.h"

// Grips are worked out afresh on every request (nothing is stored): every grip of every child, in
// child order, joins the first shared grip within the kernel's distance tolerance or opens a new
// one. Children stay owned as in ZVDComposite.
class ZVD_EXPORT ZVDPolyComposite : public ZVDComposite {
public:
    ZVDPolyComposite();
    static zgp::IBase* CreateInstance();

    // Base attributes and other's owner for every child; then, when this chain is empty, clones of
    // other's children, else child k is assigned from other's child k.
    void assign(ZVDEntity& other) override;
    // Child k is assigned from the snapshot's item k: the children keep their identity.
    void setCoordData(ZVDCoordData& data) override;
    int gripCount() override;
    // Out of range: the centre of the bounding box.
    zgp::CVec2<double> grip(int index) override;
    // The type that the first child grip of the shared grip reports; 0 out of range.
    ZVDGripType gripType(int index) override;
    // Drags every child grip of the shared grip and, for a grip that moves a whole child (types 1
    // and 2), the other children's grips met at that child's end grips, all by offset. When any of
    // these drags would be refused, nothing changes and the answer is false; out of range: false.
    bool dragGrip(int index, const zgp::CVec2<double>& offset) override;
    // Those of the first child (none without children); setting goes to every child.
    std::set<ZVDEPropType> propTypes() const override;
    std::wstring propValue(const ZVDEPropType& type) const override;
    void setPropValue(const ZVDEPropType& type, const std::wstring& value) override;
    EnVDIType itemType() const override;
    // Erases the first child through the owning drawing until none is left (so every erase is
    // announced); without a drawing, or while it is being destroyed, the children are deleted
    // directly.
    void clear() override;

    // Like add(), but places the item first / before the child at index (other indexes append).
    void add_front(ZVDEntity* item);
    void insert(int index, ZVDEntity* item);
    // Reverses the order of the children and the direction of each child's curves.
    void reverse();
    // The children that dragging shared grip index moves directly (related grips not included).
    std::vector<ZVDEntity*> dragEntity(int index);

private:
    using ChildGrip = std::pair<ZVDEntity*, int>;
    struct GripState {
        zgp::CVec2<double> position;
        std::vector<ChildGrip> grips;
    };
    class GripIndex;

    // The shared grips of the current children, in order of first appearance.
    std::vector<GripState> getGripState();
    // The grips of other children met at the end grips (type 0) of the child of childGrip, when
    // childGrip moves its whole child (type 1 or 2).
    std::vector<ChildGrip> getRelationGrip(const std::vector<GripState>& states, const GripIndex& index,
                                           const ChildGrip& childGrip);

    // Whether every drag of the sequence succeeds on copies of the children (true when a child
    // cannot be copied).
    static bool tryDrags(const std::vector<ChildGrip>& sequence, const zgp::CVec2<double>& offset);

    static SetDispLevelHelper m_autoSetDispLevel;
};
