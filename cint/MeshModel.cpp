#include <cmath>

#include "KORA.h"
#include "gEntity.h"
#include "mMesh.h"
#include "mVertex.h"

namespace KORA {

namespace {
double dist(const mPoint& a, const mPoint& b) {
  const double dx = a(0) - b(0), dy = a(1) - b(1), dz = a(2) - b(2);
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}
}  // namespace

void MeshModel_middlePoint(pEntity edge, double* out) {
  const mPoint p0 = static_cast<mVertex*>(edge->get(0, 0))->point();
  const mPoint p1 = static_cast<mVertex*>(edge->get(0, 1))->point();
  mPoint result = (p0 + p1) * 0.5;

  // Without a model entity, or one that belongs to no mesh, the plain midpoint stays.
  gEntity* g = edge->getClassification();
  mMesh* m = g ? g->getMesh() : nullptr;
  mMesh* mm = m ? m->getMeshModel() : nullptr;
  if (mm && g->getLevel() == 1) {
    double best = 1e20;
    const int tag = g->getTag();
    for (mClassIterator it = mm->begin(1, tag, 1), last = mm->end(1, tag, 1); it != last; ++it) {
      mEntity* e = *it;
      const mPoint q0 = static_cast<mVertex*>(e->get(0, 0))->point();
      const mPoint q1 = static_cast<mVertex*>(e->get(0, 1))->point();
      const mPoint c = (q0 + q1) * 0.5;
      const double delta = std::fabs(dist(c, p0) - dist(c, p1));
      if (delta < best) {
        best = delta;
        result = c;
      }
    }
  }
  out[0] = result(0);
  out[1] = result(1);
  out[2] = result(2);
}

}  // namespace KORA
