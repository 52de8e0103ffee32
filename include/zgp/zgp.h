// zgp: the geometry kernel, all public headers in one.
// Values, reference-counted curves, loops and polygons, queries and builders.
#pragma once

#include "zgp/arc2d.h"
#include "zgp/base.h"
#include "zgp/box2.h"
#include "zgp/builders.h"
#include "zgp/discrete.h"
#include "zgp/ellipse2d.h"
#include "zgp/geometry.h"
#include "zgp/intersector.h"
#include "zgp/interval.h"
#include "zgp/line2d.h"
#include "zgp/loop.h"
#include "zgp/matrix.h"
#include "zgp/mindist.h"
#include "zgp/nurbscurve2d.h"
#include "zgp/positionjudge.h"
#include "zgp/tolerance.h"
#include "zgp/vec2.h"
