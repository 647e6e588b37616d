// Reader of ".sms" mesh text.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "files_helpers.h"
#include "mEdge.h"
#include "mFace.h"
#include "mTet.h"
#include "mesh_fixtures.h"

namespace {

using namespace KORA;
using namespace filestest;

class FilesSms : public InTempDir {
 protected:
  void read(mMesh& m, const std::string& text) {
    writeFile("m.sms", text);
    KORA_Util::Instance()->importSmsFile("m.sms", &m);
  }
};

// The unit tetrahedron: vertices on model vertices 1..4 (vertex 4 on a model
// edge, with its parameter), six edges of which the last three lie on the
// model region, four faces on model faces or the region, one region.
const char* kTet =
    "sms 2\n"
    "1 4 6 4 0\n"
    "1 0 0 0 0 0\n"
    "2 0 0 1 0 0\n"
    "3 0 0 0 1 0\n"
    "7 1 0 0 0 1 0.5\n"
    "5 1 1 2 0 1 0.25\n"
    "5 1 2 3 0 0\n"
    "6 1 3 1 0 2 0.1 0.2\n"
    "9 3 1 4 0 0\n"
    "9 3 2 4 0 0\n"
    "9 3 3 4 0 0\n"
    "8 2 3 1 2 3 1 0.5 0.5 4\n"
    "9 3 3 1 5 -4 0\n"
    "9 3 3 2 6 -5 0\n"
    "8 2 3 3 4 -6 0\n"
    "11 4 1 2 3 4 0\n";

TEST_F(FilesSms, TetrahedronFromItsFaces) {
  mMesh m(1);
  read(m, kTet);
  EXPECT_EQ(m.size(0), 4);
  EXPECT_EQ(m.size(1), 3);  // edges on model regions are not created
  EXPECT_EQ(m.size(2), 2);  // nor faces on model regions
  ASSERT_EQ(m.size(3), 1);
  mEntity* t = *m.beginall(3);
  EXPECT_EQ(t->getClassification()->getId(), 11);
  EXPECT_EQ(t->getClassification()->getLevel(), 3);
  EXPECT_NEAR(Volume(static_cast<mTet*>(t)), 1.0 / 6.0, 1e-15);
  std::vector<int> ids;
  for (int i = 0; i < 4; ++i) ids.push_back(t->get(0, i)->getId());
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(m.getVertex(4)->getClassification()->getLevel(), 1);
  EXPECT_EQ(m.getVertex(4)->getClassification()->getId(), 7);
  EXPECT_EQ(m.getEdge(m.getVertex(3), m.getVertex(1))->getClassification()->getId(), 6);
}

TEST_F(FilesSms, EmptySlotsAndReversedEdgesInATwoDimensionalFile) {
  mMesh m(1);
  // Vertex slot 2 is empty; the triangle uses edge 3 stored as (1, 3)
  // reversed, so its third vertex is 3, the start of the reversed edge; the
  // quadrilateral follows its four edges.
  read(m,
       "sms 2\n0 2 6 5 0\n"
       "1 0 0 0 0 0\n"
       "0\n"
       "2 0 0 1 0 0\n"
       "3 0 0 1 1 0\n"
       "4 0 0 0 1 0\n"
       "5 1 1 3 0 0\n"
       "5 1 3 4 0 0\n"
       "5 1 1 4 0 0\n"
       "5 1 4 5 0 0\n"
       "5 1 5 1 0 0\n"
       "0\n"
       "8 2 3 1 2 -3 0\n"
       "8 2 4 1 2 4 5 0\n");
  EXPECT_EQ(m.size(0), 4);
  EXPECT_NE(m.getVertex(1), nullptr);
  EXPECT_EQ(m.getVertex(2), nullptr);
  EXPECT_NE(m.getVertex(3), nullptr);
  EXPECT_EQ(m.size(2), 2);
  mEntity* tri = m.getTri(m.getVertex(1), m.getVertex(3), m.getVertex(4));
  ASSERT_NE(tri, nullptr);
  EXPECT_EQ(tri->get(0, 0)->getId(), 1);
  EXPECT_EQ(tri->get(0, 1)->getId(), 3);
  EXPECT_EQ(tri->get(0, 2)->getId(), 4);
  mEntity* quad = m.getQuad(m.getVertex(1), m.getVertex(3), m.getVertex(4), m.getVertex(5));
  ASSERT_NE(quad, nullptr);
  EXPECT_EQ(quad->getType(), mEntity::QUAD);
  EXPECT_EQ(m.getDim(), 2);
}

struct BadSms {
  const char* name;
  std::string text;
  const char* message;
};

TEST_F(FilesSms, MalformedFilesThrowAClearException) {
  const std::string head = "sms 2\n0 1 3 3 0\n1 0 0 0 0 0\n2 0 0 1 0 0\n3 0 0 0 1 0\n";
  const std::string edges = "5 1 1 2 0 0\n5 1 2 3 0 0\n5 1 3 1 0 0\n";
  const std::vector<BadSms> cases = {
      {"five edges", "sms 2\n0 1 0 0 0\n8 2 5 1 2 3 4 5 0\n",
       "wrong number of edges on a face in loadSmsFile"},
      {"dimension 7", "sms 2\n0 0 0 1 0\n1 7 0 0 0 0\n", "unknown tag in sms loadSmsFile"},
      {"vertex beyond the table", "sms 2\n0 0 1 3 0\n1 0 0 0 0 0\n2 0 0 1 0 0\n3 0 0 0 1 0\n"
                                  "5 1 1 9 0 0\n", "edge 1 names vertex 9"},
      {"empty vertex slot", "sms 2\n0 0 1 2 0\n1 0 0 0 0 0\n0\n5 2 1 2 0 0\n",
       "edge 1 names vertex 2"},
      {"edge number 0", head + edges + "8 2 3 1 2 0 0\n", "face 1 names edge 0"},
      {"edge beyond the table", head + edges + "8 2 3 1 2 -99 0\n", "face 1 names edge -99"},
      {"truncated", "sms 2\n0 0 0 2 0\n1 0 0 0 0\n", "the file ends"},
      {"word for a number", "sms 2\n0 0 0 1 0\n1 0 zero 0 0 0\n", "found \"zero\""},
      {"negative count", "sms 2\n0 0 0 -1 0\n", "negative count"},
  };
  for (const BadSms& c : cases) {
    mMesh m(1);
    bool thrown = false;
    const std::string printed = meshtest::expectMeshException([&] { read(m, c.text); }, &thrown);
    EXPECT_TRUE(thrown) << c.name;
    EXPECT_NE(printed.find(c.message), std::string::npos) << c.name << ": " << printed;
  }
}

TEST_F(FilesSms, RegionsAreCheckedAgainstTheFaceTable) {
  const std::string head = "sms 2\n1 1 3 3 0\n1 0 0 0 0 0\n2 0 0 1 0 0\n3 0 0 0 1 0\n"
                           "5 1 1 2 0 0\n5 1 2 3 0 0\n5 1 3 1 0 0\n8 2 3 1 2 3 0\n";
  const std::vector<BadSms> cases = {
      {"face number beyond the table", head + "11 4 1 7 1 1 0\n", "region 1 names face 7"},
      {"two equal faces", head + "11 4 1 1 1 1 0\n", "do not span a tetrahedron"},
      {"five faces", head + "11 5 1 1 1 1 1 0\n", "region 1 has 5 faces"},
  };
  for (const BadSms& c : cases) {
    mMesh m(1);
    bool thrown = false;
    const std::string printed = meshtest::expectMeshException([&] { read(m, c.text); }, &thrown);
    EXPECT_TRUE(thrown) << c.name;
    EXPECT_NE(printed.find(c.message), std::string::npos) << c.name << ": " << printed;
    EXPECT_EQ(m.size(3), 0) << c.name;
  }
  mMesh m(1);
  bool thrown = false;
  const std::string printed = meshtest::expectMeshException(
      [&] { KORA_Util::Instance()->importSmsFile("absent.sms", &m); }, &thrown);
  EXPECT_TRUE(thrown);
  EXPECT_NE(printed.find("unable to open file in loadSmsFile"), std::string::npos);
}

TEST_F(FilesSms, HeaderCountsSizeTheTablesOnlyWhenTheFileCanHoldThem) {
  struct Case {
    const char* name;
    std::string text;
    std::array<int, 4> buckets;
    bool fails;
  };
  const std::vector<Case> cases = {
      // Three buckets per announced vertex, edge, face and region.
      {"tetrahedron", kTet, {12, 18, 12, 3}, false},
      // A count of 0 leaves the start size.
      {"no regions", "sms 2\n0 0 0 2 0\n1 0 0 0 0 0\n2 0 0 1 0 0\n", {6, 70, 120, 60}, false},
      // 36 bytes that announce two thousand million vertices, or counts whose
      // sum and triples pass the integer range: nothing is claimed, the read
      // ends where the records do, and the vertex read stays.
      {"false vertex count", "sms 2\n0 0 0 2000000000 0\n1 0 0 0 0 0",
       {10, 70, 120, 60}, true},
      {"counts past the integer range",
       "sms 2\n2147483647 2147483647 2147483647 2147483647 0\n1 0 0 0 0 0\n",
       {10, 70, 120, 60}, true},
  };
  for (const Case& c : cases) {
    mMesh m(1);
    bool thrown = false;
    const std::string printed = meshtest::expectMeshException([&] { read(m, c.text); }, &thrown);
    EXPECT_EQ(thrown, c.fails) << c.name << ": " << printed;
    if (c.fails) {
      EXPECT_NE(printed.find("the file ends"), std::string::npos) << c.name;
    }
    for (int d = 0; d < 4; ++d)
      EXPECT_EQ(m.getEntities().table().bucketCount(d), c.buckets[d]) << c.name << " dim " << d;
    EXPECT_NE(m.getVertex(1), nullptr) << c.name;
  }
}

TEST_F(FilesSms, ImportByNameWritesTheTopology) {
  writeFile("tet.sms", kTet);
  mMesh m(1);
  KORA_Util::Instance()->import("tet.sms", &m);
  EXPECT_EQ(m.size(3), 1);
  EXPECT_FALSE(readFile("topo.dat").empty());
}

}  // namespace
