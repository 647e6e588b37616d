// Model parameters, geometric similarity and front faces. The mesh interface
// supports no parametric model queries (they throw), so these tests follow
// each function up to the first model query it must make and check what it
// decides before.
#include <gtest/gtest.h>

#include <sstream>

#include "AdaptUtil.h"
#include "EdgeCollapsMod.h"
#include "EdgeSwapMod.h"
#include "ParamsOnGFace.h"
#include "fromMeshTools.h"
#include "mException.h"
#include "ops_fixtures.h"

using namespace opstest;

namespace {

// Runs f and tells what it threw: "int", "mException" or "nothing".
template <class F>
std::string thrown(F f) {
  try {
    f();
  } catch (int) {
    return "int";
  } catch (mException* e) {
    delete e;
    return "mException";
  }
  return "nothing";
}

TEST(ParamsOnGFace, KeepsOneEntryPerModelFaceWithinItsRoom) {
  MeshHolder mh;
  pGEntity f1 = mh.m->getGEntity(1, 2), f2 = mh.m->getGEntity(2, 2), f3 = mh.m->getGEntity(3, 2);
  const double p1[3] = {0.1, 0.2, 0}, p2[3] = {0.3, 0.4, 0}, p3[3] = {0.5, 0.6, 0};
  ParamsOnGFace rec(2, f1, p1);
  EXPECT_EQ(rec.size(), 1);
  EXPECT_EQ(rec.ifGParamExist(f1), 1);
  EXPECT_EQ(rec.ifGParamExist(f2), 0);
  double out[3];
  EXPECT_EQ(rec.getParam(f2, out), 0);
  EXPECT_EQ(rec.appendUnique(f1, p2), 0);  // already there: unchanged
  EXPECT_EQ(rec.size(), 1);
  EXPECT_EQ(rec.getParam(f1, out), 1);
  adapttest::expectVec(out, 0.1, 0.2, 0, 0);
  EXPECT_EQ(rec.appendUnique(f2, p2), 1);
  EXPECT_EQ(rec.getParam(f2, out), 1);
  adapttest::expectVec(out, 0.3, 0.4, 0, 0);
  EXPECT_EQ(rec.append(f3, p3), 0);  // full: never grows past its room
  EXPECT_EQ(rec.size(), 2);
  EXPECT_EQ(rec.ifGParamExist(f3), 0);
}

TEST(GeometricSimilarity, DegenerateParameterTrianglesAndModelQueries) {
  MeshHolder mh;
  pGEntity g = mh.m->getGEntity(1, 2);
  double collinear[3][3] = {{0, 0, 0}, {1, 1, 0}, {2, 2, 0}};
  EXPECT_EQ(AdaptUtil::Par_checkGeoSim(g, 1e-8, collinear), 0);
  // Twice the area 1e-17, below the squared tolerance 1e-16.
  double thin[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1e-17, 0}};
  EXPECT_EQ(AdaptUtil::Par_checkGeoSim(g, 1e-8, thin), 0);
  // A real triangle needs the model face's direction, which is unsupported.
  double real[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  EXPECT_EQ(thrown([&] { AdaptUtil::Par_checkGeoSim(g, 1e-8, real); }), "int");
}

// A triangle on the model face g, its vertices on g.
struct BoundaryTriangle {
  MeshHolder mh;
  pGEntity g = mh.m->getGEntity(1, 2);
  pVertex v[3];
  pFace f;
  BoundaryTriangle() {
    v[0] = mh.vertex(0, 0, 0);
    v[1] = mh.vertex(1, 0, 0);
    v[2] = mh.vertex(0, 1, 0);
    f = meshtools_detail::triOf(mh.m, v[0], v[1], v[2], g);
    for (pVertex x : v) V_setWhatIn(x, g);
  }
};

TEST(GeometricSimilarity, CachedParametersAreNotAskedForAgain) {
  BoundaryTriangle t;
  const unsigned int tag = MD_newMeshDataId("ops_test_params");
  // Nothing cached: the vertices' parameters are asked of the model.
  EXPECT_EQ(thrown([&] { AdaptUtil::F_checkGeoSim(t.f, tag); }), "mException");
  std::vector<ParamsOnGFace*> recs;
  for (int i = 0; i < 3; ++i) {
    const double p[3] = {double(i == 1), double(i == 2), 0};
    recs.push_back(new ParamsOnGFace(1, t.g, p));
    EN_attachDataPtr(t.v[i], tag, recs.back());
    // Two of three cached: the third is still asked for.
    if (i == 1) {
      EXPECT_EQ(thrown([&] { AdaptUtil::F_checkGeoSim(t.f, tag); }), "mException");
    }
  }
  // All cached: the first model query is the repair's degeneracy test.
  EXPECT_EQ(thrown([&] { AdaptUtil::F_checkGeoSim(t.f, tag); }), "int");
  for (int i = 0; i < 3; ++i) EN_deleteData(t.v[i], tag);
  for (auto* r : recs) delete r;
  MD_deleteMeshDataId(tag);
}

TEST(GeometricSimilarity, InteriorVertexHasNoParametersOnAFace) {
  BoundaryTriangle t;
  pVertex inside = t.mh.vertex(0.2, 0.2, 0.2);
  V_setWhatIn(inside, t.mh.m->getGEntity(1, 3));
  double par[3];
  EXPECT_EXIT(AdaptUtil::V_reparamOnGFace(inside, t.g, par), testing::ExitedWithCode(1),
              "a boundary vertex classified on model region \\(V_reparamOnGFace\\)");
  double s = 7;
  EXPECT_EQ(AdaptUtil::V_reparamOnGEdge(t.v[0], t.mh.m->getGEntity(1, 1), &s), 0);
  EXPECT_EQ(s, 7);
}

TEST(PeriodicSwap, OnlyEdgesOnAModelFaceAreJudged) {
  Ring4 ring(0.1);
  EXPECT_EQ(AdaptUtil::E_swpCheckPer(ring.axis()), 1);
  E_setWhatIn(ring.axis(), ring.mh.m->getGEntity(1, 2));
  EXPECT_EQ(thrown([&] { AdaptUtil::E_swpCheckPer(ring.axis()); }), "int");
}

TEST(PeriodicSwap, OrientationAnglesOfTwoRightTriangles) {
  MeshHolder mh;
  pVertex o = mh.vertex(0, 0, 0), x = mh.vertex(1, 0, 0), y = mh.vertex(0, 1, 0), xy = mh.vertex(1, 1, 0);
  meshtools_detail::triOf(mh.m, o, x, y, nullptr);
  meshtools_detail::triOf(mh.m, x, xy, y, nullptr);
  double maxCos = 0, minOri = 5;
  AdaptUtil::E_swpGetOriAngles(E_exists(x, y), &maxCos, &minOri);
  EXPECT_NEAR(maxCos, std::sqrt(0.5), 1e-15);  // the 45 degree corners
  EXPECT_EQ(minOri, 0.0);                      // neither lies on a model face
  EXPECT_EQ(AdaptUtil::F_angleToGNormal(F_exists(0, o, x, y, nullptr)), 0.0);

  // An edge of three faces is not swapped on its model face; the outputs stay.
  pGEntity g = mh.m->getGEntity(1, 2);
  pVertex z = mh.vertex(0.5, 0.5, 1);
  meshtools_detail::triOf(mh.m, x, y, z, nullptr);
  E_setWhatIn(E_exists(x, y), g);
  pPList faces = PList_new();
  maxCos = 3;
  minOri = 4;
  EXPECT_EQ(fromMeshTools::E_evalSwpOnGFace(E_exists(x, y), g, faces, &maxCos, &minOri), 0);
  EXPECT_EQ(maxCos, 3);
  EXPECT_EQ(minOri, 4);
  PList_delete(faces);
}

TEST(ModelTolerances, PrintedPerLevelWithTheLargestReturned) {
  MeshHolder mh;
  pGEntity f = mh.m->getGEntity(1, 2), e1 = mh.m->getGEntity(1, 1), e2 = mh.m->getGEntity(2, 1),
           v = mh.m->getGEntity(1, 0);
  f->add(e1);
  f->add(e2);
  f->add(v);
  e1->add(v);
  testing::internal::CaptureStdout();
  EXPECT_EQ(AdaptUtil::GF_Tolerances(f), 1e-8);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            " faceTolerance:       1e-08\n edgeTolerances:      1e-08    1e-08    \n"
            " vertexTolerances:    1e-08    \n");
  testing::internal::CaptureStdout();
  EXPECT_EQ(AdaptUtil::GE_Tolerances(e1), 1e-8);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            " edgeTolerance:       1e-08\n vertexTolerances:    1e-08    \n");
  EXPECT_EQ(AdaptUtil::GF_inClosure(f, e2), 1);
  EXPECT_EQ(AdaptUtil::GF_inClosure(f, v), 1);
  EXPECT_EQ(AdaptUtil::GF_inClosure(f, mh.m->getGEntity(3, 1)), 0);
  EXPECT_EQ(AdaptUtil::GF_inClosure(f, f), 0);
}

