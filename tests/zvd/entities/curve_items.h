// zvd tests: what the curve item suites share (`using namespace itemfix`): a reporting drawing.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>

#include <QDomDocument>
#include <QDomElement>

#include "support/docitems.h"
#include "zgp/arc2d.h"
#include "zgp/line2d.h"
#include "zvd/entities/zvdarc.h"
#include "zvd/entities/zvdcircle.h"
#include "zvd/entities/zvdline.h"

namespace itemfix {

using docfix::Bytes;
using zgp::CArc2d;
using zgp::CBox2;
using zgp::CVec2;
using V = zgp::CVec2<double>;
constexpr double kPi = 3.14159265358979323846;

inline void expectNear(const V& a, const V& b, double tol = 1e-9) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
}

inline void setMarks(ZVDCurve& item, int startStyle, int startSize, int endStyle, int endSize) {
    item.setStartMarkStyle(static_cast<EnMarkStyle>(startStyle));
    item.setStartMarkSize(static_cast<short>(startSize));
    item.setEndMarkStyle(static_cast<EnMarkStyle>(endStyle));
    item.setEndMarkSize(static_cast<short>(endSize));
}
inline ZVDLine* lineItem(V a, V b) {
    auto* l = new ZVDLine;
    l->set(a, b);
    return l;
}
inline ZVDArc* arcItem(V a, V b, double r, CArc2d::ArcType type) {
    auto* x = new ZVDArc;
    x->set(a, b, type, r);
    return x;
}

struct ReportingDrawing : ::testing::Test {
    ReportingDrawing() { drawing.attachObserver(&rec); }
    ~ReportingDrawing() override { drawing.detachObserver(&rec); }
    int reports(const ZVDEntity* about = nullptr) {
        int n = 0;
        for (const docfix::Event& e : rec.events) n += e.code == vdnDataChanged && (!about || e.item == about);
        rec.events.clear();
        return n;
    }
    docfix::Recorder rec;
    ZVectorDrawing drawing;
};

}  // namespace itemfix
