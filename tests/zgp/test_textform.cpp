// The text form: bit-exact round trips, and refusal of malformed or oversized text.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <string>

#include "kernel_test_support.h"

using namespace zgp_test;

namespace {

struct Rng {
    std::mt19937_64 gen;
    explicit Rng(unsigned seed) : gen(seed) {}
    int I(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); }
    double U(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(gen); }
    double Nasty() {
        const int kind = I(0, 4);
        double d = kind == 0 ? U(-1, 1) / 3 : kind == 2 ? DBL_MAX : kind == 3 ? DBL_TRUE_MIN * I(1, 1000) : 0.0;
        while (kind == 4 && (d == 0.0 || !std::isfinite(d))) {  // any bit pattern
            const uint64_t bits = gen();
            std::memcpy(&d, &bits, sizeof d);
        }
        return I(0, 1) ? d : -d;
    }
    V P() { return V(Nasty(), Nasty()); }
    V Unit() { return V(1, 0).Rotated(U(-4, 4)); }
    CInterval<double> Range() {
        const double a = Nasty(), b = Nasty();
        return CInterval<double>(std::min(a, b), std::max(a, b));
    }
};

CCurve2d* RandomCurve(Rng& r) {
    const int sense = r.I(0, 1) ? 1 : -1;
    switch (r.I(0, 5)) {
    case 0:
        return new CLine2d(V(r.U(-9, 9), r.U(-9, 9)), V(r.U(-9, 9), r.U(-9, 9)));
    case 1: {
        auto* l = new CLine2d();
        l->SetExact(r.P(), r.Unit(), r.Range());
        return l;
    }
    case 2: {
        auto* a = new CArc2d();
        a->SetExact(r.P(), std::fabs(r.Nasty()), r.Range(), sense);
        return a;
    }
    case 3:
        return new CArc2d(V(r.U(-9, 9), 1), r.U(0.1, 5), CInterval<double>(-1, r.U(0, 5)), r.I(1, 4));
    case 4: {
        auto* e = new CEllipse2d();
        e->SetExact(r.P(), r.Unit(), std::fabs(r.Nasty()), std::fabs(r.Nasty()), r.Range(), sense);
        return e;
    }
    default: {
        const int deg = r.I(1, 5), n = r.I(deg + 1, deg + 6);
        auto* c = new CNurbsCurve2d(deg, n);
        for (int i = 0; i < n; ++i) c->SetCtrlPt(i, r.P(), std::fabs(r.Nasty()) + DBL_TRUE_MIN);
        for (int i = 0; r.I(0, 1) && i < c->KnotCount(); ++i) c->SetKnot(i, r.Nasty());  // any order
        return c;
    }
    }
}

CLoop* RandomLoop(Rng& r) {
    auto* loop = new CLoop();
    for (int i = r.I(0, 5); i > 0; --i) loop->AddCurve(RandomCurve(r), false);
    return loop;
}

// Every stored field is in the text, so an equal text read back means a bit-equal state.
void ExpectRoundTrip(const CGeometry& g) {
    const std::string text = g.AsString();
    for (char ch : text) ASSERT_TRUE(ch >= ' ' && ch < 127 && ch != '|' && ch != ';' && ch != '#' && ch != '"') << text;
    const char* end = nullptr;
    CRefPtr<CGeometry> back(CGeometry::LoadFromStr(text.c_str(), &end));
    ASSERT_TRUE(back) << text;
    EXPECT_EQ(back->Type(), g.Type());
    EXPECT_EQ(end, text.c_str() + text.size());
    EXPECT_EQ(back->AsString(), text);
}

}  // namespace

TEST(TextForm, CurvesLoopsAndPolygonsRoundTripBitExactly) {
    Rng r(21);
    for (int it = 0; it < 4000; ++it) ExpectRoundTrip(*CRefPtr<CCurve2d>(RandomCurve(r)));
    for (int it = 0; it < 300; ++it) {
        ExpectRoundTrip(*CRefPtr<CLoop>(RandomLoop(r)));
        CRefPtr<CPolygon> polygon(new CPolygon());
        for (int i = r.I(0, 3); i > 0; --i) polygon->AddLoop(RandomLoop(r));
        ExpectRoundTrip(*polygon);
    }
}