// The unit tetrahedron in model region R1; its face f0 on a model face.
struct FrontTet {
  MeshHolder mh;
  pGEntity R1 = mh.m->getGEntity(1, 3), R2 = mh.m->getGEntity(2, 3), R3 = mh.m->getGEntity(3, 3);
  pRegion r;
  pFace f0;
  FrontTet() {
    const double x[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    r = mh.tet(x);
    R_setWhatIn(r, R1);
    f0 = R_face(r, 0);
  }
};

TEST(FrontFace, BetweenTwoModelRegionsTheOtherOneIsFront) {
  FrontTet t;
  pGEntity wall = t.mh.m->getGEntity(1, 2);
  wall->add(t.R1);
  wall->add(t.R2);
  F_setWhatIn(t.f0, wall);
  pGEntity region = nullptr;
  EXPECT_EQ(AdaptUtil::isfacefront(t.f0, nullptr, &region), 1);
  EXPECT_EQ(region, t.R2);  // the side without mesh
  region = t.R1;
  EXPECT_EQ(AdaptUtil::isfacefront(t.f0, nullptr, &region), 0);  // meshed already
  region = t.R2;
  EXPECT_EQ(AdaptUtil::isfacefront(t.f0, nullptr, &region), 1);
  region = t.R3;
  EXPECT_EQ(AdaptUtil::isfacefront(t.f0, nullptr, &region), 0);  // not a side of the face

  // A model face bounding one model region, meshed on that side: no front.
  pGEntity outer = t.mh.m->getGEntity(2, 2);
  outer->add(t.R1);
  F_setWhatIn(t.f0, outer);
  region = nullptr;
  EXPECT_EQ(AdaptUtil::isfacefront(t.f0, nullptr, &region), 0);
}

TEST(FrontFace, InsideARegionAndBetweenTwoTetrahedra) {
  FrontTet t;
  F_setWhatIn(t.f0, t.R1);
  pGEntity region = nullptr;
  EXPECT_EQ(AdaptUtil::isfacefront(t.f0, nullptr, &region), 1);
  EXPECT_EQ(region, t.R1);
  region = t.R1;
  EXPECT_EQ(AdaptUtil::isfacefront(t.f0, nullptr, &region), 1);
  region = t.R2;
  EXPECT_EQ(AdaptUtil::isfacefront(t.f0, nullptr, &region), 0);

  MeshHolder two;
  pVertex a = two.vertex(0, 0, 0), b = two.vertex(1, 0, 0), c = two.vertex(0, 1, 0);
  positiveTet(two.m, a, b, c, two.vertex(0, 0, 1));
  positiveTet(two.m, a, b, c, two.vertex(0, 0, -1));
  pFace shared = F_exists(0, a, b, c, nullptr);
  testing::internal::CaptureStdout();
  EXPECT_EQ(AdaptUtil::isfacefront(shared, nullptr, &region), 0);
  std::ostringstream want;
  want << " nr==2 face=" << static_cast<void*>(shared) << "\n";
  EXPECT_EQ(testing::internal::GetCapturedStdout(), want.str());
  EXPECT_EXIT(AdaptUtil::isfacefront(shared, two.m, &region), testing::ExitedWithCode(1), "");
}

// The collapse and swap operators consult the model only when they snap.
TEST(ModelChecksOfOperators, AskedOnlyWhenSnapping) {
  SplitTet t;
  pGEntity wall = t.mh.m->getGEntity(1, 2);
  V_setWhatIn(t.m, wall);
  Measures ms(t.mh.m);
  EdgeCollapsMod collapse(t.mh.m, nullptr, &ms.shape, &ms.length, &ms.results);
  collapse.setCollaps(E_exists(t.m, t.v1), t.m, t.v1);
  EXPECT_EQ(thrown([&] { collapse.geomCheck(); }), "mException");  // the vertex's parameters
  collapse.noSnap = 1;
  EXPECT_EQ(collapse.geomCheck(), 1);

  Ring4 ring(0.1);
  E_setWhatIn(ring.axis(), ring.mh.m->getGEntity(1, 2));
  EdgeSwapMod swap(ring.mh.m, nullptr, &ms.shape, &ms.length, &ms.results);
  swap.setSwapEdge(ring.axis());
  ASSERT_EQ(swap.topoCheck(), 1);
  EXPECT_EQ(thrown([&] { swap.geomCheck(); }), "int");  // the model face's periodicity
  swap.noSnap = 1;
  EXPECT_EQ(thrown([&] { swap.geomCheck(); }), "nothing");
}

}  // namespace
