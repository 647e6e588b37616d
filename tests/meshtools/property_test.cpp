// Random primitives on random small meshes: each leaves a conforming mesh
// with positive volumes, the same total volume and the same boundary
// surface, or changes nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "MT_modify.h"
#include "MT_topology.h"
#include "MT_vector.h"
#include "mt_fixtures.h"

using namespace mttest;

namespace {
// Boundary area and whether every boundary vertex lies on the unit cube's surface.
double boundaryArea(pMesh m, bool* onCube) {
  double area = 0;
  *onCube = true;
  FIter it = M_faceIter(m);
  while (pFace f = FIter_next(it)) {
    if (F_region(f, 1) || !F_region(f, 0)) continue;
    double n[3], x[4][3];
    F_normalVector(f, 1, n);
    area += 0.5 * vecMag(n);
    F_coord(f, x);
    for (int k = 0; k < 3; ++k) {
      bool on = false;
      for (int c = 0; c < 3; ++c) on = on || std::fabs(x[k][c]) < 1e-12 || std::fabs(x[k][c] - 1) < 1e-12;
      *onCube = *onCube && on;
    }
  }
  FIter_delete(it);
  return area;
}
}  // namespace

TEST(MeshToolsProperty, RandomPrimitivesKeepAValidMesh) {
  int changed[3] = {0, 0, 0}, refused[3] = {0, 0, 0};
  for (unsigned seed = 1; seed <= 100; ++seed) {
    std::mt19937 rng(seed);
    JitteredCube<std::mt19937> h(2, 0.3, rng);
    for (int step = 0; step < 10; ++step) {
      const int kind = std::uniform_int_distribution<int>(0, 2)(rng);
      const int nr = M_numRegions(h.m), nf = M_numFaces(h.m), ne = M_numEdges(h.m);
      bool did = false;
      if (kind == 0) {
        auto edges = allOf(h.m, 1);
        pEdge e = edges[std::uniform_int_distribution<size_t>(0, edges.size() - 1)(rng)];
        double a[3], b[3], x[3];
        V_coord(E_vertex(e, 0), a);
        V_coord(E_vertex(e, 1), b);
        const double t = std::uniform_real_distribution<double>(0.2, 0.8)(rng);
        for (int c = 0; c < 3; ++c) x[c] = a[c] + t * (b[c] - a[c]);
        pPList news = nullptr;
        E_split(h.m, e, x, nullptr, nullptr, nullptr, &news);
        PList_delete(news);
        did = true;
      } else if (kind == 1) {
        auto edges = allOf(h.m, 1);
        pEdge e = edges[std::uniform_int_distribution<size_t>(0, edges.size() - 1)(rng)];
        const int i = E_defaultRegionSwpCfg(e);
        if (i >= 0) {
          pPList news = nullptr;
          did = E_swap(h.m, e, i, nullptr, nullptr, &news) == 1;
          PList_delete(news);
        }
      } else {
        auto faces = allOf(h.m, 2);
        pFace f = faces[std::uniform_int_distribution<size_t>(0, faces.size() - 1)(rng)];
        if (F_evalSwap(f, 1e-12)) {
          pPList olds = nullptr, news = nullptr;
          did = F_swap(h.m, f, 1e-12, nullptr, nullptr, &olds, &news) == 1;
          PList_delete(olds);
          PList_delete(news);
        } else {
          pPList olds = nullptr, news = nullptr;
          EXPECT_EQ(F_swap(h.m, f, 1e-12, nullptr, nullptr, &olds, &news), 0);
          PList_delete(olds);
          PList_delete(news);
        }
      }
      (did ? changed : refused)[kind]++;
      if (!did) {
        EXPECT_EQ(M_numRegions(h.m), nr);
        EXPECT_EQ(M_numFaces(h.m), nf);
        EXPECT_EQ(M_numEdges(h.m), ne);
      }
      bool onCube;
      const double area = boundaryArea(h.m, &onCube);
      ASSERT_TRUE(conforming(h.m)) << "seed " << seed << " step " << step << " kind " << kind;
      ASSERT_GT(minVolume(h.m), 0) << "seed " << seed << " step " << step << " kind " << kind;
      ASSERT_NEAR(totalVolume(h.m), 1.0, 1e-12) << "seed " << seed << " step " << step << " kind " << kind << " did " << did;
      ASSERT_NEAR(area, 6.0, 1e-12) << "seed " << seed << " step " << step << " kind " << kind;
      ASSERT_TRUE(onCube);
    }
  }
  // The run exercised every primitive both ways where it can refuse.
  EXPECT_GT(changed[0], 0);
  EXPECT_GT(changed[1], 0);
  EXPECT_GT(changed[2], 0);
  EXPECT_GT(refused[1] + refused[2], 0);
}
