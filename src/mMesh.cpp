#include "mMesh.h"

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "KORA_Util.h"
#include "mEdge.h"
#include "mException.h"
#include "mFace.h"
#include "mHex.h"
#include "mPrefetchWalk.h"
#include "mPrism.h"
#include "mTet.h"
#include "mVertex.h"
#include "mUpwardUpdate.h"

namespace KORA {

namespace {

[[noreturn]] void fail(int line, const std::string& text) {
  throw new mException(line, "src/mMesh", text.c_str());
}

const void* vp(const void* p) { return p; }

// Look-ups on a null vertex find nothing (and build no probe).
bool allSet(std::initializer_list<const mVertex*> v) {
  for (const mVertex* p : v)
    if (!p) return false;
  return true;
}

// Model entities outlive the meshes that made them; they are kept here and
// released when the process ends.
std::vector<std::unique_ptr<gEntity>>& modelEntityStore() {
  static std::vector<std::unique_ptr<gEntity>> store;
  return store;
}

}  // namespace

mMesh::mMesh(int id)
    : id_(id),
      entities_(1000),
      mirrorTag_(0),
      meshModel_(nullptr),
      ownerManager_(new KORA_OwnerManager()) {
  mirrorTag_ = KORA_Util::Instance()->getMeshDataId("_mirror");
}

mMesh::~mMesh() {
  // Every entity of every level, top dimension first; the tables are not
  // updated while this runs.
  for (int d = 3; d >= 0; --d) {
    // The lists of an entity are returned to their pool with it: ask for
    // them ahead of the walk too.
    auto lists = [](mEntity* e) {
      for (int k = 0; k < 4; ++k)
        if (const mAdjacencyContainer* l = e->getAdjacencyList(k))
          if (const void* b = l->block()) prefetchLines(b);
    };
    walkPrefetched(beginall(d), endall(d), lists, [](mEntity*) {}, [](mEntity* e) { delete e; });
  }
  delete ownerManager_;
  modelEntities_.clear();
}

// ------------------------------------------------------------- registration

mEntity* mMesh::find(mEntity* e) { return entities_.find(e); }

void mMesh::add(mEntity* e) {
  entities_.add(e);
  if (upwardLog_) upwardLog_->registered(e);
  else upwardExact_ = false;
}

void mMesh::del(mEntity* e) {
  if (upwardLog_) upwardLog_->removed(e);
  else upwardExact_ = false;
  entities_.del(e);
}

void mMesh::DEL(mEntity* e) {
  if (!e) return;
  del(e);
  delete e;
}

int mMesh::size(int dim) const { return entities_.size(dim); }

mEntityHashTableIterator mMesh::beginall(int dim) const { return entities_.begin(dim); }

mEntityHashTableIterator mMesh::endall(int dim) const { return entities_.end(dim); }

mLeavesIterator mMesh::begin(int dim) const { return mLeavesIterator(beginall(dim), endall(dim)); }

mLeavesIterator mMesh::end(int dim) const { return mLeavesIterator(endall(dim), endall(dim)); }

mClassIterator mMesh::begin(int dim, int id, int level) const {
  return mClassIterator(beginall(dim), endall(dim), id, level);
}

mClassIterator mMesh::end(int dim, int id, int level) const {
  return mClassIterator(endall(dim), endall(dim), id, level);
}

mMesh::giter mMesh::begin() const { return modelEntities_.begin(); }

mMesh::giter mMesh::end() const { return modelEntities_.end(); }

int mMesh::getNewVertexId() { return idGenerator_.generateId(); }

void mMesh::setNewVertexId(int id) { idGenerator_.setMaxValue(id); }

int mMesh::getDim() const {
  if (size(3)) return 3;
  if (size(2)) return 2;
  if (size(1)) return 1;
  return 0;
}

void mMesh::resize(int dim, int n) {
  if (n) entities_.resize(dim, n);
}

void mMesh::print() const { entities_.print(); }

// ----------------------------------------------------------------- creation

mVertex* mMesh::createVertex(int id, double x, double y, double z, gEntity* g) {
  if (mVertex* v = getVertex(id)) return v;
  mVertex* v = new mVertex(id, mPoint(x, y, z), g);
  // The look-up above has just seeded the generator with id and drawn once:
  // computing the key again would leave it in the same state.
  v->key = probeVertex_->key;
  idGenerator_.setMaxValue(id);
  setNewVertexId(id);
  add(v);
  return v;
}

mVertex* mMesh::createVertex(double x, double y, double z, gEntity* g) {
  return createVertex(getNewVertexId(), x, y, z, g);
}

mEdge* mMesh::createEdge(int i1, int i2, gEntity* g) {
  mVertex* v1 = getVertex(i1);
  mVertex* v2 = getVertex(i2);
  if (!v1 || !v2)
    fail(__LINE__, mFormat("unknown verex id's %d(%p) %d(%p) in new edge creation\n", i1, vp(v1),
                          i2, vp(v2)));
  return createEdge(v1, v2, g);
}

mEdge* mMesh::createEdge(mVertex* v1, mVertex* v2, gEntity* g) {
  mEdge* e = new mEdge(v1, v2, g);
  add(e);
  return e;
}

mFace* mMesh::createFaceWithVertices(int i1, int i2, int i3, gEntity* g) {
  mVertex* v1 = getVertex(i1);
  mVertex* v2 = getVertex(i2);
  mVertex* v3 = getVertex(i3);
  if (!v1 || !v2 || !v3) fail(__LINE__, "unknown verex id's in new face creation");
  return createFaceWithVertices(v1, v2, v3, g);
}

mFace* mMesh::createFaceWithVertices(int i1, int i2, int i3, int i4, gEntity* g) {
  mVertex* v1 = getVertex(i1);
  mVertex* v2 = getVertex(i2);
  mVertex* v3 = getVertex(i3);
  mVertex* v4 = getVertex(i4);
  if (!v1 || !v2 || !v3 || !v4)
    fail(__LINE__,
         mFormat("trying to create a quad with vertices %d %d %d %d, search gives %p %p %p %p\n",
                i1, i2, i3, i4, vp(v1), vp(v2), vp(v3), vp(v4)));
  return createFaceWithVertices(v1, v2, v3, v4, g);
}

mFace* mMesh::createFaceWithVertices(mVertex* v1, mVertex* v2, mVertex* v3, gEntity* g) {
  mFace* f = new mFace(v1, v2, v3, g);
  add(f);
  return f;
}

mFace* mMesh::createFaceWithVertices(mVertex* v1, mVertex* v2, mVertex* v3, mVertex* v4,
                                     gEntity* g) {
  if (!v1 || !v2 || !v3 || !v4)
    fail(__LINE__, mFormat("trying to create a quad with %p %p %p %p\n", vp(v1), vp(v2), vp(v3),
                          vp(v4)));
  mFace* f = new mFace(v1, v2, v3, v4, g);
  add(f);
  return f;
}

mFace* mMesh::createFaceWithEdges(mEdge* e1, mEdge* e2, mEdge* e3, gEntity* g) {
  mFace* f = new mFace(e1, e2, e3, g);
  add(f);
  return f;
}

mFace* mMesh::createFaceWithEdges(mEdge* e1, mEdge* e2, mEdge* e3, mEdge* e4, gEntity* g) {
  mFace* f = new mFace(e1, e2, e3, e4, g);
  add(f);
  return f;
}

mTet* mMesh::createTetWithVertices(int i1, int i2, int i3, int i4, gEntity* g) {
  mVertex* v1 = getVertex(i1);
  mVertex* v2 = getVertex(i2);
  mVertex* v3 = getVertex(i3);
  mVertex* v4 = getVertex(i4);
  if (!v1 || !v2 || !v3 || !v4) fail(__LINE__, "unknown verex id's in new face creation");
  return createTetWithVertices(v1, v2, v3, v4, g);
}

mTet* mMesh::createTetWithVertices(mVertex* v1, mVertex* v2, mVertex* v3, mVertex* v4,
                                   gEntity* g) {
  mTet* t = new mTet(v1, v2, v3, v4, g);
  add(t);
  return t;
}

mTet* mMesh::createTetWithFaces(mFace* f1, mFace* f2, mFace* f3, mFace* f4, gEntity* g) {
  mTet* t = new mTet(f1, f2, f3, f4, g);
  add(t);
  return t;
}

mHex* mMesh::createHexWithVertices(int i1, int i2, int i3, int i4, int i5, int i6, int i7, int i8,
                                   gEntity* g) {
  const int ids[8] = {i1, i2, i3, i4, i5, i6, i7, i8};
  mVertex* v[8];
  for (int k = 0; k < 8; ++k) v[k] = getVertex(ids[k]);
  for (int k = 0; k < 8; ++k)
    if (!v[k]) fail(__LINE__, "unknown verex id's in new hex creation");
  return createHexWithVertices(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], g);
}

