// EnSight 6 geometry text.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "../output/ensight_reader.h"
#include "files_helpers.h"
#include "mFace.h"
#include "mHex.h"
#include "mPrism.h"
#include "mesh_fixtures.h"

namespace {

using namespace KORA;
using namespace filestest;

class FilesEnsight : public InTempDir {};

const char* kHeader = "blbabl\n blbabl\n node id given\n element id given\n coordinate\n";

TEST_F(FilesEnsight, TrianglesAndQuadrilateralsInTheirBlocks) {
  mMesh m(1);
  gEntity* g = m.getGEntity(1, 2);
  m.createVertex(1, 0, 0, 0, g);
  m.createVertex(2, 0.5, 0, 0, g);
  m.createVertex(3, 0.5, 1, 0, g);
  m.createVertex(4, 0, 1, -12345.678, g);
  m.createFaceWithVertices(1, 2, 3, g);
  m.createFaceWithVertices(1, 2, 3, 4, g);
  KORA_Util::Instance()->exportEnsightFile("mesh.geo", &m, true);
  const std::string text = readFile("mesh.geo");
  // Vertex keys 4289383, 5335290, 5554746 and 68078301 for the ids 1 to 4
  // go to the buckets 3, 0, 6 and 1 of the 10 vertex buckets. Ids in eight
  // columns, coordinates in twelve with five decimals; element ids count the
  // elements of the file from 1.
  EXPECT_EQ(text, std::string(kHeader) +
                      "       4\n"
                      "       2 5.00000e-01 0.00000e+00 0.00000e+00\n"
                      "       4 0.00000e+00 1.00000e+00-1.23457e+04\n"
                      "       1 0.00000e+00 0.00000e+00 0.00000e+00\n"
                      "       3 5.00000e-01 1.00000e+00 0.00000e+00\n"
                      "part 1\n"
                      "mesh\n"
                      "tria3\n"
                      "       1\n"
                      "       1       1       2       3\n"
                      "quad4\n"
                      "       1\n"
                      "       2       1       2       3       4\n");
}

TEST_F(FilesEnsight, MissingBlocksAreNotWritten) {
  mMesh m(1);
  gEntity* g = m.getGEntity(1, 2);
  m.createVertex(1, 0, 0, 0, g);
  m.createVertex(2, 1, 0, 0, g);
  m.createVertex(3, 0, 1, 0, g);
  KORA_Util::Instance()->exportEnsightFile("points.geo", &m, false);
  // The walk order of the ids 1 to 3 (buckets 3, 0 and 6); no element, no part.
  const std::string vertices = std::string(kHeader) +
                               "       3\n"
                               "       2 1.00000e+00 0.00000e+00 0.00000e+00\n"
                               "       1 0.00000e+00 0.00000e+00 0.00000e+00\n"
                               "       3 0.00000e+00 1.00000e+00 0.00000e+00\n";
  EXPECT_EQ(readFile("points.geo"), vertices);
  m.createFaceWithVertices(1, 2, 3, g);
  KORA_Util::Instance()->exportEnsightFile("tri.geo", &m, false);
  EXPECT_EQ(readFile("tri.geo"),
            vertices + "part 1\nmesh\ntria3\n       1\n       1       1       2       3\n");
}

// Regions of every kind through the element list: blocks in the format's
// type order with their counts, each element's nodes in its own vertex order,
// and a reader that follows the counts finds every element and node.
TEST_F(FilesEnsight, VolumeElementsInTypeBlocksReadBack) {
  meshtest::TwoTets tets;
  mMesh& m = tets.mesh;
  gEntity* g = tets.region;
  // A unit hexahedron, a prism beside it, and two vertices of extreme height.
  const double hexPoints[8][3] = {{2, 0, 0}, {3, 0, 0}, {3, 1, 0}, {2, 1, 0},
                                  {2, 0, 1}, {3, 0, 1}, {3, 1, 1}, {2, 1, 1}};
  for (int i = 0; i < 8; ++i) m.createVertex(10 + i, hexPoints[i][0], hexPoints[i][1], hexPoints[i][2], g);
  m.createVertex(20, 4, 0, 0, g);
  m.createVertex(21, 4, 0, 1, g);
  m.createVertex(22, 2.5, 0.5, 1.0e-200, g);  // beyond the two-digit exponent: written as 0
  m.createVertex(23, 2.5, 0.5, -3.0e150, g);  // the largest twelve columns hold
  mEntity* hex = m.createHexWithVertices(10, 11, 12, 13, 14, 15, 16, 17, g);
  mEntity* prism = m.createPrismWithVertices(11, 20, 12, 15, 21, 16, g);
  mEntity* other = m.getVertex(22);
  std::vector<mEntity*> given = {hex, tets.t2, other, prism, nullptr, tets.t1};
  KORA_Util::Instance()->exportEnsightFile("volume.geo", &m, given);

  ensight6::Geometry geo;
  ASSERT_NO_THROW(geo = ensight6::readGeometry("volume.geo"));
  ASSERT_EQ(geo.nodes.size(), 17u);
  ASSERT_EQ(geo.parts.size(), 1u);
  EXPECT_EQ(geo.parts[0].number, 1);
  const std::vector<ensight6::Block>& blocks = geo.parts[0].blocks;
  ASSERT_EQ(blocks.size(), 3u);
  const struct {
    const char* type;
    std::vector<mEntity*> elements;
  } expected[] = {{"tetra4", {tets.t2, tets.t1}}, {"penta6", {prism}}, {"hexa8", {hex}}};
  int id = 1;
  for (int b = 0; b < 3; ++b) {
    SCOPED_TRACE(expected[b].type);
    EXPECT_EQ(blocks[b].type, expected[b].type);
    ASSERT_EQ(blocks[b].nodes.size(), expected[b].elements.size());
    for (std::size_t e = 0; e < blocks[b].nodes.size(); ++e) {
      EXPECT_EQ(blocks[b].ids[e], id++);
      mEntity* element = expected[b].elements[e];
      ASSERT_EQ(blocks[b].nodes[e].size(), static_cast<std::size_t>(element->size(0)));
      for (int k = 0; k < element->size(0); ++k) {
        const mPoint p = static_cast<mVertex*>(element->get(0, k))->point();
        const ensight6::Node& n = geo.nodes[blocks[b].nodes[e][k]];
        EXPECT_EQ(n.id, element->get(0, k)->getId());
        EXPECT_DOUBLE_EQ(n.x, p(0));
        EXPECT_DOUBLE_EQ(n.y, p(1));
        EXPECT_DOUBLE_EQ(n.z, p(2));
      }
    }
  }
  for (const ensight6::Node& n : geo.nodes) {
    if (n.id == 22) {
      EXPECT_EQ(n.z, 0.0);
    } else if (n.id == 23) {
      EXPECT_EQ(n.z, -9.99999e99);
    }
  }
  // The mesh form writes faces only: this mesh has none, so no part.
  KORA_Util::Instance()->exportEnsightFile("faces.geo", &m, false);
  ASSERT_NO_THROW(geo = ensight6::readGeometry("faces.geo"));
  EXPECT_EQ(geo.nodes.size(), 17u);
  EXPECT_TRUE(geo.parts.empty());
}

TEST_F(FilesEnsight, AFileThatCannotBeCreatedIsReported) {
  mMesh m(1);
  bool thrown = false;
  const std::string printed = meshtest::expectMeshException(
      [&] { KORA_Util::Instance()->exportEnsightFile("no/dir/mesh.geo", &m, false); }, &thrown);
  EXPECT_TRUE(thrown);
  EXPECT_NE(printed.find("cannot open the EnSight geometry file no/dir/mesh.geo"),
            std::string::npos);
}

}  // namespace
