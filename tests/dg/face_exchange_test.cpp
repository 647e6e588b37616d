// Exchange of face data across partition boundaries: the single-process
// exchanges change nothing, and the messages packed for a face unpack into
// its remote values (sent here to the face itself).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "DGDataExchange.h"
#include "cell_fixtures.h"

using namespace celltest;

namespace {

// Two triangles of order 1 with their interface cells, under a law of four
// fields.
struct Strip {
  AdvectionLaw law{4};
  LawScope scope{&law};
  mMesh mesh{1};
  gEntity *g = mesh.getGEntity(1, 2);
  std::vector<DGBoundaryCell *> faces;
  Strip() {
    mVertex *a = mesh.createVertex(1, 0, 0, 0, g);
    mVertex *b = mesh.createVertex(2, 1, 0, 0, g);
    mVertex *c = mesh.createVertex(3, 1, 1, 0, g);
    mVertex *d = mesh.createVertex(4, 0, 1, 0, g);
    mesh.createFaceWithVertices(a, b, c, g);
    mesh.createFaceWithVertices(a, c, d, g);
    connect(mesh, 2);
    for (mEntity *e : leaves(mesh, 2)) makeCell(e, 1);
    for (mEntity *e : leaves(mesh, 1)) faces.push_back(makeFaceCell(e));
  }
  DGBoundaryCell *boundaryFace() {
    for (DGBoundaryCell *f : faces)
      if (!f->getRight()) return f;
    return nullptr;
  }
  // Left states 16 values per point: value k of point i is 100 i + k.
  void fillLeftStates(DGBoundaryCell *f) {
    for (int i = 0; i < f->nbPtGauss(); ++i) {
      double *u = f->leftState(i, 16);
      for (int k = 0; k < 16; ++k) u[k] = 100.0 * i + k;
    }
  }
};

// Puts the mesh in the global context for the scope.
struct MeshScope {
  explicit MeshScope(mMesh *m) {
    GlobalParamManager::Instance()->mesh = m;
    GlobalParamManager::Instance()->dim = 2;
  }
  ~MeshScope() {
    GlobalParamManager::Instance()->mesh = nullptr;
    GlobalParamManager::Instance()->dim = 0;
  }
};

}  // namespace

TEST(FaceExchange, SingleProcessExchangesLeaveEveryFaceAsItWas) {
  Strip s;
  MeshScope ms(&s.mesh);
  for (DGBoundaryCell *f : s.faces) {
    s.fillLeftStates(f);
    f->leftTag = 3;
    f->rightTag = 1;
  }
  dgCommUl(0.5, -1);
  dgCommGradsUl(0.5, 2);
  dgCommTags();
  for (DGBoundaryCell *f : s.faces) {
    EXPECT_EQ(f->interProc, nullptr);
    EXPECT_EQ(f->rightTag, 1);
    EXPECT_EQ(f->pt(0)->UR, nullptr);
  }
}

TEST(FaceExchange, FaceValuesTravelAndArriveAsTheNewestRemoteValues) {
  Strip s;
  DGBoundaryCell *f = s.boundaryFace();
  ASSERT_NE(f, nullptr);
  s.fillLeftStates(f);
  const int nGP = f->nbPtGauss();
  KORA_SharedInfo copy(1, f->getEntity(), false);

  // Values only (4 per point), kept as values only.
  Solution_DataExchanger values(1.5, false, 2, -1, false, 113);
  EXPECT_EQ(values.tag(), 113);
  void *msg = values.AP_alloc_and_fill_buffer(f->getEntity(), copy, 1);
  ASSERT_NE(msg, nullptr);
  EXPECT_EQ(Solution_DataExchanger::messageSize(nGP, 4), sizeof(void *) + 8u * nGP * 4);
  mEntity *handle;
  std::memcpy(&handle, msg, sizeof(handle));
  EXPECT_EQ(handle, f->getEntity());
  values.receiveData(1, msg);
  std::free(msg);
  ASSERT_NE(f->interProc, nullptr);
  EXPECT_EQ(f->interProc->t, 1.5);
  EXPECT_EQ(f->interProc->tprev, 0.0);
  for (int i = 0; i < nGP; ++i)
    for (int k = 0; k < 4; ++k) EXPECT_EQ(f->interProc->U[i][k], 100.0 * i + k);
  f->getSolutionOnRightSideForTime(1.5, 4);
  EXPECT_EQ(f->pt(nGP - 1)->UR[3], 100.0 * (nGP - 1) + 3);

  // A second message shifts the first to the previous level.
  for (int i = 0; i < nGP; ++i) f->pt(i)->UL[0] = -1.0;
  msg = values.AP_alloc_and_fill_buffer(f->getEntity(), copy, 1);
  values.time = 2.5;
  values.receiveData(1, msg);
  std::free(msg);
  EXPECT_EQ(f->interProc->tprev, 1.5);
  EXPECT_EQ(f->interProc->t, 2.5);
  EXPECT_EQ(f->interProc->U[0][0], -1.0);
  EXPECT_EQ(f->interProc->Uprev[0][0], 0.0);
  EXPECT_EQ(f->interProc->Uprev[1][0], 100.0);
}