mHex* mMesh::createHexWithVertices(mVertex* v1, mVertex* v2, mVertex* v3, mVertex* v4,
                                   mVertex* v5, mVertex* v6, mVertex* v7, mVertex* v8,
                                   gEntity* g) {
  mHex* h = new mHex(v1, v2, v3, v4, v5, v6, v7, v8, g);
  add(h);
  return h;
}

mPrism* mMesh::createPrismWithVertices(int i1, int i2, int i3, int i4, int i5, int i6,
                                       gEntity* g) {
  const int ids[6] = {i1, i2, i3, i4, i5, i6};
  mVertex* v[6];
  for (int k = 0; k < 6; ++k) v[k] = getVertex(ids[k]);
  for (int k = 0; k < 6; ++k)
    if (!v[k]) fail(__LINE__, "unknown verex id's in new prism creation");
  return createPrismWithVertices(v[0], v[1], v[2], v[3], v[4], v[5], g);
}

mPrism* mMesh::createPrismWithVertices(mVertex* v1, mVertex* v2, mVertex* v3, mVertex* v4,
                                       mVertex* v5, mVertex* v6, gEntity* g) {
  mPrism* p = new mPrism(v1, v2, v3, v4, v5, v6, g);
  add(p);
  return p;
}

// ------------------------------------------------------------------ look-up

