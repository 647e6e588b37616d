// The mesh database: every entity of every dimension and refinement level,
// the model entities they are classified on, the vertex id source, the owner
// manager of periodic copies and an optional model mesh.
#ifndef KORA_MMESH_H
#define KORA_MMESH_H

#include <iosfwd>
#include <list>
#include <memory>

#include "KORA_OwnerManager.h"
#include "gEntity.h"
#include "mAttachableDataContainer.h"
#include "mEntity.h"
#include "mIdGenerator.h"
#include "mIterator.h"
#include "mMeshEntityContainer.h"
#include "mPoint.h"

namespace KORA {

class mVertex;
class mEdge;
class mFace;
class mTet;
class mHex;
class mPrism;
class mTextWriter;

class mMesh : public mAttachableDataContainer {
 public:
  using giter = gEntitySet::const_iterator;

  explicit mMesh(int id);
  virtual ~mMesh();
  mMesh(const mMesh&) = delete;
  mMesh& operator=(const mMesh&) = delete;

  // Registration.
  virtual mEntity* find(mEntity* e);
  virtual void add(mEntity* e);
  virtual void del(mEntity* e);
  virtual void DEL(mEntity* e);
  virtual int size(int dim) const;
  virtual mEntityHashTableIterator beginall(int dim) const;
  virtual mEntityHashTableIterator endall(int dim) const;
  // Leaves of a dimension.
  virtual mLeavesIterator begin(int dim) const;
  virtual mLeavesIterator end(int dim) const;
  // Leaves of dimension dim classified on the model entity (id, level).
  virtual mClassIterator begin(int dim, int id, int level) const;
  virtual mClassIterator end(int dim, int id, int level) const;
  // Model entities, by level then id.
  virtual giter begin() const;
  virtual giter end() const;
  virtual int getNewVertexId();
  virtual void setNewVertexId(int id);

  int getId() const { return id_; }
  mMeshEntityContainer& getEntities() { return entities_; }
  const mMeshEntityContainer& getEntities() const { return entities_; }
  const mIdGenerator& getIdGenerator() const { return idGenerator_; }
  mMesh* getMeshModel() const { return meshModel_; }
  void setMeshModel(mMesh* m) { meshModel_ = m; }
  KORA_OwnerManager* getOwnerManager() const { return ownerManager_; }
  unsigned int getMirrorTag() const { return mirrorTag_; }
  int nbModelEntities() const { return static_cast<int>(modelEntities_.size()); }

  int getDim() const;
  void resize(int dim, int n);
  void print() const;

  // Creation. Operations by ids throw a new mException when an id names no vertex.
  mVertex* createVertex(int id, double x, double y, double z, gEntity* g);
  mVertex* createVertex(double x, double y, double z, gEntity* g);
  mEdge* createEdge(int i1, int i2, gEntity* g);
  mEdge* createEdge(mVertex* v1, mVertex* v2, gEntity* g);
  mFace* createFaceWithVertices(int i1, int i2, int i3, gEntity* g);
  mFace* createFaceWithVertices(int i1, int i2, int i3, int i4, gEntity* g);
  mFace* createFaceWithVertices(mVertex* v1, mVertex* v2, mVertex* v3, gEntity* g);
  mFace* createFaceWithVertices(mVertex* v1, mVertex* v2, mVertex* v3, mVertex* v4, gEntity* g);
  mFace* createFaceWithEdges(mEdge* e1, mEdge* e2, mEdge* e3, gEntity* g);
  mFace* createFaceWithEdges(mEdge* e1, mEdge* e2, mEdge* e3, mEdge* e4, gEntity* g);
  mTet* createTetWithVertices(int i1, int i2, int i3, int i4, gEntity* g);
  mTet* createTetWithVertices(mVertex* v1, mVertex* v2, mVertex* v3, mVertex* v4, gEntity* g);
  mTet* createTetWithFaces(mFace* f1, mFace* f2, mFace* f3, mFace* f4, gEntity* g);
  mHex* createHexWithVertices(int i1, int i2, int i3, int i4, int i5, int i6, int i7, int i8,
                              gEntity* g);
  mHex* createHexWithVertices(mVertex* v1, mVertex* v2, mVertex* v3, mVertex* v4, mVertex* v5,
                              mVertex* v6, mVertex* v7, mVertex* v8, gEntity* g);
  mPrism* createPrismWithVertices(int i1, int i2, int i3, int i4, int i5, int i6, gEntity* g);
  mPrism* createPrismWithVertices(mVertex* v1, mVertex* v2, mVertex* v3, mVertex* v4,
                                  mVertex* v5, mVertex* v6, gEntity* g);

  // Look-up (never creates).
  mVertex* getVertex(int id);
  mEdge* getEdge(mVertex* v1, mVertex* v2);
  mFace* getTri(mVertex* v1, mVertex* v2, mVertex* v3);
  mFace* getQuad(mVertex* v1, mVertex* v2, mVertex* v3, mVertex* v4);
  mTet* getTet(mVertex* v1, mVertex* v2, mVertex* v3, mVertex* v4);
  mHex* getHex(mVertex* v1, mVertex* v2, mVertex* v3, mVertex* v4, mVertex* v5, mVertex* v6,
               mVertex* v7, mVertex* v8);
  mPrism* getPrism(mVertex* v1, mVertex* v2, mVertex* v3, mVertex* v4, mVertex* v5,
                   mVertex* v6);
  // Find or create the entity of the type on the vertices of v (EDGE, TRI,
  // QUAD, TET, HEX and PRISM); any other type throws a new mException.
  mEntity* getEntity(mEntity::mType type, mVertex** v, gEntity* g);
  // The model entity (id, level), made on first request (tag -1 means the id).
  gEntity* getGEntity(int id, int level, int tag);
  gEntity* getGEntity(int id, int level) { return getGEntity(id, level, -1); }

