#include "mVertex.h"

#include <cstdio>
#include <cstdlib>

#include "mIdGenerator.h"

namespace KORA {

namespace {
// The key of a vertex id: the runtime's generator seeded with the id, one draw.
int keyOf(int id) {
  std::srand((unsigned int)id);
  const int r = std::rand();
  return std::abs(r) % 100000000;
}
}  // namespace

mVertex::mVertex(int id, const mPoint& pt, gEntity* g) : mEntity(), p(pt), key(KEY_NOT_COMPUTED) {
  theClassification = g;
  iD = id;
}

mVertex::mVertex(mIdGenerator& gen, const mPoint& pt, gEntity* g)
    : mEntity(), p(pt), key(KEY_NOT_COMPUTED) {
  theClassification = g;
  iD = gen.generateId();
}

mVertex::~mVertex() {}

int mVertex::getRAND() const {
  if (key == KEY_NOT_COMPUTED) key = keyOf(iD);
  return key;
}

void mVertex::setId(int id) {
  iD = id;
  key = keyOf(id);
}

void mVertex::deleteId(mIdGenerator& gen) {
  gen.addId(iD);
  iD = 0;
}

void mVertex::print() const { std::printf("vertex %d = (%lf,%lf,%lf)\n", iD, p(0), p(1), p(2)); }

bool VertexLexicographicLessThan::operator()(mVertex* a, mVertex* b) const {
  const mPoint pa = a->point(), pb = b->point();
  const double t = tolerance;
  if (pa(0) < pb(0) - t) return true;
  if (pa(0) > pb(0) + t) return false;
  if (pa(1) < pb(1) - t) return true;
  if (pa(1) > pb(1) + t) return false;
  return pa(2) < pb(2) - t;
}

}  // namespace KORA
