// zgp_demo: a short tour of the geometry kernel, printed to standard output.
// Builds a few curves, intersects them, measures them and classifies points against a loop.
#include <cstdio>
#include <vector>

#include "zgp/zgp.h"

using namespace zgp;

int main() {
    CLine2d line(CVec2<double>(-10, 1), CVec2<double>(10, 1));
    CArc2d circle;
    circle.Set(CVec2<double>(0, 0), 5.0, 0.0, 0.0);  // equal angles: a full circle
    std::printf("line  %s\n", line.AsString().c_str());
    std::printf("circle length %.12g (2*pi*5 = %.12g)\n", circle.Length(), 2 * M_PI * 5.0);

    CCurvCurvIntersector isect;
    std::vector<CCurvCurvIntPt> hits;
    isect.Intersect(line, circle, hits);
    for (const auto& h : hits)
        std::printf("line x circle at (%.9f, %.9f)  t_line=%.9f t_circle=%.9f\n", h.point.x, h.point.y, h.t1, h.t2);

    CEllipse2d ellipse(CVec2<double>(0, 0), CVec2<double>(1, 1), 8.0, 3.0, CInterval<double>(0, 8.0 * 2 * M_PI), 1);
    CVec2<double> q(10, -2);
    double t = ellipse.GetNearestT(q, g_DistEpsilon);
    CVec2<double> n = ellipse.GetPoint(t);
    std::printf("ellipse length %.12g; nearest point to (10,-2): (%.9f, %.9f) at distance %.9f\n", ellipse.Length(),
                n.x, n.y, n.DistanceTo(q));

    CLoop* rect = ZLoopBuilder::CreateRect(CBox2<double>(0, 0, 4, 3));
    CPositionJudge judge;
    const CVec2<double> probes[] = {{2, 1}, {4, 1}, {5, 5}};
    for (const auto& p : probes)
        std::printf("point (%g, %g) against the 4x3 rectangle: %d (1 inside, 2 on, 3 outside)\n", p.x, p.y,
                    judge.GetPointCoedgeListPosition(p, rect, g_DistEpsilon));
    std::printf("rectangle area %.3f, text form %s\n", rect->Area(), rect->AsString().c_str());
    rect->Unref();
    return 0;
}
