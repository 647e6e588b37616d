// Operations on a mesh as a whole: entity reference texts, copying and
// merging, pushing classification down, reduction to the entities that carry
// model information, nearest points on model edges and periodic mirrors.
#include <cmath>
#include <cstdio>
#include <istream>
#include <ostream>
#include <vector>

#include "ParUtil.h"
#include "gEntity.h"
#include "mEdge.h"
#include "mException.h"
#include "mFace.h"
#include "mHex.h"
#include "mMesh.h"
#include "mTet.h"
#include "mTextWriter.h"
#include "mVertex.h"

namespace KORA {

void mMesh::writeMEntity(std::ostream& out, mEntity* e) {
  out << static_cast<int>(e->getType()) << ' ';
  const int n = e->getNbTemplates(0);
  for (int i = 0; i < n; ++i) out << e->get(0, i)->getId() << ' ';
  out << '\n';
}

void mMesh::writeMEntity(mTextWriter& out, mEntity* e) {
  out.putInt(static_cast<int>(e->getType()));
  out.put(' ');
  const int n = e->getNbTemplates(0);
  for (int i = 0; i < n; ++i) {
    out.putInt(e->get(0, i)->getId());
    out.put(' ');
  }
  out.put('\n');
}

int mMesh::referenceSize(int code) {
  switch (code) {
    case mEntity::EDGE: return 2;
    case mEntity::TRI: return 3;
    case mEntity::QUAD: return 4;
    case mEntity::HEX: return 8;
    case mEntity::TET: return 4;
    default: return 0;
  }
}

mEntity* mMesh::findOnVertices(int code, mVertex* const* v) {
  switch (code) {
    case mEntity::EDGE: return getEdge(v[0], v[1]);
    case mEntity::TRI: return getTri(v[0], v[1], v[2]);
    case mEntity::QUAD: return getQuad(v[0], v[1], v[2], v[3]);
    case mEntity::HEX: return getHex(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
    case mEntity::TET: return getTet(v[0], v[1], v[2], v[3]);
    default: return nullptr;
  }
}

mEntity* mMesh::readMEntity(std::istream& in) {
  int code = -1;
  if (!(in >> code)) return nullptr;
  const int nv = referenceSize(code);
  if (nv == 0) return nullptr;
  int ids[8];
  for (int k = 0; k < nv; ++k)
    if (!(in >> ids[k])) return nullptr;
  mVertex* v[8];
  for (int k = 0; k < nv; ++k) {
    v[k] = getVertex(ids[k]);
    if (!v[k]) return nullptr;  // no probe is built on a missing vertex
  }
  return findOnVertices(code, v);
}

mEntity* mMesh::copyMeshEntity(mEntity* e) {
  gEntity* g = e->getClassification();
  gEntity* mine;
  if (g) {
    mine = getGEntity(g->getId(), g->getLevel());
  } else {
    ParUtil::Instance()->Msg(ParUtil::WARNING, "Unclassified entity %d %d\n", e->getId(),
                             e->getLevel());
    mine = getGEntity(1000000, e->getLevel());
  }
  if (e->getLevel() == 0) {
    mVertex* v = static_cast<mVertex*>(e);
    const mPoint p = v->point();
    return createVertex(v->getId(), p(0), p(1), p(2), mine);
  }
  const int n = e->getNbTemplates(0);
  mVertex* v[8] = {};
  for (int i = 0; i < n && i < 8; ++i) {
    const int vid = e->get(0, i)->getId();
    v[i] = getVertex(vid);
    if (!v[i]) ParUtil::Instance()->Msg(ParUtil::FATAL, "Unable to find vertex %d\n", vid);
  }
  return getEntity(e->getType(), v, mine);
}

mMesh& mMesh::operator+=(mMesh& other) {
  for (int d = 0; d < 4; ++d) {
    for (mEntityHashTableIterator it = other.beginall(d), last = other.endall(d); it != last;
         ++it) {
      mEntity* copy = copyMeshEntity(*it);
      if (find(copy) != copy) add(copy);
    }
  }
  return *this;
}

void mMesh::reclassify(int dim) {
  for (mEntityHashTableIterator it = beginall(dim), last = endall(dim); it != last; ++it) {
    mEntity* e = *it;
    gEntity* g = e->getClassification();
    if (!g) {
      ParUtil::Instance()->Msg(ParUtil::FATAL, "an entity (%d) is NOT CLASSIFIED\n", dim);
      return;
    }
    if (g->getId() >= 0 || dim == 0) continue;
    for (int k = 0; k < dim; ++k) {
      if (!e->isAdjacencyCreated(k)) continue;
      const int n = e->size(k);
      for (int i = 0; i < n; ++i) {
        mEntity* s = e->get(k, i);
        gEntity* gs = s->getClassification();
        if (!gs || gs->getId() > 0) s->classify(g);
      }
    }
  }
}

void mMesh::reduceToMinumumRepresentation() {
  const int top = size(3) ? 3 : 2;
  for (int d = top - 1; d >= 1; --d) {
    std::vector<mEntity*> doomed;
    for (mEntityHashTableIterator it = beginall(d), last = endall(d); it != last; ++it) {
      gEntity* g = (*it)->getClassification();
      if (g && g->getLevel() != d && g->getId() > 0) doomed.push_back(*it);
    }
    for (mEntity* e : doomed) DEL(e);
  }
}

mPoint mMesh::closestPoint(const mPoint& p, int dim, int id) const {
  if (dim != 1) {
    char text[96];
    std::snprintf(text, sizeof text, "closest point asked on a model entity of dimension %d",
                  dim);
    throw new mException(__LINE__, "src/mMesh", text);
  }
  double best = 0.0;
  bool found = false;
  mPoint result(0, 0, 0);
  for (mClassIterator it = begin(1, id, 1), last = end(1, id, 1); it != last; ++it) {
    const mPoint a = static_cast<mVertex*>((*it)->get(0, 0))->point();
    const mPoint b = static_cast<mVertex*>((*it)->get(0, 1))->point();
    // Foot of the perpendicular from p on the segment [a, b], clamped to it.
    double t[3], w[3];
    double tt = 0.0, tw = 0.0;
    for (int c = 0; c < 3; ++c) {
      t[c] = b(c) - a(c);
      w[c] = p(c) - a(c);
      tt += t[c] * t[c];
      tw += t[c] * w[c];
    }
    double s = tt > 0.0 ? tw / tt : 0.0;
    s = s < 0.0 ? 0.0 : (s > 1.0 ? 1.0 : s);
    const mPoint q(a(0) + s * t[0], a(1) + s * t[1], a(2) + s * t[2]);
    const double dx = p(0) - q(0), dy = p(1) - q(1), dz = p(2) - q(2);
    const double d = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (!found || d < best) {
      found = true;
      best = d;
      result = q;
    }
  }
  if (!found) {
    char text[96];
    std::snprintf(text, sizeof text, "no leaf edge on model edge %d for a closest point", id);
    throw new mException(__LINE__, "src/mMesh", text);
  }
  return result;
}

namespace {
mMirrorVertex* mirrorOf(mEntity* v, unsigned int tag) {
  mAttachableData* d = v->getData(tag);
  return d ? static_cast<mAttachableMirrorVertex*>(d)->e : nullptr;
}
}  // namespace

bool mMesh::lookupForMirrorEntities(mEntity* e, std::list<mEntity*>& mirrors) {
  if (e->getLevel() == 0) {
    mMirrorVertex* mv = mirrorOf(e, mirrorTag_);
    if (!mv) return false;
    for (int i = 0; i < mv->nbCopies(); ++i)
      if (mv->getCopy(i) != e) mirrors.push_back(mv->getCopy(i));
    return true;
  }
  const int n = e->getNbTemplates(0);
  std::vector<mMirrorVertex*> mv(n);
  for (int i = 0; i < n; ++i) {
    mv[i] = mirrorOf(e->get(0, i), mirrorTag_);
    if (!mv[i]) return false;
  }
  mirrors.clear();
  if (e->getLevel() != 1) throw 1;
  for (int a = 0; a < mv[0]->nbCopies(); ++a) {
    for (int b = 0; b < mv[1]->nbCopies(); ++b) {
      mEntity* found = getEdge(mv[0]->getCopy(a), mv[1]->getCopy(b));
      if (found && found != e) mirrors.push_back(found);
    }
  }
  return true;
}

}  // namespace KORA
