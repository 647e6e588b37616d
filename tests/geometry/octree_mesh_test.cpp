// Point location with the mesh-entity octree on an unstructured-looking
// triangle mesh of a parallelogram.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "LagrangeMapping.h"
#include "Octree.h"
#include "mMesh.h"
#include "test_entities.h"

using namespace KORA;
using geomtest::Entities;

namespace {

// nx x ny squares of a sheared grid (x' = x + 0.5 y), interior vertices
// jittered, each square cut in two: 2 nx ny triangles.
struct TriangleMesh {
  Entities ents;
  std::vector<mEntity *> tris;
  TriangleMesh(int nx, int ny) {
    std::mt19937 rng(2024);
    std::uniform_real_distribution<double> jitter(-0.2, 0.2);
    const double hx = 1.0 / nx, hy = 2.0 / ny;
    std::vector<mVertex *> v;
    for (int j = 0; j <= ny; ++j)
      for (int i = 0; i <= nx; ++i) {
        double x = i * hx, y = j * hy;
        if (i > 0 && i < nx && j > 0 && j < ny) {
          x += jitter(rng) * hx;
          y += jitter(rng) * hy;
        }
        v.push_back(ents.vertex(x + 0.5 * y, y, 0.0));
      }
    auto at = [&](int i, int j) { return v[j * (nx + 1) + i]; };
    for (int j = 0; j < ny; ++j)
      for (int i = 0; i < nx; ++i) {
        tris.push_back(ents.tri({at(i, j), at(i + 1, j), at(i + 1, j + 1)}));
        tris.push_back(ents.tri({at(i, j), at(i + 1, j + 1), at(i, j + 1)}));
      }
  }
};

}  // namespace

TEST(OctreeOnMesh, EveryCentroidIsFoundInItsOwnElement) {
  TriangleMesh mesh(50, 100);
  ASSERT_EQ(mesh.tris.size(), 10000u);
  Octree *o = Octree_KORA_Create(mesh.tris.begin(), mesh.tris.end(), 20);
  // The domain box is the mesh's box widened by 1 %; it is flat in z.
  EXPECT_DOUBLE_EQ(o->root->minPt[0], -0.02);
  EXPECT_DOUBLE_EQ(o->root->maxPt[0], 2.02);
  EXPECT_EQ(o->root->minPt[2], 0.0);
  EXPECT_EQ(o->root->maxPt[2], 0.0);

  testing::internal::CaptureStdout();
  int wrong = 0;
  for (mEntity *t : mesh.tris) {
    double c[3];
    mEntityCentroid(t, c);
    wrong += Octree_Search(c, o) != t;
  }
  EXPECT_EQ(wrong, 0);
  // Points outside the mesh: beyond the box, in the box corners cut off by
  // the shear, and off the mesh plane.
  double outside[][3] = {{-1, 0.5, 0}, {1.9, 0.1, 0}, {0.1, 1.9, 0}, {0.5, 0.5, 1e-9}, {3, 3, 3}};
  for (auto &p : outside) EXPECT_EQ(Octree_Search(p, o), nullptr) << p[0] << " " << p[1];
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

  // The far corner of the mesh is a vertex of the last two triangles only.
  double corner[3] = {2.0, 2.0, 0.0};
  mEntity *top = static_cast<mEntity *>(Octree_Search(corner, o));
  EXPECT_TRUE(top == mesh.tris[9998] || top == mesh.tris[9999]);
  Octree_Delete(o);
}

TEST(OctreeOnMesh, BuildsFromTheLeavesOfAMesh) {
  mMesh mesh(1);
  gEntity *g = mesh.getGEntity(1, 2);
  mesh.createVertex(1, 0, 0, 0, g);
  mesh.createVertex(2, 1, 0, 0, g);
  mesh.createVertex(3, 1, 1, 0, g);
  mesh.createVertex(4, 0, 1, 0, g);
  mEntity *lower = mesh.createFaceWithVertices(1, 2, 3, g);
  mEntity *upper = mesh.createFaceWithVertices(1, 3, 4, g);
  Octree *o = Octree_KORA_Create(mesh.begin(2), mesh.end(2), 20);
  double a[3] = {0.7, 0.2, 0}, b[3] = {0.2, 0.7, 0}, out[3] = {1.005, 0.5, 0};
  EXPECT_EQ(Octree_Search(a, o), lower);
  EXPECT_EQ(Octree_Search(b, o), upper);
  EXPECT_EQ(Octree_Search(out, o), nullptr);
  Octree_Delete(o);
}