mVertex* mMesh::getVertex(int id) {
  if (!probeVertex_) probeVertex_ = std::make_unique<mVertex>(0, mPoint(0, 0, 0), nullptr);
  probeVertex_->setId(id);
  return static_cast<mVertex*>(find(probeVertex_.get()));
}

mEdge* mMesh::probeEdge() {
  if (!probeEdge_) probeEdge_ = std::make_unique<mEdge>(nullptr, nullptr, nullptr);
  return probeEdge_.get();
}

mEntity* mMesh::findAndDiscard(mEntity* probe) {
  mEntity* found = find(probe);
  delete probe;
  return found;
}

mEdge* mMesh::getEdge(mVertex* v1, mVertex* v2) {
  if (!v1 || !v2) return nullptr;
  mEdge* probe = probeEdge();
  probe->setVertices(v1, v2);
  return static_cast<mEdge*>(find(probe));
}

mFace* mMesh::getTri(mVertex* v1, mVertex* v2, mVertex* v3) {
  if (!allSet({v1, v2, v3})) return nullptr;
  return static_cast<mFace*>(findAndDiscard(new mFace(v1, v2, v3, nullptr)));
}

mFace* mMesh::getQuad(mVertex* v1, mVertex* v2, mVertex* v3, mVertex* v4) {
  if (!allSet({v1, v2, v3, v4})) return nullptr;
  return static_cast<mFace*>(findAndDiscard(new mFace(v1, v2, v3, v4, nullptr)));
}

mTet* mMesh::getTet(mVertex* v1, mVertex* v2, mVertex* v3, mVertex* v4) {
  if (!allSet({v1, v2, v3, v4})) return nullptr;
  return static_cast<mTet*>(findAndDiscard(new mTet(v1, v2, v3, v4, nullptr)));
}

mHex* mMesh::getHex(mVertex* v1, mVertex* v2, mVertex* v3, mVertex* v4, mVertex* v5, mVertex* v6,
                    mVertex* v7, mVertex* v8) {
  if (!allSet({v1, v2, v3, v4, v5, v6, v7, v8})) return nullptr;
  return static_cast<mHex*>(findAndDiscard(new mHex(v1, v2, v3, v4, v5, v6, v7, v8, nullptr)));
}

mPrism* mMesh::getPrism(mVertex* v1, mVertex* v2, mVertex* v3, mVertex* v4, mVertex* v5,
                        mVertex* v6) {
  if (!allSet({v1, v2, v3, v4, v5, v6})) return nullptr;
  return static_cast<mPrism*>(findAndDiscard(new mPrism(v1, v2, v3, v4, v5, v6, nullptr)));
}

mEntity* mMesh::getEntity(mEntity::mType type, mVertex** v, gEntity* g) {
  int n = 0;
  switch (type) {
    case mEntity::EDGE: n = 2; break;
    case mEntity::TRI: n = 3; break;
    case mEntity::QUAD:
    case mEntity::TET: n = 4; break;
    case mEntity::HEX: n = 8; break;
    case mEntity::PRISM: n = 6; break;
    default: break;
  }
  for (int k = 0; k < n; ++k)
    if (!v[k]) fail(__LINE__, "getEntity called with a null vertex");
  switch (type) {
    case mEntity::EDGE:
      if (mEntity* e = getEdge(v[0], v[1])) return e;
      return createEdge(v[0], v[1], g);
    case mEntity::TRI:
      if (mEntity* e = getTri(v[0], v[1], v[2])) return e;
      return createFaceWithVertices(v[0], v[1], v[2], g);
    case mEntity::QUAD:
      if (mEntity* e = getQuad(v[0], v[1], v[2], v[3])) return e;
      return createFaceWithVertices(v[0], v[1], v[2], v[3], g);
    case mEntity::TET:
      if (mEntity* e = getTet(v[0], v[1], v[2], v[3])) return e;
      return createTetWithVertices(v[0], v[1], v[2], v[3], g);
    case mEntity::HEX:
      if (mEntity* e = getHex(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7])) return e;
      return createHexWithVertices(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], g);
    case mEntity::PRISM:
      if (mEntity* e = getPrism(v[0], v[1], v[2], v[3], v[4], v[5])) return e;
      return createPrismWithVertices(v[0], v[1], v[2], v[3], v[4], v[5], g);
    default:
      fail(__LINE__, mFormat("getEntity cannot find or create an entity of type %d",
                            static_cast<int>(type)));
  }
}

gEntity* mMesh::getGEntity(int id, int level, int tag) {
  gEntity key(nullptr, id, level, tag);
  auto it = modelEntities_.find(&key);
  if (it != modelEntities_.end()) return *it;
  gEntity* g = new gEntity(this, id, level, tag);
  modelEntityStore().emplace_back(g);
  modelEntities_.insert(g);
  return g;
}

}  // namespace KORA
