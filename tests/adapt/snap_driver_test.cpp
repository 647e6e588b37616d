// Snapping of boundary vertices on the unit cube: with the interface's own
// model services (which throw) and with the analytic cube model.
#include <gtest/gtest.h>

#include <string>

#include "AdaptUtil.h"
#include "ParamsOnGFace.h"
#include "RegionCollapsMod.h"
#include "mException.h"
#include "snapVertices.h"
#include "snap_model.h"

using namespace snaptest;

namespace {

double* point(double x, double y, double z) { return new double[3]{x, y, z}; }

void expectAt(pVertex v, double x, double y, double z, double tol = 1e-12) {
  double p[3];
  V_coord(v, p);
  EXPECT_NEAR(p[0], x, tol);
  EXPECT_NEAR(p[1], y, tol);
  EXPECT_NEAR(p[2], z, tol);
}

// A vertex's move, the list holding only that vertex.
SSList<mEntity*>* listOf(pVertex v) {
  auto* list = new SSList<mEntity*>;
  list->append(v);
  return list;
}

}  // namespace

// Without model geometry the first target query fails with the interface's
// error (its message on standard output); the stage stops there, says so and
// fails, and the mesh is left as it was.
TEST(SnapDriver, SystemServicesStopAtTheFirstTargetQuery) {
  struct Case {
    int i, j, k;  // grid vertex (n = 2)
    const char* text;
  } cases[] = {
      {1, 1, 2,
       "an exception has been thrown at line 666 in file cint/KORA\n"
       "TEXT : KORA does not implement function  P_param2(pPoint, double *p1, double *p2, int *ptch)\n"},
      {1, 0, 2,
       "an exception has been thrown at line 662 in file cint/KORA\n"
       "TEXT : KORA does not implement function P_param1(pPoint)\n"},
  };
  for (const Case& c : cases) {
    CubeModel cube(2);
    GM_setGeometryServices(nullptr);
    pVertex v = cube.vertexAt(c.i, c.j, c.k);
    P_setPos(V_point(v), 0.5, 0.1, 0.9);
    pVertex later = cube.vertexAt(1, 2, 1);  // listed after: never reached
    auto* list = listOf(v);
    list->append(later);
    snapVertices snap(cube.m, nullptr, list);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(snap.run(), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: snapping to the geometric model is not available\n");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.text);
    expectAt(v, 0.5, 0.1, 0.9, 0.0);
    EXPECT_EQ(snap.toSnap->size(), 2);
    expectConformingPositive(cube.m);
    EXPECT_EQ(M_numRegions(cube.m), 48);
  }
}

TEST(SnapDriver, EmptyListReturnsZeroAndLeavesTheMesh) {
  CubeModel cube(2);
  snapVertices snap(cube.m, nullptr);
  EXPECT_EQ(snap.run(), 0);
  EXPECT_EQ(M_numRegions(cube.m), 48);
  EXPECT_NEAR(expectConformingPositive(cube.m), 1.0, 1e-14);
}

// A vertex within the model tolerance (1e-8) of its target is left where
// it is; one just beyond is moved onto the target.
TEST(SnapDriver, VertexWithinModelToleranceIsLeft) {
  struct Case {
    double offset;
    double expectedZ;
  } cases[] = {{5e-9, 1.0 + 5e-9}, {1e-8, 1.0 + 1e-8}, {2e-8, 1.0}};
  for (const Case& c : cases) {
    CubeModel cube(2);
    pVertex v = cube.vertexAt(1, 1, 2);
    P_setPos(V_point(v), 0.5, 0.5, 1.0 + c.offset);
    snapVertices snap(cube.m, nullptr, listOf(v));
    EXPECT_EQ(snap.run(), 0);
    expectAt(v, 0.5, 0.5, c.expectedZ, 0.0);
  }
}

// Vertices whose move keeps every tetrahedron valid reach their targets in
// one pass: on a model face (two parameters) and on a model edge (one).
TEST(SnapDriver, ValidMovesSnapInOnePass) {
  CubeModel cube(2);
  pVertex onFace = cube.vertexAt(1, 1, 2), onEdge = cube.vertexAt(1, 0, 2);
  P_setPos(V_point(onFace), 0.45, 0.55, 0.8);
  P_setPos(V_point(onEdge), 0.6, 0.1, 0.9);
  auto* list = listOf(onFace);
  list->append(onEdge);
  {
    // Targets from the model: (0.5, 0.5, 1) and (0.5, 0, 1).
    snapVertices snap(cube.m, nullptr, list);
    EXPECT_EQ(snap.run(), 0);
  }
  expectAt(onFace, 0.5, 0.5, 1.0);
  expectAt(onEdge, 0.5, 0.0, 1.0);
  EXPECT_NEAR(expectConformingPositive(cube.m), 1.0, 1e-14);
  EXPECT_EQ(M_numRegions(cube.m), 48);

  // One series of passes with given targets.
  snapVertices again(cube.m, nullptr);
  again.append(onFace, point(0.55, 0.45, 1.0));
  pPList unused = nullptr;
  EXPECT_EQ(again.run_2(unused), 1);
  EXPECT_EQ(again.toSnap->size(), 0);
  expectAt(onFace, 0.55, 0.45, 1.0);
  EXPECT_NEAR(expectConformingPositive(cube.m), 1.0, 1e-14);
}

// Targets along the top face far across the vertex's neighbourhood: the
// straight move spoils tetrahedra and the repairs act. Whatever they do, the
// mesh stays conforming and positive, and since every vertex stays on its
// model entity the volume stays that of the cube; a vertex reported snapped
// is at its target.
TEST(SnapDriver, RepairsKeepTheMeshConformingAndPositive) {
  struct Case {
    int n, i, j;  // grid and the vertex (i, j, n) on the top face
    double t[2];  // its target
  } cases[] = {{2, 1, 1, {0.9, 0.9}},   {2, 1, 1, {0.95, 0.6}},   {2, 1, 1, {0.1, 0.9}},
               {2, 1, 1, {0.98, 0.02}}, {2, 1, 1, {0.2, 0.05}},   {3, 1, 1, {0.9, 0.9}},
               {3, 1, 1, {0.8, 0.3}},   {3, 2, 1, {0.05, 0.95}},  {4, 1, 2, {0.9, 0.6}},
               {4, 2, 2, {0.12, 0.88}}};
  for (const Case& c : cases) {
    const double* t = c.t;
    SCOPED_TRACE(testing::Message() << "grid " << c.n << " target " << t[0] << " " << t[1]);
    CubeModel cube(c.n);
    pVertex v = cube.vertexAt(c.i, c.j, c.n);
    const int topVertices = (c.n - 1) * (c.n - 1);
    pGEntity top = V_whatIn(v);
    cube.params[V_point(v)] = {t[0], t[1]};
    int left = -2;
    testing::internal::CaptureStdout();
    {
      snapVertices snap(cube.m, nullptr, listOf(v));
      left = snap.run();
    }
    testing::internal::GetCapturedStdout();
    EXPECT_GE(left, 0);
    EXPECT_NEAR(expectConformingPositive(cube.m), 1.0, 1e-12);
    // Every vertex on the top model face lies on its plane; when all is
    // snapped, a vertex sits at the target unless a collapse merged v away
    // (the top face then has fewer vertices).
    int onTop = 0;
    bool found = false;
    VIter it = M_vertexIter(cube.m);
    while (pVertex w = VIter_next(it)) {
      double p[3];
      V_coord(w, p);
      if (V_whatIn(w) == top) {
        ++onTop;
        EXPECT_NEAR(p[2], 1.0, 1e-12);
      }
      if (std::fabs(p[0] - t[0]) + std::fabs(p[1] - t[1]) + std::fabs(p[2] - 1.0) < 1e-8) found = true;
    }
    VIter_delete(it);
    if (left == 0) {
      EXPECT_TRUE(found || onTop < topVertices) << onTop;
    }
  }
}

// After the passes, boundary faces folded over in their model face's
// parameter plane go through the repairs. Here a vertex of the top face has
// the parameters of a point across its neighbours, which folds some of its
// faces; nothing is to be snapped. The repairs end and leave the mesh
// conforming and positive with the cube's volume.
TEST(SnapDriver, FoldedBoundaryFacesAreRepairedAfterThePasses) {
  struct Case {
    int n, i, j;
    double p[2];
  } cases[] = {{2, 1, 1, {1.3, 1.3}}, {2, 1, 1, {1.4, 0.5}}, {2, 1, 1, {0.5, -0.3}}, {3, 1, 1, {0.8, 0.5}},
               {3, 1, 2, {0.6, 0.1}}, {3, 1, 1, {0.2, 0.8}}, {4, 2, 2, {0.9, 0.5}}, {4, 1, 2, {0.6, 0.6}},
               {4, 1, 1, {0.55, 0.5}}};
  for (const Case& c : cases) {
    const double* p = c.p;
    SCOPED_TRACE(testing::Message() << "grid " << c.n << " parameters " << p[0] << " " << p[1]);
    CubeModel cube(c.n);
    pVertex v = cube.vertexAt(c.i, c.j, c.n);
    cube.params[V_point(v)] = {p[0], p[1]};
    const unsigned int tag = MD_newMeshDataId("snap_test_params");
    auto folded = [&] {
      int n = 0;
      FIter it = M_faceIter(cube.m);
      while (pFace f = FIter_next(it))
        if (F_whatInType(f) == 2 && AdaptUtil::F_checkGeoSim(f, tag) != 1) ++n;
      FIter_delete(it);
      // The parameter records the check cached.
      VIter vit = M_vertexIter(cube.m);
      while (pVertex w = VIter_next(vit)) {
        void* rec = nullptr;
        if (EN_getDataPtr(w, tag, &rec)) {
          delete static_cast<ParamsOnGFace*>(rec);
          EN_deleteData(w, tag);
        }
      }
      VIter_delete(vit);
      return n;
    };
    ASSERT_GT(folded(), 0);
    testing::internal::CaptureStdout();
    {
      snapVertices snap(cube.m, nullptr);
      EXPECT_EQ(snap.run(), 0);
    }
    testing::internal::GetCapturedStdout();
    folded();
    EXPECT_NEAR(expectConformingPositive(cube.m), 1.0, 1e-12);
    MD_deleteMeshDataId(tag);
  }
}

// The region collapse's own way out: the vertex of a boundary tetrahedron
// collapsed along its best boundary edge. Only a tetrahedron with one
// boundary face qualifies.
TEST(SnapDriver, RegionCollapseSnapVertexCollapsesAlongTheBoundary) {
  CubeModel cube(2);
  pVertex v = cube.vertexAt(1, 1, 2);
  pRegion withOne = nullptr, withNone = nullptr;
  pPList rs = V_regions(v);
  for (int i = 0; i < PList_size(rs); ++i) {
    pRegion r = static_cast<pRegion>(PList_item(rs, i));
    int n = 0;
    for (int k = 0; k < 4; ++k) n += F_whatInType(R_face(r, k)) == 2;
    if (n == 1 && !withOne) withOne = r;
    if (n == 0 && !withNone) withNone = r;
  }
  PList_delete(rs);
  ASSERT_TRUE(withOne);
  pPList made = nullptr;
  if (withNone) {
    RegionCollapsMod inner(cube.m, nullptr, withNone);
    EXPECT_EQ(inner.snapVertex(v, &made), 0);
    EXPECT_EQ(made, nullptr);
  }
  const int vertices = M_numVertices(cube.m);
  RegionCollapsMod op(cube.m, nullptr, withOne);
  ASSERT_EQ(op.snapVertex(v, &made), 1);
  ASSERT_NE(made, nullptr);
  EXPECT_GT(PList_size(made), 0);
  PList_delete(made);
  EXPECT_EQ(M_numVertices(cube.m), vertices - 1);
  EXPECT_NEAR(expectConformingPositive(cube.m), 1.0, 1e-12);
}

// A curved top face z = 1 + h sin(pi u) sin(pi v): every vertex inside the
// top face moves outward onto it, all in one pass. Each such vertex carries
// a star of six triangles of area 1 / (2 n^2) (the square split in two), so
// the volume grows by the sum of its heights times 1 / n^2 (the pyramids
// over the stars, a third of height times area each).
TEST(SnapDriver, VerticesSnapOntoACurvedFace) {
  struct Case {
    int n;
    double h;
    double volume;
  } cases[] = {
      {2, 0.3, 1.0 + 0.3 / 4},
      {4, 0.2, 1.0 + 0.2 * (1 + std::sqrt(2.0)) * (1 + std::sqrt(2.0)) / 16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "grid " << c.n);
    CubeModel cube(c.n);
    cube.bump = c.h;
    auto* list = new SSList<mEntity*>;
    for (int i = 1; i < c.n; ++i)
      for (int j = 1; j < c.n; ++j) list->append(cube.vertexAt(i, j, c.n));
    {
      snapVertices snap(cube.m, nullptr, list);
      pPList unused = nullptr;
      // Targets are made by run; one series of passes is enough here.
      EXPECT_EQ(snap.run(), 0);
      EXPECT_EQ(snap.run_2(unused), 1);
    }
    for (int i = 1; i < c.n; ++i)
      for (int j = 1; j < c.n; ++j) {
        const double u = double(i) / c.n, v = double(j) / c.n;
        expectAt(cube.vertexAt(i, j, c.n), u, v, 1.0 + c.h * std::sin(M_PI * u) * std::sin(M_PI * v));
      }
    EXPECT_NEAR(expectConformingPositive(cube.m), c.volume, 1e-12);
    EXPECT_EQ(M_numRegions(cube.m), 6 * c.n * c.n * c.n);
  }
}

// Pushed inward past the layer below, the vertices need the repairs; the
// mesh stays conforming and positive, and every vertex left on the top
// face is at its target unless it is still listed.
TEST(SnapDriver, VerticesPushedInwardThroughTheMesh) {
  for (double h : {-0.3, -0.45, -0.6}) {
    SCOPED_TRACE(testing::Message() << "h " << h);
    CubeModel cube(4);
    cube.bump = h;
    auto* list = new SSList<mEntity*>;
    for (int i = 1; i < 4; ++i)
      for (int j = 1; j < 4; ++j) list->append(cube.vertexAt(i, j, 4));
    testing::internal::CaptureStdout();
    {
      snapVertices snap(cube.m, nullptr, list);
      const int left = snap.run();
      EXPECT_GE(left, 0);
      EXPECT_EQ(left, snap.toSnap->size());
      VIter it = M_vertexIter(cube.m);
      while (pVertex w = VIter_next(it)) {
        if (V_whatIn(w) != cube.top() || snap.toSnap->inList(w)) continue;
        double x[3], on[3];
        V_coord(w, x);
        double par[3];
        cube.project(cube.top(), x, par);
        cube.at(cube.top(), par, on);
        EXPECT_NEAR(x[2], on[2], 1e-8);
      }
      VIter_delete(it);
    }
    testing::internal::GetCapturedStdout();
    expectConformingPositive(cube.m);
  }
}
