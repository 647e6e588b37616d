#include "mTet.h"

#include <cmath>
#include <cstdio>

#include "mEdge.h"
#include "mException.h"
#include "mFace.h"
#include "mVertex.h"

namespace KORA {

const int mTet::Tev[6][2] = {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}};
const int mTet::Tef[6][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 3}, {1, 2}, {2, 3}};
const int mTet::Tfv[4][3] = {{0, 1, 2}, {0, 1, 3}, {1, 2, 3}, {0, 2, 3}};
const int mTet::Tfe[4][3] = {{0, 1, 2}, {0, 4, 3}, {1, 5, 4}, {2, 3, 5}};
const int mTet::Tve[4][2] = {{0, 2}, {0, 1}, {1, 2}, {3, 4}};
const int mTet::Tvf[4][3] = {{0, 1, 3}, {0, 1, 2}, {0, 2, 3}, {1, 2, 3}};

double Volume(mTet* t) {
  mPoint p[4];
  for (int k = 0; k < 4; ++k) {
    mEntity* v = t->get(0, k);
    if (!v) throw new mException(__LINE__, "src/mTet", "a vertex of the tet cannot be found");
    p[k] = static_cast<mVertex*>(v)->point();
  }
  const mVector a(p[1], p[0]), b(p[2], p[0]), c(p[3], p[0]);  // p0 - p1, p0 - p2, p0 - p3
  return -((a % b) * c) / 6.0;
}

mTet::mTet(mVertex* v1, mVertex* v2, mVertex* v3, mVertex* v4, gEntity* g) : mRegion() {
  mAdjacencyContainer& l = createAdjacency(0, 4);
  l.add(v1);
  l.add(v2);
  l.add(v3);
  l.add(v4);
  theClassification = g;
  iD = v1->getRAND() + v2->getRAND() + v3->getRAND() + v4->getRAND();
  if (std::fabs(Volume(this)) < 1.e-12) {
    v1->print();
    v2->print();
    v3->print();
    v4->print();
  }
  if (Volume(this) < 0.0) {
    mAdjacencyContainer& r = createAdjacency(0, 4);
    r.add(v2);
    r.add(v1);
    r.add(v3);
    r.add(v4);
  }
}

mTet::mTet(mFace* f1, mFace* f2, mFace* f3, mFace* f4, gEntity* g) : mRegion() {
  mAdjacencyContainer& l = createAdjacency(2, 4);
  l.add(f1);
  l.add(f2);
  l.add(f3);
  l.add(f4);
  theClassification = g;
  // Each vertex lies on three of the four faces.
  iD = (f1->getId() + f2->getId() + f3->getId() + f4->getId()) / 3;
  if (Volume(this) < 0.0) {
    mAdjacencyContainer& r = createAdjacency(2, 4);
    r.add(f2);
    r.add(f1);
    r.add(f3);
    r.add(f4);
    if (Volume(this) < 0.0)
      throw new mException(__LINE__, "src/mTet", "the faces give a tet of negative volume in both orders");
  }
  mVertex* w[4];
  for (int k = 0; k < 4; ++k) w[k] = static_cast<mVertex*>(getTemplate(k, 0, 0));
  mAdjacencyContainer& vl = createAdjacency(0, 4);
  for (int k = 0; k < 4; ++k) vl.add(w[k]);
}

mTet::mTet() : mRegion() {}

mTet::~mTet() {}

int mTet::getNbTemplates(int dim) const {
  switch (dim) {
    case 0:
      return 4;
    case 1:
      return 6;
    case 2:
      return 4;
    default:
      throw new mException(__LINE__, "src/mTet", "");
  }
}

namespace {
mVertex* sharedVertexOfEdges(const mEntity* a, const mEntity* b) {
  if (!a || !b) return nullptr;
  const mEdge* ea = static_cast<const mEdge*>(a);
  const mEdge* eb = static_cast<const mEdge*>(b);
  if (eb->vertex(0) == ea->vertex(0)) return ea->vertex(0);
  if (eb->vertex(1) == ea->vertex(0)) return ea->vertex(0);
  if (eb->vertex(0) == ea->vertex(1)) return ea->vertex(1);
  if (eb->vertex(1) == ea->vertex(1)) return ea->vertex(1);
  return nullptr;
}
}  // namespace

mEntity* mTet::getTemplate(int i, int dim, int with) const {
  if (dim == 0) {
    if (isAdjacencyCreated(0)) return theAdjacencies[0][i];
    if (isAdjacencyCreated(1)) {
      const mAdjacencyContainer& e = theAdjacencies[1];
      return sharedVertexOfEdges(e[Tve[i][0]], e[Tve[i][1]]);
    }
    if (isAdjacencyCreated(2)) {
      const mAdjacencyContainer& f = theAdjacencies[2];
      return static_cast<mFace*>(f[Tvf[i][0]])
          ->commonVertex(static_cast<mFace*>(f[Tvf[i][1]]), static_cast<mFace*>(f[Tvf[i][2]]));
    }
    return nullptr;
  }
  if (dim == 1) {
    if (isAdjacencyCreated(2)) {
      const mAdjacencyContainer& f = theAdjacencies[2];
      mEdge* e = static_cast<mFace*>(f[Tef[i][0]])->commonEdge(static_cast<mFace*>(f[Tef[i][1]]));
      if (e) return e;
    }
    return new mEdge(static_cast<mVertex*>(getTemplate(Tev[i][0], 0, 0)),
                     static_cast<mVertex*>(getTemplate(Tev[i][1], 0, 0)), theClassification);
  }
  if (dim == 2 && with == 0) {
    return new mFace(static_cast<mVertex*>(get(0, Tfv[i][0])), static_cast<mVertex*>(get(0, Tfv[i][1])),
                     static_cast<mVertex*>(get(0, Tfv[i][2])), theClassification);
  }
  if (dim == 2 && with == 1) {
    // The face is built on existing edges: the stored ones, or those the
    // stored faces share. Edges made for the occasion would have no owner.
    mEdge* e[3];
    for (int k = 0; k < 3; ++k) {
      const int j = Tfe[i][k];
      e[k] = nullptr;
      if (isAdjacencyCreated(1)) {
        e[k] = static_cast<mEdge*>(theAdjacencies[1][j]);
      } else if (isAdjacencyCreated(2)) {
        const mAdjacencyContainer& f = theAdjacencies[2];
        e[k] = static_cast<mFace*>(f[Tef[j][0]])->commonEdge(static_cast<mFace*>(f[Tef[j][1]]));
      }
      if (!e[k]) throw new mException(__LINE__, "src/mTet", "the edges of this tet are not created");
    }
    return new mFace(e[0], e[1], e[2], theClassification);
  }
  throw new mException(__LINE__, "src/mTet", "this tet template is not done");
}

void mTet::print() const {
  auto id = [this](int k) {
    const mEntity* v = get(0, k);
    return v ? v->getId() : 0;
  };
  std::printf("tet %p with vertices %d %d %d %d\n", (const void*)this, id(0), id(1), id(2), id(3));
}

}  // namespace KORA
