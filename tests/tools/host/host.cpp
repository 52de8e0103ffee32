// A host of the installed libraries: draws up a line and a circle, stores them in a binary stream
// and reads them back, and asks the solver library for a solver. Exit 0 when everything works.
#include <cstdio>
#include <sstream>

#include "zcs/zcs.h"
#include "zgp/vec2.h"
#include "zvd/document/zvectordrawing.h"
#include "zvd/entities/zvdcircle.h"
#include "zvd/entities/zvdline.h"

int main() {
    ZVectorDrawing drawing;
    auto* line = new ZVDLine();
    line->set(zgp::CVec2<double>(0, 0), zgp::CVec2<double>(40, 10));
    drawing.add(line);
    auto* circle = new ZVDCircle();
    circle->setCenterPt(zgp::CVec2<double>(20, 20));
    circle->setRadius(5);
    drawing.add(circle);

    std::stringstream stream(std::ios::in | std::ios::out | std::ios::binary);
    if (!drawing.saveToStream(&stream, vdsfBinary, false)) return 1;
    ZVectorDrawing copy;
    if (!copy.loadFromStream(&stream) || copy.count() != 2) return 1;
    ZlSolver2dFactory factory;
    if (!factory.GetSolver2d()) return 1;
    const zgp::CBox2<double> range = copy.fullRange();
    std::printf("host: %d items, range %g %g %g %g\n", copy.count(), range.min.x, range.min.y, range.max.x,
                range.max.y);
    return range.max.y >= 25 ? 0 : 1;
}