  // Adjacency creation (state true) or removal (state false) between two dimensions.
  void modifyState(int from, int to, bool state = true, int with = 0);

  // Whole-mesh operations.
  void writeMEntity(std::ostream& out, mEntity* e);
  void writeMEntity(mTextWriter& out, mEntity* e);
  // The registered entity named by the reference text, or null (also when an
  // id names no vertex).
  mEntity* readMEntity(std::istream& in);
  // Number of vertex ids in the reference text of a type code: 2 for an
  // edge, 3 for a triangle, 4 for a quadrilateral or a tetrahedron, 8 for a
  // hexahedron; 0 for a code that readMEntity does not read.
  static int referenceSize(int code);
  // The registered entity of the type code on the given vertices (the
  // referenceSize(code) vertices of a reference, none null), as readMEntity
  // finds it; null for another code.
  mEntity* findOnVertices(int code, mVertex* const* v);
  mEntity* copyMeshEntity(mEntity* e);
  mMesh& operator+=(mMesh& other);
  void reclassify(int dim);
  void reduceToMinumumRepresentation();
  // Nearest point to p on the leaf edges classified on the model edge (id, 1);
  // throws a new mException when there is no such edge or dim is not 1.
  mPoint closestPoint(const mPoint& p, int dim, int id) const;
  bool lookupForMirrorEntities(mEntity* e, std::list<mEntity*>& mirrors);

  // Periodic links: the copy table of the owner manager rebuilt from the
  // mirror vertices (leaf vertices, edges and faces).
  void bdryLinkSetup();
  // Exchange of per-entity data across partition boundaries: one process,
  // so nothing is exchanged.
  void exchangeDataOnPartBdrys(class KORA_DataExchanger& exchanger, bool flag);

  // While a log is attached, registrations, removals and the entities split
  // or merged are told to it (null detaches it).
  void setUpwardLog(class mUpwardUpdate* log) { upwardLog_ = log; }
  // True while the upward lists are as a whole-mesh rebuild left them: set
  // by the caller after a rebuild; any adjacency change through modifyState
  // and any registration or removal without a log attached clear it.
  bool upwardListsExact() const { return upwardExact_; }
  void setUpwardListsExact(bool exact) { upwardExact_ = exact; }

  // Hierarchical refinement steered by a callback.
  void refunref(class mSplitCallbacks& cb);
  int split(std::list<mEntity*>& toSplit, mSplitCallbacks& cb);
  void splitgen(std::list<mEntity*>& toSplit, mSplitCallbacks& cb);
  void unsplit(std::list<mEntity*>& toUnsplit, mSplitCallbacks& cb);
  void cleanup(int dim, mSplitCallbacks& cb);
  void cleanup(int dim);
  int getRefinementLevel(mEntity* e);
  int getRefinementDepth(mEntity* e);
  // Splitting and unsplitting of single elements.
  void splitTriangle(mFace* t, mEntity* parent);
  mVertex* splitQuad(mFace* q, mEntity* parent);
  void splitTet(mTet* t);
  mVertex* splitHex(mHex* h);
  void unsplitTriangle(mFace* t);
  void unsplitQuad(mFace* q);
  void unsplitTet(mTet* t);
  void unsplitHex(mHex* h);

 private:
  mEdge* probeEdge();
  // Looks up a temporary probe entity and deletes it.
  mEntity* findAndDiscard(mEntity* probe);

  int id_;
  mMeshEntityContainer entities_;
  mIdGenerator idGenerator_;
  gEntitySet modelEntities_;
  unsigned int mirrorTag_;
  mMesh* meshModel_;
  KORA_OwnerManager* ownerManager_;
  class mUpwardUpdate* upwardLog_ = nullptr;
  bool upwardExact_ = false;
  // Probes for look-ups by id and by two vertices; never registered.
  std::unique_ptr<mVertex> probeVertex_;
  std::unique_ptr<mEdge> probeEdge_;
};

// Adjacency functors, each applied to every entity of one dimension.
struct createDownwardFunctor {
  int dim;
  int with;
  mMesh* mesh;
  bool create;
  bool upward;
  createDownwardFunctor(int d, int w, mMesh* m, bool c, bool up)
      : dim(d), with(w), mesh(m), create(c), upward(up) {}
  void operator()(mEntity* e) const;
};

struct createUpwardFunctor {
  int dim;
  explicit createUpwardFunctor(int d) : dim(d) {}
  void operator()(mEntity* e) const;
};

struct deleteAdjFunctor {
  int dim;
  explicit deleteAdjFunctor(int d) : dim(d) {}
  void operator()(mEntity* e) const;
};

// Model topology derived from classification.
void PrintTopology(mMesh* m, std::ostream& out);
void connectForDimK(mMesh* m, int k);
void buildForDimK(mMesh* m, int k);

}  // namespace KORA

#endif
