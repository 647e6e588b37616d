#include "gEntity.h"

#include <cmath>

#include "KORA.h"
#include "mEntity.h"
#include "mVertex.h"

namespace KORA {

bool gEntityLessThanKey::operator()(const gEntity* a, const gEntity* b) const {
  if (a->getLevel() != b->getLevel()) return a->getLevel() < b->getLevel();
  return a->getId() < b->getId();
}

gEntity::gEntity(mMesh* mesh, int id, int level, int tag)
    : id_(id), tag_(tag < 0 ? id : tag), level_(level), mesh_(mesh) {}

gEntity::gEntity() : id_(0), tag_(0), level_(0), mesh_(nullptr) {}

gEntity::~gEntity() { adjacent_.clear(); }

bool gEntity::inClosure(gEntity* g) const {
  if (g == this) return true;
  for (gEntity* a : adjacent_)
    if (a->getLevel() < level_ && a->inClosure(g)) return true;
  return false;
}

namespace {

struct Vec {
  double x, y, z;
};
Vec diff(const mPoint& a, const mPoint& b) { return {a(0) - b(0), a(1) - b(1), a(2) - b(2)}; }
Vec cross(const Vec& a, const Vec& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dot(const Vec& a, const Vec& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double norm(const Vec& a) { return std::sqrt(dot(a, a)); }

mPoint vertexPoint(const mEntity* e, int i) { return static_cast<mVertex*>(e->get(0, i))->point(); }

double edgeLength(const mEntity* edge) {
  return norm(diff(vertexPoint(edge, 0), vertexPoint(edge, 1)));
}

// Shortest edge of e: its stored edges, else its edge templates. A template
// that is not one of the entity's stored edges (nor of its faces' stored
// edges) was made for the question and is deleted.
double shortestEdge(const mEntity* e) {
  double best = 0.0;
  const int n = e->isAdjacencyCreated(1) ? e->size(1) : e->getNbTemplates(1);
  for (int i = 0; i < n; ++i) {
    mEntity* edge = e->isAdjacencyCreated(1) ? e->get(1, i) : e->getTemplate(i, 1, 0);
    const double len = edgeLength(edge);
    if (i == 0 || len < best) best = len;
    if (!e->isAdjacencyCreated(1)) {
      bool stored = false;
      if (e->getLevel() == 3 && e->isAdjacencyCreated(2)) {
        const int nf = e->size(2);
        for (int k = 0; k < nf && !stored; ++k) stored = e->get(2, k)->find(edge) != nullptr;
      }
      if (!stored) delete edge;
    }
  }
  return best;
}

}  // namespace

mPoint gEntity::COG(mEntity* e) {
  if (e->getLevel() == 1) {
    double x[3];
    MeshModel_middlePoint(e, x);
    return mPoint(x[0], x[1], x[2]);
  }
  const int n = e->getNbTemplates(0);
  mPoint sum(0, 0, 0);
  for (int i = 0; i < n; ++i) {
    mEntity* v = e->isAdjacencyCreated(0) ? e->get(0, i) : e->getTemplate(i, 0, 0);
    sum += static_cast<mVertex*>(v)->point();
  }
  return sum * (1.0 / n);
}

double gEntity::size(mEntity* e) {
  switch (e->getType()) {
    case mEntity::TRI: {
      const mPoint p0 = vertexPoint(e, 0), p1 = vertexPoint(e, 1), p2 = vertexPoint(e, 2);
      const Vec u = diff(p0, p1), w = diff(p0, p2), t = diff(p1, p2);
      return norm(cross(u, w)) / ((norm(u) + norm(w) + norm(t)) * 0.5);
    }
    case mEntity::TET: {
      const mPoint p0 = vertexPoint(e, 0), p1 = vertexPoint(e, 1), p2 = vertexPoint(e, 2),
                   p3 = vertexPoint(e, 3);
      const Vec a = diff(p0, p1), b = diff(p0, p2), c = diff(p0, p3), d = diff(p2, p1),
                f = diff(p3, p1);
      const Vec ab = cross(a, b);
      return std::fabs(dot(ab, c)) /
             (norm(ab) + norm(cross(a, c)) + norm(cross(b, c)) + norm(cross(d, f)));
    }
    default:
      return shortestEdge(e);
  }
}

gDimIterator::gDimIterator(iter begin, iter end, int level) : gIterator(begin, end), level_(level) {
  skip();
}

void gDimIterator::skip() {
  while (current_ != end_ && (*current_)->getLevel() != level_) ++current_;
}

gDimIterator& gDimIterator::operator++() {
  if (current_ != end_) ++current_;
  skip();
  return *this;
}

void gDimIterator::reset() {
  current_ = begin_;
  skip();
}

}  // namespace KORA
