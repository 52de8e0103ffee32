// zvd tests: ZCoordTrans rounding, y flip and x factor, view set-up, listeners and assign (values by hand).
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <tuple>

#include "zvd/foundation/zcoordtrans.h"

using zgp::CBox2;
using zgp::CVec2;

namespace {

// Logs its tag and the zoom factor it sees; s_alive checks that the transform owns listeners.
struct LogListener : ZCoordTransChanged {
    LogListener(const ZCoordTrans* t, std::string* log, char tag) : t(t), log(log), tag(tag) { ++s_alive; }
    ~LogListener() override { --s_alive; }
    void dataChanged() override { *log += tag, seen = t->zoomFactor(); }
    const ZCoordTrans* t;
    std::string* log;
    char tag;
    double seen = 0.0;
    inline static int s_alive = 0;
};

struct Remover : ZCoordTransChanged {
    Remover(ZCoordTrans* t, ZCoordTransChanged* other) : t(t), other(other) {}
    void dataChanged() override { t->deleteChangedListener(other), t->deleteChangedListener(this); }
    ZCoordTrans* t;
    ZCoordTransChanged* other;
};

}  // namespace

TEST(CoordTransConversion, WithinAnErrorAnswersOnlyPixelsThatCannotChange) {
    ZCoordTrans t;
    int d = 0;
    // 3.5 - 0.001 lies well inside (3, 4]; 3.0009 and 3.0011 straddle the edge at 3.001.
    EXPECT_TRUE(t.WCTODCWithin_X(3.5, 1e-9, d));
    EXPECT_EQ(d, 4);
    EXPECT_TRUE(t.WCTODCWithin_X(3.0009, 1e-9, d));
    EXPECT_EQ(d, 3);
    EXPECT_TRUE(t.WCTODCWithin_X(3.0011, 1e-9, d));
    EXPECT_EQ(d, 4);
    EXPECT_FALSE(t.WCTODCWithin_X(3.001, 1e-9, d));
    EXPECT_FALSE(t.WCTODCWithin_X(3.0011, 2e-4, d));  // the error reaches over the edge
    EXPECT_FALSE(t.WCTODCWithin_X(3.0009, 2e-4, d));
    // y flips: -2.2 becomes 2.2 - 0.001, pixel 3; -2.001 sits on the edge at 2.
    EXPECT_TRUE(t.WCTODCWithin_Y(-2.2, 1e-9, d));
    EXPECT_EQ(d, 3);
    EXPECT_FALSE(t.WCTODCWithin_Y(-2.001, 1e-9, d));
    // Zoom 2, device point (10, 20), world point (1, 1): x 1.25 -> 2 * 0.25 - 0.001, pixel 1 + 10;
    // y 0.5 -> 2 * 0.5 - 0.001, pixel 1 + 20; with the x factor 4, x 1.25 -> pixel 1 + 10 again.
    t.setDPoint(CVec2<int>(10, 20));
    t.setWPoint(CVec2<double>(1, 1));
    t.setZoomFactor(2.0);
    EXPECT_TRUE(t.WCTODCWithin_X(1.25, 1e-9, d));
    EXPECT_EQ(d, 11);
    EXPECT_TRUE(t.WCTODCWithin_Y(0.5, 1e-9, d));
    EXPECT_EQ(d, 21);
    t.setXFactorInUse(true);
    t.setXZoomFactor(4.0);
    EXPECT_TRUE(t.WCTODCWithin_X(1.25, 1e-9, d));
    EXPECT_EQ(d, 11);
    EXPECT_FALSE(t.WCTODCWithin_X(1.25 + 0.001 / 4.0, 1e-9, d));  // 4 * 0.25025 - 0.001 = 1
    // Beyond the int range or not a number: no answer (WCTODC_X would saturate).
    EXPECT_FALSE(t.WCTODCWithin_X(1e300, 1e-9, d));
    EXPECT_FALSE(t.WCTODCWithin_X(std::nan(""), 1e-9, d));
}

TEST(CoordTransConversion, RoundingFlipAndXFactor) {
    ZCoordTrans t;
    EXPECT_EQ(t.WCTODC_X(2.0005), 2);  // at most 0.001 above an integer stays on it
    EXPECT_EQ(t.WCTODC_X(2.0011), 3);
    EXPECT_EQ(t.WCTODC(2.0005), 2);
    EXPECT_EQ(t.WCTODC_X(-2.5), -2);
    EXPECT_EQ(t.WCTODC_Y(-3.0), 3);
    EXPECT_EQ(t.WCTODC_X(1e300), INT_MAX);  // saturates instead of overflowing
    t.setZoomFactor(2.0);
    EXPECT_DOUBLE_EQ(t.DWCTODC(10.0), 19.999);

    // The rounded forms are the ceiling of the unrounded ones, offsets and x factor included.
    t.setCoordTransParam(CVec2<int>(321, 187), CVec2<double>(12.25, -4.5), 3.7);
    t.setXZoomFactor(1.3);
    for (int i = -400; i <= 400; ++i) {
        t.setXFactorInUse(i % 2 == 0);
        ASSERT_EQ(t.WCTODC_X(i * 0.137), static_cast<int>(std::ceil(t.DWCTODC_X(i * 0.137))));
        ASSERT_EQ(t.WCTODC_Y(i * 0.137), static_cast<int>(std::ceil(t.DWCTODC_Y(i * 0.137))));
    }
    t.setCoordTransParam(CVec2<int>(0, 0), CVec2<double>(0.0, 0.0), 1.0);
    t.setXZoomFactor(3.0);
    EXPECT_EQ(t.WCTODC_X(1.0), 3);
    EXPECT_EQ(t.WCTODC(1.0), 1);  // lengths never use the x factor
    EXPECT_DOUBLE_EQ(t.DCTOWC_X(6.0), 2.0);
}

