// zvd tests: a two-point test item (type 241, which no library item uses) and report recorders.
#pragma once

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <QDomDocument>
#include <QDomElement>

#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdentity.h"
#include "zvd/foundation/vdobserver.h"

namespace docfix {

const int kTestLineType = 241;

// Counts box builds, stretches and draw hooks; s_alive counts live instances.
class TestLine : public ZVDEntity {
public:
    TestLine(zgp::CVec2<double> a = {}, zgp::CVec2<double> b = {}) : p1(a), p2(b) { ++s_alive; }
    ~TestLine() override { --s_alive; }
    static zgp::IBase* CreateInstance() { return new TestLine(); }

    void setPoints(zgp::CVec2<double> a, zgp::CVec2<double> b) {
        p1 = a;
        p2 = b;
        doDataChanged(true);
    }
    void assign(ZVDEntity& other) override {
        ZVDEntity::assign(other);
        if (auto* o = dynamic_cast<TestLine*>(&other)) p1 = o->p1, p2 = o->p2;
    }
    ZVDCoordData* createCoordData() override { return new ZVDCoordData(); }
    void setCoordData(ZVDCoordData&) override {}
    bool hitSelect(const zgp::CVec2<double>& a, const zgp::CVec2<double>& b, double tol) override {
        return zgp::CBox2<double>(a, b).Contains(zgp::CBox2<double>(p1, p2), tol);
    }
    bool hitTest(const zgp::CVec2<double>& pt, double tol) override {
        return zgp::CBox2<double>(p1, p2).Contains(pt, tol);
    }
    void move(const zgp::CVec2<double>& d) override { setPoints(p1 + d, p2 + d); }
    ZVDEntity* transform(zgp::CMatrix3<double>* m) override {
        auto* copy = new TestLine(m->TransformPoint(p1), m->TransformPoint(p2));
        copy->ZVDEntity::assign(*this);
        return copy;
    }
    int gripCount() override { return 0; }
    zgp::CVec2<double> grip(int) override { return {}; }
    ZVDGripType gripType(int) override { return 0; }
    bool dragGrip(int, const zgp::CVec2<double>&) override { return false; }
    int displayLevel() const override { return 1; }
    EnVDIType itemType() const override { return static_cast<EnVDIType>(kTestLineType); }

    zgp::CVec2<double> p1, p2;
    int buildCount = 0, stretchCount = 0;
    std::string hooks;  // one letter per hook call: N normal, S selected, E elastic
    inline static int s_alive = 0;

protected:
    void buildOutRect(zgp::CBox2<double>& box) override {
        ++buildCount;
        box = zgp::CBox2<double>(p1, p2);
    }
    void doStretch(const zgp::CBox2<double>& box, const zgp::CVec2<double>& d) override {
        ++stretchCount;
        setPoints(box.Contains(p1) ? p1 + d : p1, box.Contains(p2) ? p2 + d : p2);
    }
    void doDrawElastic(HDC, const ZCoordTrans&) override { hooks += 'E'; }
    void doDrawNormal(HDC, const ZCoordTrans&) override { hooks += 'N'; }
    void doDrawSelected(HDC, const ZCoordTrans&) override { hooks += 'S'; }
};

inline const zgp::ZRegHelper<int> testLineRegistration(ZVDEntity::GetFactory(), kTestLineType,
                                                       &TestLine::CreateInstance);

// Reports as a constraint (type 15) would; not registered.
class TestConstraint : public TestLine {
public:
    EnVDIType itemType() const override { return vdiConstraint; }
};

struct Event {
    int code;
    ZVDEntity* item;
    size_t listSize;  // items of a list notification; 0 for single-item ones
};

class Recorder : public VDObserver {
public:
    void onNotify(int code, std::vector<ZVDEntity*>& items, void*) override {
        events.push_back({code, nullptr, items.size()});
    }
    void onNotify(int code, ZVDEntity* item, void*) override { events.push_back({code, item, 0}); }
    std::vector<int> codes() const {
        std::vector<int> c;
        for (const Event& e : events) c.push_back(e.code);
        return c;
    }
    std::vector<Event> events;
};

class LogListener : public IVDNotifyEventListener {
public:
    LogListener(std::string name, std::string* log) : m_name(std::move(name)), m_log(log) {}
    void onNotifyEvent() override { *m_log += m_name; }

private:
    std::string m_name;
    std::string* m_log;
};

inline std::stringstream binaryStream(const std::string& bytes = std::string()) {
    return std::stringstream(bytes, std::ios::in | std::ios::out | std::ios::binary);
}

inline QDomElement xmlOf(ZVDEntity& item, ZXMLAttrNames* names) {
    static QDomDocument doc;
    QDomElement e = doc.createElement("DI");
    item.saveToXMLNode(e, names);
    return e;
}
inline std::string streamOf(ZVDEntity& item) {
    std::stringstream s = binaryStream();
    item.saveToStream(&s);
    return s.str();
}

class Bytes {
public:
    template <class T>
    Bytes& put(T v) {
        m_data.append(reinterpret_cast<const char*>(&v), sizeof v);
        return *this;
    }
    Bytes& raw(const std::string& s) {
        m_data += s;
        return *this;
    }
    const std::string& str() const { return m_data; }

private:
    std::string m_data;
};

}  // namespace docfix