TEST(TextForm, ReadsAcrossBlanksAndStopsAfterTheGeometry) {
    const char* text = " \t\nLOOP( 2\tLINE(0 0 1 0 0 2)\nARC(0 0 1 0 3 -1) )ARC(0 0 1 0 1 1) rest";
    const char* end = nullptr;
    CRefPtr<CGeometry> loop(CGeometry::LoadFromStr(text, &end));
    ASSERT_TRUE(loop && loop->Type() == GT_LOOP);
    EXPECT_EQ(static_cast<CLoop*>(loop.Get())->CoedgeCount(), 2);
    CRefPtr<CGeometry> arc(CGeometry::LoadFromStr(end, &end));
    ASSERT_TRUE(arc && arc->Type() == GT_ARC);
    EXPECT_STREQ(end, " rest");
}

TEST(TextForm, RefusesMalformedTruncatedMutatedAndOversizedText) {
    // Malformed texts, one after each ';' (which the text form never uses), and the empty text.
    const std::string bad =
        "LINE;LINE(0 0 1 0 0 1;LINE(0 0 1 0 0);LINE(0 0 1 0 0 1 2);line(0 0 1 0 0 1);"
        "LINE(nan 0 1 0 0 1);LINE(0 inf 1 0 0 1);LINE(0 0 1 0 0 1e999);LINE(0 0 2 0 0 1);"
        "LINE(0 0 1 0 2 1);LINE(0 0 1 0 0 +1);LINE(0 0 1 0 0 0x1);LINE(0,0 1 0 0 1);ARC(0 0 -1 0 1 1);"
        "ARC(0 0 1 0 1 0);ARC(0 0 1 1 0 1);ARC(0 0 1 0 1 1.0);ELLIPSE(0 0 1 0 -2 1 0 1 1);"
        "ELLIPSE(0 0 1 1 2 1 0 1 1);NURBS(1 2 0 0 1 1 1 1 0 0 1);NURBS(1 2 0 0 1 1 1 0 0 0 1 1);"
        "NURBS(0 2 0 0 1 1 1 1 0 0 1 1);NURBS(2 2 0 0 1 1 1 1 0 0 0 1 1 1);LOOP(1);LOOP(1 LOOP(0));"
        "LOOP(-1);LOOP(1LINE(0 0 1 0 0 1));POLYGON(1 LINE(0 0 1 0 0 1));"
        "LOOP(2147483647 LINE(0 0 1 0 0 1));POLYGON(2000000000 LOOP(0));NURBS(3 2000000000 0 0 1);"
        "NURBS(2147483646 2147483647 0 0 1);LOOP(99999999999999999999 LOOP(0));";
    std::vector<std::string> texts{""};
    for (size_t from = 0, to; (to = bad.find(';', from)) != std::string::npos; from = to + 1)
        texts.push_back(bad.substr(from, to - from));
    ASSERT_EQ(texts.size(), 34u);
    for (const std::string& text : texts) {
        const char* end = nullptr;
        EXPECT_EQ(CGeometry::LoadFromStr(text.c_str(), &end), nullptr) << text;
        EXPECT_EQ(end, text.c_str());
    }
    EXPECT_EQ(CGeometry::LoadFromStr(nullptr), nullptr);
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "POLYGON(1 LOOP(1 ";
    EXPECT_EQ(CGeometry::LoadFromStr(deep), nullptr);

    Rng r(22);
    CRefPtr<CPolygon> polygon(new CPolygon());
    for (int i = 0; i < 3; ++i) polygon->AddLoop(RandomLoop(r));
    const std::string text = polygon->AsString();
    for (size_t n = 0; n < text.size(); ++n) EXPECT_EQ(CGeometry::LoadFromStr(text.substr(0, n)), nullptr) << n;
    const char alphabet[] = "0123456789 .-e()LINEARCPOYGNUBSf\t\x01\xff";
    for (int it = 0; it < 3000; ++it) {
        std::string m = text;
        for (int k = r.I(1, 4); k > 0; --k)
            m[r.I(0, static_cast<int>(m.size()) - 1)] = alphabet[r.I(0, sizeof alphabet - 2)];
        CRefPtr<CGeometry> g(CGeometry::LoadFromStr(m));
        if (g) {  // a mutation may still be well formed; then it round trips like any other
            CRefPtr<CGeometry> again(CGeometry::LoadFromStr(g->AsString()));
            ASSERT_TRUE(again) << m;
            EXPECT_EQ(again->AsString(), g->AsString());
        }
    }
}
