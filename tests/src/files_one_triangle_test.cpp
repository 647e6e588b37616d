// The one-triangle mesh through import, export, refinement and coarsening,
// against texts worked out by hand from the storage rules: the order of every
// written line follows the walk over the hash tables, and the ids of the
// midpoints follow the walk over the edges.
//
// The hand work. A vertex's key is the first number the runtime generator
// draws after being seeded with the vertex id, modulo 10^8:
//   id 1: 4289383   id 2: 5335290   id 3: 5554746
//   id 4: 68078301  id 5: 90011675  id 6: 90852541
// (these are the runtime's draws, checked by the first test). The file has 3
// vertices, so the reader sizes the tables for 3 vertices, 15 edges, 30 faces
// and 24 regions; nothing below grows them (a table grows past 3 entities per
// bucket). An entity goes to bucket key mod count (a vertex its key, any other
// entity the sum of its vertices' keys) at the front; walks go bucket by
// bucket, newest first.
//   Vertices (3 buckets): 1 -> 1, 2 -> 0, 3 -> 0: walk 3 2 1.
//   Edges (15 buckets): (1,2) 9624673 -> 13, (2,3) 10890036 -> 6,
//   (3,1) 9844129 -> 4: walk (3,1) (2,3) (1,2).
// Refining the triangle gives the flagged edges the serials 4, 5, 6 in that
// walk order, and a serial is the id of the edge's midpoint: (3,1) gets
// vertex 4 at (0, 0.5), (2,3) vertex 5 at (0.5, 0.5), (1,2) vertex 6 at
// (0.5, 0). The edges are split in the triangle's edge order (1,2), (2,3),
// (3,1), so the midpoints are made in the order 6, 5, 4, and the edges in the
// order (1,6) (6,2) (2,5) (5,3) (3,4) (4,1), then the inner (6,5) (5,4) (4,6).
//   Vertices: 4 -> 0, 5 -> 2, 6 -> 1: buckets 0: 4 3 2, 1: 6 1, 2: 5.
//   Edges: (1,6) -> 14, (6,2) -> 1, (2,5) -> 5, (5,3) -> 11, (3,4) -> 12,
//   (4,1) -> 4, (6,5) -> 6, (5,4) -> 11, (4,6) -> 7. Roots in walk order:
//   (3,1) [4], (6,5) (2,3) [6], (4,6) [7], (5,4) [11], (1,2) [13].
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "files_helpers.h"
#include "mesh_fixtures.h"

namespace {

using namespace KORA;
using namespace filestest;

class OneTriangleFile : public InTempDir {};

const char* const kExport =
    "$NOE\n"
    "3\n"
    "3 0 1 0\n"
    "2 1 0 0\n"
    "1 0 0 0\n"
    "$ENDNOE\n"
    "$PRL\n"
    "0\n"
    "$ENDPRL\n"
    "$ELM\n"
    "7\n"
    "1 15 3 1 1 3\n"
    "2 15 2 1 1 2\n"
    "3 15 1 1 1 1\n"
    "4 1 3 0 2 3 1\n"
    "5 1 2 0 2 2 3\n"
    "6 1 1 0 2 1 2\n"
    "7 2 1 0 3 1 2 3\n"
    "$ENDELM\n";

const char* const kRefinedExport =
    "$NOE\n"
    "6\n"
    "4 0 0.5 0\n"
    "3 0 1 0\n"
    "2 1 0 0\n"
    "6 0.5 0 0\n"
    "1 0 0 0\n"
    "5 0.5 0.5 0\n"
    "$ENDNOE\n"
    "$PRL\n"
    "0\n"
    "$ENDPRL\n"
    "$ELM\n"
    "20\n"
    "1 15 3 1 1 3\n"
    "2 15 2 1 1 2\n"
    "3 15 1 1 1 1\n"
    "4 1 3 -2 2 3 1\n"
    " 5 1 3 0 2 3 4\n"
    " 6 1 3 0 2 4 1\n"
    "7 1 1 0 2 6 5\n"
    "8 1 2 -2 2 2 3\n"
    " 9 1 2 0 2 2 5\n"
    " 10 1 2 0 2 5 3\n"
    "11 1 1 0 2 4 6\n"
    "12 1 1 0 2 5 4\n"
    "13 1 1 -2 2 1 2\n"
    " 14 1 1 0 2 1 6\n"
    " 15 1 1 0 2 6 2\n"
    "16 2 1 -4 3 1 2 3\n"
    " 17 2 1 0 3 1 6 4\n"
    " 18 2 1 0 3 6 2 5\n"
    " 19 2 1 0 3 4 5 3\n"
    " 20 2 1 0 3 6 5 4\n"
    "$ENDELM\n";

TEST(OneTriangleKeys, RuntimeGeneratorGivesTheKeysOfTheHandWork) {
  const int keys[7] = {0, 4289383, 5335290, 5554746, 68078301, 90011675, 90852541};
  for (int id = 1; id <= 6; ++id) {
    std::srand(static_cast<unsigned>(id));
    EXPECT_EQ(std::abs(std::rand()) % 100000000, keys[id]) << "vertex " << id;
  }
}

TEST_F(OneTriangleFile, TopologyExportRefinementAndCoarseningGiveTheHandTexts) {
  mMesh m(1);
  KORA_Util* u = KORA_Util::Instance();
  u->import(data("one_triangle.msh").c_str(), &m);
  EXPECT_EQ(readFile("topo.dat"), meshtest::kOneTriangleTopology);
  u->ex_port("read.msh", &m, false);
  EXPECT_EQ(readFile("read.msh"), kExport);

  // The adjacencies the solver makes for a two-dimensional mesh, then one
  // refinement of the triangle.
  m.modifyState(2, 1, true, 0);
  m.modifyState(1, 2, true, 0);
  m.modifyState(0, 1, true, 0);
  ScriptedCallback refine([&](mEntity* e) { return m.getRefinementLevel(e) == 0 ? 1 : 0; });
  m.refunref(refine);
  u->ex_port("refined.msh", &m, false);
  EXPECT_EQ(readFile("refined.msh"), kRefinedExport);

  // Coarsening removes the children, then the halves and midpoints; what is
  // left keeps its place in the buckets.
  ScriptedCallback coarsen([](mEntity*) { return -1; });
  m.refunref(coarsen);
  u->ex_port("coarsened.msh", &m, false);
  EXPECT_EQ(readFile("coarsened.msh"), kExport);
}

TEST_F(OneTriangleFile, RefinedFileReadsBackWithEveryMidpointInItsPlace) {
  mMesh m(1);
  readMsh(m, kRefinedExport);
  const double at[7][2] = {{0, 0}, {0, 0}, {1, 0}, {0, 1}, {0, 0.5}, {0.5, 0.5}, {0.5, 0}};
  for (int id = 1; id <= 6; ++id) {
    ASSERT_NE(m.getVertex(id), nullptr) << id;
    const mPoint p = m.getVertex(id)->point();
    EXPECT_EQ(p(0), at[id][0]) << "vertex " << id;
    EXPECT_EQ(p(1), at[id][1]) << "vertex " << id;
  }
  // A midpoint takes the model edge of its edges, a corner keeps its point.
  EXPECT_EQ(m.getVertex(6)->getClassification()->getLevel(), 1);
  EXPECT_EQ(m.getVertex(6)->getClassification()->getId(), 1);
  EXPECT_EQ(m.getVertex(1)->getClassification()->getLevel(), 0);
  EXPECT_EQ(m.size(1), 12);
  EXPECT_EQ(m.size(2), 5);
  EXPECT_EQ(countLeaves(m, 2), 4);
}

}  // namespace