TEST(CoordTransConversion, BoxesKeepMinBelowMaxBothWays) {
    ZCoordTrans t;
    t.setCoordTransParam(CVec2<int>(50, 50), CVec2<double>(5.0, 5.0), 2.0);
    const CBox2<int> d = t.WCTODC(CBox2<double>(0.0, 1.0, 10.0, 4.0));
    EXPECT_EQ(d, CBox2<int>(40, 52, 60, 58));
    EXPECT_EQ(t.DCTOWC(d), CBox2<double>(0.0, 1.0, 10.0, 4.0));
}

TEST(CoordTransZoom, ZoomAllAndZoomWin) {
    ZCoordTrans t;
    t.zoomAll(800, 600, CBox2<double>(0.0, 0.0, 100.0, 50.0));
    EXPECT_EQ(std::make_tuple(t.zoomFactor(), t.xZoomAllFactor(), t.wPoint(), t.dPoint()),
              std::make_tuple(8.0, 8.0, CVec2<double>(50.0, 25.0), CVec2<int>(400, 300)));  // min(800/100, 600/50)

    // Device x 0..200, y 100..200 is world x 0..25, y 37.5..50 under that view.
    t.zoomWin(800, 600, CBox2<int>(0, 100, 200, 200));
    EXPECT_DOUBLE_EQ(t.zoomFactor(), 32.0);  // min(800/25, 600/12.5)
    EXPECT_EQ(t.wPoint(), CVec2<double>(12.5, 43.75));
    EXPECT_DOUBLE_EQ(t.zoomAllFactor(), 8.0);  // zoomWin leaves the zoom-all factors

    t.zoomAll(801, 601, CBox2<double>(0.0, 0.0, 200.0, 300.0));
    EXPECT_EQ(t.dPoint(), CVec2<int>(400, 300));
    EXPECT_DOUBLE_EQ(t.xZoomFactor(), 801.0 / 200.0);  // the x-only fit fills the width

    t.zoomAll(800, 600, CBox2<double>(7.0, -3.0, 7.0, -3.0));
    EXPECT_EQ(std::make_tuple(t.zoomFactor(), t.xZoomFactor(), t.wPoint()),
              std::make_tuple(1.0, 1.0, CVec2<double>(7, -3)));
    // A side thinner than 1e-7 is fitted as [0, width]; one within the distance tolerance gives 1.
    EXPECT_DOUBLE_EQ(t.calcZoomFactor(800, 600, CBox2<double>(5.0, 0.0, 5.0, 1200.0)), 0.5);
    EXPECT_DOUBLE_EQ(t.calcZoomFactor(800, 600, CBox2<double>(0.0, 0.0, 5e-7, 10.0)), 1.0);
}

TEST(CoordTransNotify, ListenersAreToldOwnedOrderedAndUnique) {
    std::string log;
    {
        ZCoordTrans t;
        auto* a = new LogListener(&t, &log, 'a');
        auto* z = new LogListener(&t, &log, 'z');
        t.addChangeListener(a);
        t.addChangeListener(a);
        EXPECT_FALSE(t.setScale(1.0));
        EXPECT_TRUE(t.setScale(2.0));
        t.adjustZoomAllFactor(800, 600, CBox2<double>(0.0, 0.0, 100.0, 50.0));
        t.zoomAll(800, 600, CBox2<double>(0.0, 0.0, 100.0, 50.0));
        EXPECT_EQ(log, "aa");
        // The scale is stored only after the listeners ran.
        t.setCoordTransParam(CVec2<int>(3, 4), CVec2<double>(1.5, 2.5), 6.0);
        EXPECT_DOUBLE_EQ(a->seen, 8.0);
        EXPECT_DOUBLE_EQ(t.zoomFactor(), 6.0);

        t.addChangeListener(new Remover(&t, z));
        t.addChangeListener(z);
        LogListener stranger(&t, &log, 's');
        t.deleteChangedListener(&stranger);  // not registered: left alone
        t.pan(-10, 5);                       // z is deleted before its turn and must not be called
        EXPECT_EQ(t.dPoint(), CVec2<int>(-7, 9));
        EXPECT_EQ(log, "aaaa");
    }
    EXPECT_EQ(LogListener::s_alive, 0);
}

TEST(CoordTransAssign, WritesIntoTheArgument) {
    ZCoordTrans src, dst;
    src.setXFactorInUse(true);
    src.zoomAll(400, 200, CBox2<double>(0.0, 0.0, 10.0, 10.0));
    src.setZoomFactor(3.0);
    src.assign(&dst);
    EXPECT_EQ(std::make_tuple(dst.zoomFactor(), dst.xZoomAllFactor(), dst.xFactorInUse(), dst.dPoint()),
              std::make_tuple(3.0, 40.0, true, CVec2<int>(200, 100)));
    ZCoordTrans().assign(&src);
    EXPECT_DOUBLE_EQ(src.zoomFactor(), 1.0);
}