TEST(FaceExchange, GradientsWidenTheMessageAndMissingOnesArriveAsZero) {
  Strip s;
  DGBoundaryCell *f = s.boundaryFace();
  s.fillLeftStates(f);
  const int nGP = f->nbPtGauss();
  KORA_SharedInfo copy(1, f->getEntity(), false);
  Solution_DataExchanger grads(1.0, true, 2, 0, true, 113);
  EXPECT_EQ(grads.nbSent, 16);
  void *msg = grads.AP_alloc_and_fill_buffer(f->getEntity(), copy, 1);
  grads.receiveData(1, msg);
  std::free(msg);
  for (int k = 0; k < 16; ++k) EXPECT_EQ(f->interProc->U[nGP - 1][k], 100.0 * (nGP - 1) + k);

  // A values-only message where gradients are kept: the gradient columns are 0.
  Solution_DataExchanger mixed(2.0, false, 2, 0, true, 113);
  msg = mixed.AP_alloc_and_fill_buffer(f->getEntity(), copy, 1);
  mixed.receiveData(1, msg);
  std::free(msg);
  EXPECT_EQ(f->interProc->U[0][3], 3.0);
  for (int k = 4; k < 16; ++k) EXPECT_EQ(f->interProc->U[0][k], 0.0);
}

TEST(FaceExchange, OnlyFacesOfTheLevelBeingComputedArePacked) {
  Strip s;
  DGBoundaryCell *f = s.boundaryFace();
  s.fillLeftStates(f);
  KORA_SharedInfo copy(1, f->getEntity(), false);
  struct Case {
    int level;
    short rightTag;
    bool packed;
  };
  const Case cases[] = {{0, 1, true}, {-1, 4, true}, {2, 0, true}, {2, 2, true}, {2, 1, false}, {2, 4, false}};
  for (const Case &c : cases) {
    f->rightTag = c.rightTag;
    Solution_DataExchanger x(0.0, false, 2, c.level, false, 113);
    void *msg = x.AP_alloc_and_fill_buffer(f->getEntity(), copy, 1);
    EXPECT_EQ(msg != nullptr, c.packed) << "level " << c.level << " right tag " << c.rightTag;
    std::free(msg);
  }
  // Entities other than faces send nothing.
  Solution_DataExchanger x(0.0, false, 2, 0, false, 113);
  Tags_DataExchanger t(2);
  mEntity *vertex = s.mesh.getVertex(1);
  mEntity *element = f->getLeft();
  for (mEntity *e : {vertex, element}) {
    EXPECT_EQ(x.AP_alloc_and_fill_buffer(e, copy, 1), nullptr);
    EXPECT_EQ(t.AP_alloc_and_fill_buffer(e, copy, 1), nullptr);
  }
}

TEST(FaceExchange, TagsTravelAsSigned32BitValues) {
  Strip s;
  DGBoundaryCell *f = s.boundaryFace();
  KORA_SharedInfo copy(1, f->getEntity(), false);
  Tags_DataExchanger t(2);
  EXPECT_EQ(t.tag(), 114);
  for (short tag : {short(-1), short(0), short(7)}) {
    f->leftTag = tag;
    void *msg = t.AP_alloc_and_fill_buffer(f->getEntity(), copy, 1);
    ASSERT_NE(msg, nullptr);
    int wide;
    std::memcpy(&wide, msg, sizeof(int));
    EXPECT_EQ(wide, static_cast<int>(tag));
    t.receiveData(1, msg);
    std::free(msg);
    EXPECT_EQ(f->rightTag, tag);
  }
  EXPECT_EQ(Tags_DataExchanger::messageSize, sizeof(int) + sizeof(void *));
}
