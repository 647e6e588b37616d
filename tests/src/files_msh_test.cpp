// Sectioned ".msh" files: reading, writing and their round trips.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>
#include <cmath>
#include <cstdlib>
#include <set>

#include "KORA_MeshFiles.h"
#include "KORA_OwnerManager.h"
#include "files_helpers.h"
#include "mEdge.h"
#include "mFace.h"
#include "mesh_fixtures.h"

namespace {

using namespace KORA;
using namespace filestest;

gEntity* modelOf(mMesh& m, int id) { return m.getVertex(id)->getClassification(); }

mEntity* edgeOf(mMesh& m, int a, int b) { return m.getEdge(m.getVertex(a), m.getVertex(b)); }

mMirrorVertex* mirrorOf(mMesh& m, int id) {
  mAttachableData* d = m.getVertex(id)->getData(m.getMirrorTag());
  return d ? static_cast<mAttachableMirrorVertex*>(d)->getMirror() : nullptr;
}

TEST(FilesMsh, FixtureWithEveryKindAndATreeIsReadAsWritten) {
  mMesh m(1);
  KORA_Util::Instance()->importDGFile(data("mixed_tree.msh").c_str(), &m);
  EXPECT_EQ(m.size(0), 12);
  EXPECT_EQ(m.size(1), 3);  // the edge and its two halves
  EXPECT_EQ(m.size(2), 7);  // triangle, its four children, two quadrilaterals
  EXPECT_EQ(m.size(3), 3);  // tetrahedron, hexahedron, prism

  mEntity* e = edgeOf(m, 1, 2);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->getClassification()->getId(), 30);
  EXPECT_EQ(e->getClassification()->getLevel(), 1);
  ASSERT_NE(e->getAdjacencyList(1), nullptr);
  EXPECT_EQ(e->getAdjacencyList(1)->size(), 2);
  EXPECT_EQ(edgeOf(m, 1, 9)->parent(), e);
  EXPECT_EQ(edgeOf(m, 9, 2)->parent(), e);

  mFace* t = m.getTri(m.getVertex(1), m.getVertex(2), m.getVertex(4));
  ASSERT_NE(t, nullptr);
  ASSERT_NE(t->getAdjacencyList(2), nullptr);
  EXPECT_EQ(t->getAdjacencyList(2)->size(), 4);
  EXPECT_EQ(m.getTri(m.getVertex(9), m.getVertex(10), m.getVertex(11))->parent(), t);
  EXPECT_EQ(m.getRefinementLevel(m.getTri(m.getVertex(9), m.getVertex(10), m.getVertex(11))), 1);

  // Point records classify on model vertices; the other vertices take the
  // model entity of an edge before that of a face or region.
  EXPECT_EQ(modelOf(m, 1)->getLevel(), 0);
  EXPECT_EQ(modelOf(m, 1)->getId(), 40);
  EXPECT_EQ(modelOf(m, 12)->getId(), 41);
  EXPECT_EQ(modelOf(m, 9)->getLevel(), 1);
  EXPECT_EQ(modelOf(m, 2)->getLevel(), 1);
  EXPECT_EQ(modelOf(m, 10)->getLevel(), 2);

  // The partition-boundary pairs, in the order read.
  std::vector<std::pair<int, int>> prl;
  for (auto it = m.getOwnerManager()->begin_top(); it != m.getOwnerManager()->end_top(); ++it)
    prl.push_back(*it);
  EXPECT_EQ(prl, (std::vector<std::pair<int, int>>{{5, 1}, {5, 2}}));
}

TEST(FilesMsh, WrittenAndReadAgainGivesTheSameMesh) {
  for (bool recovery : {false, true}) {
    mMesh first(1);
    KORA_Util::Instance()->importDGFile(data("mixed_tree.msh").c_str(), &first);
    std::ostringstream out;
    if (recovery) out << std::scientific << std::setprecision(16);
    KORA_Util::Instance()->exportDGFile(out, &first, false);
    mMesh second(1);
    readMsh(second, out.str());
    EXPECT_EQ(describe(first), describe(second)) << (recovery ? "scientific" : "default");
  }
}

TEST(FilesMsh, RecoveryPrecisionKeepsEveryCoordinateBit) {
  mMesh m(1);
  gEntity* g = m.getGEntity(1, 2);
  const double xs[3] = {1.0 / 3.0, -2.0e-17, 6.02214076e23};
  m.createVertex(1, xs[0], xs[1], xs[2], g);
  m.createVertex(2, 0.1, 0.2, 0.7, g);
  m.createVertex(3, 1e-300, 3.0, -0.3, g);
  m.createFaceWithVertices(1, 2, 3, g);
  std::ostringstream out;
  out << std::scientific << std::setprecision(16);
  KORA_Util::Instance()->exportDGFile(out, &m, false);
  out << "$FIN$\n42 after\n";
  std::istringstream in(out.str());
  mMesh back(1);
  KORA_Util::Instance()->importDGFile(in, &back);
  EXPECT_EQ(describe(m), describe(back));
  const mPoint p = back.getVertex(1)->point();
  for (int c = 0; c < 3; ++c) EXPECT_EQ(p(c), xs[c]);
  // The stream is left on the first line after "$FIN$".
  int next = 0;
  std::string word;
  in >> next >> word;
  EXPECT_EQ(next, 42);
  EXPECT_EQ(word, "after");
}

TEST(FilesMsh, WriterTextFollowsWalkOrderAndLayout) {
  mMesh m(1);
  gEntity* gv = m.getGEntity(7, 0);
  gEntity* ge = m.getGEntity(6, 1);
  gEntity* gf = m.getGEntity(5, 2);
  m.createVertex(1, 0, 0, 0, gv);
  m.createVertex(2, 1, 0, 0, ge);
  m.createVertex(3, 0, 1, 0, gf);
  m.createVertex(4, 0.5, 0, 0, ge);
  mEntity* e = m.createEdge(1, 2, ge);
  mEntity* h1 = m.createEdge(1, 4, ge);
  mEntity* h2 = m.createEdge(4, 2, ge);
  for (mEntity* h : {h1, h2}) {
    e->add(h);
    h->setParent(e);
  }
  m.createFaceWithVertices(1, 2, 3, gf);
  m.getOwnerManager()->addNeighbor(5, 2);
  m.getOwnerManager()->addNeighbor(5, 1);
  m.getOwnerManager()->addNeighbor(3, 0);

  // Vertex keys 4289383, 5335290, 5554746 and 68078301 for the ids 1 to 4
  // go to the buckets 3, 0, 6 and 1 of the 10 vertex buckets.
  const std::string expected =
      "$NOE\n4\n"
      "2 1 0 0\n"
      "4 0.5 0 0\n"
      "1 0 0 0\n"
      "3 0 1 0\n"
      "$ENDNOE\n"
      "$PRL\n3\n3 0\n5 2\n5 1\n$ENDPRL\n"
      "$ELM\n5\n"
      "1 15 7 1 1 1\n"
      "2 1 6 -2 2 1 2\n"
      " 3 1 6 0 2 1 4\n"
      " 4 1 6 0 2 4 2\n"
      "5 2 5 0 3 1 2 3\n"
      "$ENDELM\n";
  EXPECT_EQ(writeMsh(m, false), expected);
}

TEST(FilesMsh, EmptyPartitionTableAndUnusedVertex) {
  mMesh m(1);
  gEntity* g = m.getGEntity(2, 1);
  m.createVertex(1, 0, 0, 0, g);
  m.createVertex(2, 1, 0, 0, g);
  m.createVertex(3, 5, 5, 5, nullptr);  // used by nothing, never classified
  m.createEdge(1, 2, g);
  const std::string text = writeMsh(m, false);
  EXPECT_NE(text.find("$PRL\n0\n$ENDPRL\n"), std::string::npos);
  // Three vertices, one edge record, no point record for the loose vertex.
  EXPECT_NE(text.find("$NOE\n3\n"), std::string::npos);
  EXPECT_NE(text.find("$ELM\n1\n1 1 2 0 2 "), std::string::npos);
  mMesh back(1);
  readMsh(back, text);
  EXPECT_EQ(describe(m), describe(back));
}

TEST(FilesMsh, BoundaryFlagLeavesOutInteriorEdgesAndFaces) {
  meshtest::TwoTets t;
  mMesh& m = t.mesh;
  m.modifyState(3, 2, true, 0);
  m.modifyState(2, 1, true, 0);
  ASSERT_EQ(m.size(2), 7);
  ASSERT_EQ(m.size(1), 9);
  mEntity* shared = m.getTri(m.getVertex(2), m.getVertex(3), m.getVertex(4));
  gEntity* skin = m.getGEntity(10, 2);
  gEntity* ridge = m.getGEntity(11, 1);
  for (auto it = m.beginall(2), last = m.endall(2); it != last; ++it)
    if (*it != shared) (*it)->classify(skin);
  edgeOf(m, 1, 2)->classify(ridge);
  // Boundary faces 6, one edge on a model edge, two regions; no point record.
  const std::string text = writeMsh(m, true);
  EXPECT_NE(text.find("$ELM\n9\n"), std::string::npos);
  mMesh back(1);
  readMsh(back, text);
  EXPECT_EQ(back.size(3), 2);
  EXPECT_EQ(back.size(2), 6);
  EXPECT_EQ(back.size(1), 1);
  EXPECT_EQ(back.getTri(back.getVertex(2), back.getVertex(3), back.getVertex(4)), nullptr);
  // Without the flag every entity is written.
  EXPECT_NE(writeMsh(m, false).find("$ELM\n18\n"), std::string::npos);
}

TEST(FilesMsh, SectionedLayoutOfVersionOneFilesIsRead) {
  {
    mMesh m(1);
    KORA_Util::Instance()->importDGFile(data("gmsh1_square.msh").c_str(), &m);
    EXPECT_EQ(m.size(0), 5);
    EXPECT_EQ(m.size(1), 4);
    EXPECT_EQ(m.size(2), 4);
    // The physical id (third field) is the model id; the elementary one is
    // positive and so means no children.
    for (auto it = m.beginall(2), last = m.endall(2); it != last; ++it) {
      EXPECT_EQ((*it)->getClassification()->getId(), 200);
      EXPECT_EQ((*it)->getClassification()->getLevel(), 2);
      EXPECT_EQ((*it)->getAdjacencyList(2), nullptr);
    }
    const int lines[4][3] = {{1, 2, 11}, {2, 3, 12}, {3, 4, 13}, {4, 1, 14}};
    for (const auto& l : lines) {
      mEntity* e = edgeOf(m, l[0], l[1]);
      ASSERT_NE(e, nullptr);
      EXPECT_EQ(e->getClassification()->getId(), l[2]);
    }
    for (int v = 1; v <= 4; ++v) {
      EXPECT_EQ(modelOf(m, v)->getLevel(), 0);
      EXPECT_EQ(modelOf(m, v)->getId(), 100 + v);
    }
    EXPECT_EQ(modelOf(m, 5)->getId(), 200);  // the centre takes the faces' model entity
  }
  {
    mMesh m(1);
    KORA_Util::Instance()->importDGFile(data("gmsh1_box.msh").c_str(), &m);
    EXPECT_EQ(m.size(3), 1);
    EXPECT_EQ(m.size(2), 6);
    EXPECT_EQ((*m.beginall(3))->getType(), mEntity::HEX);
    EXPECT_EQ((*m.beginall(3))->getClassification()->getId(), 300);
  }
}

TEST(FilesMsh, PeriodicGroupsShareOneMirrorRecord) {
  const std::string nodes = "$NOE\n4\n3 0 0 0\n5 1 0 0\n7 2 0 0\n9 3 0 0\n$ENDNOE\n";
  for (const char* sym : {"$SYM\n1\n3 5 7 9\n$ENDSYM\n", "$SYM\n2\n2 5 7\n2 7 9\n$ENDSYM\n",
                          "$SYM\n2\n2 9 7\n2 5 9\n$ENDSYM\n"}) {
    mMesh m(1);
    readMsh(m, nodes + sym);
    mMirrorVertex* r = mirrorOf(m, 5);
    ASSERT_NE(r, nullptr) << sym;
    EXPECT_EQ(r->nbCopies(), 3) << sym;
    EXPECT_EQ(mirrorOf(m, 7), r) << sym;
    EXPECT_EQ(mirrorOf(m, 9), r) << sym;
    EXPECT_EQ(mirrorOf(m, 3), nullptr) << sym;
    std::list<mEntity*> copies;
    EXPECT_TRUE(m.lookupForMirrorEntities(m.getVertex(7), copies));
    EXPECT_EQ(copies.size(), 2u);
  }
}

TEST(FilesMsh, HigherOrderPointsFollowTheEntityOrientation) {
  const std::string nodes = "$NOE\n3\n1 0 0 0\n2 1 0 0\n3 0 1 0\n$ENDNOE\n";
  mMesh m(1);
  testing::internal::CaptureStdout();
  readMsh(m, nodes +
                 "$ELM\n2\n1 1 4 0 2 1 2\n2 2 5 0 3 1 2 3\n$ENDELM\n"
                 "$EMO\n2\n2 1 2 0.25 0 0 0.75 0 0\n1 3 1 0 0.5 0\n$ENDEMO\n"
                 "$FMO\n1\n2 3 1 3 1 1 1 2 2 2 3 3 3\n$ENDFMO\n");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "The mKORA size of edge mode is: 2The mKORA size of edge mode is: 1");
  const unsigned emod = KORA_Util::Instance()->emodId;
  const unsigned fmod = KORA_Util::Instance()->fmodId;
  // Given from 2 to 1 against the edge (1, 2): stored reversed, from vertex 1.
  auto* pe = static_cast<mAttachablePointVector*>(edgeOf(m, 1, 2)->getData(emod));
  ASSERT_NE(pe, nullptr);
  ASSERT_EQ(pe->v.size(), 2u);
  EXPECT_EQ(pe->v[0](0), 0.75);
  EXPECT_EQ(pe->v[1](0), 0.25);
  // A missing edge is made on model entity (1000, 2).
  mEntity* made = edgeOf(m, 1, 3);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->getClassification()->getId(), 1000);
  // Face points: the i-th given point belongs to the i-th given vertex and is
  // stored at that vertex's place in the face.
  mEntity* f = m.getTri(m.getVertex(1), m.getVertex(2), m.getVertex(3));
  auto* pf = static_cast<mAttachablePointVector*>(f->getData(fmod));
  ASSERT_NE(pf, nullptr);
  ASSERT_EQ(pf->v.size(), 3u);
  for (int j = 0; j < 3; ++j) {
    const int id = f->get(0, j)->getId();
    const double expected = id == 2 ? 1.0 : (id == 3 ? 2.0 : 3.0);
    EXPECT_EQ(pf->v[j](0), expected) << "vertex " << id;
  }
}

TEST(FilesMsh, UnclassifiedVerticesTakeTheLowestDimensionFirst) {
  mMesh m(1);
  readMsh(m,
          "$NOE\n4\n1 0 0 0\n2 1 0 0\n3 0 1 0\n4 9 9 9\n$ENDNOE\n"
          "$ELM\n3\n1 2 8 0 3 1 2 3\n2 1 6 0 2 2 3\n3 15 0 1 1 1\n$ENDELM\n");
  EXPECT_EQ(modelOf(m, 2)->getLevel(), 1);
  EXPECT_EQ(modelOf(m, 3)->getLevel(), 1);
  EXPECT_EQ(modelOf(m, 1)->getLevel(), 2);  // a point record with model id 0 classifies nothing
  EXPECT_EQ(modelOf(m, 4), nullptr);
  // A file that ends without "$FIN" and a mesh of vertices only.
  mMesh bare(1);
  readMsh(bare, "$NOE\n1\n1 0 0 0\n$ENDNOE\n");
  EXPECT_EQ(bare.size(0), 1);
  EXPECT_EQ(bare.getVertex(1)->getClassification(), nullptr);
}

TEST(FilesMsh, ChildrenOfARecordWithoutEntityBecomeRootsAndLongLinesAreSkipped) {
  mMesh m(1);
  readMsh(m, std::string(5000, 'x') + "\n$NOE\n3\n1 0 0 0\n2 1 0 0\n3 0 1 0\n$ENDNOE\n" +
                 "$Unknown\n" + std::string(3000, '7') + "\n$EndUnknown\n" +
                 "$ELM\n3\n1 15 9 -2 1 1\n 2 1 4 0 2 1 2\n 3 1 4 0 2 2 3\n$ENDELM\n");
  EXPECT_EQ(m.size(1), 2);
  EXPECT_EQ(edgeOf(m, 1, 2)->parent(), nullptr);
  EXPECT_EQ(modelOf(m, 1)->getId(), 9);
}

TEST(FilesMsh, LeavesWriterGivesFlatRecordsThatReadBack) {
  mMesh m(1);
  gEntity* g = m.getGEntity(1, 2);
  gEntity* side = m.getGEntity(3, 1);
  const double p[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (int i = 0; i < 4; ++i) m.createVertex(i + 1, p[i][0], p[i][1], 0, g);
  mEntity* t = m.createFaceWithVertices(1, 2, 3, g);
  m.createFaceWithVertices(1, 3, 4, g);
  m.modifyState(2, 1, true, 0);
  m.getEdge(m.getVertex(1), m.getVertex(2))->classify(side);
  ScriptedCallback cb([](mEntity*) { return 0; });
  std::list<mEntity*> l{t};
  m.split(l, cb);
  std::ostringstream out;
  KORA_Util::Instance()->exportGmshFile(out, &m);
  const std::string text = out.str();
  // Two leaf halves on the model edge, the six faces of every level.
  EXPECT_NE(text.find("$ELM\n8\n"), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.size() - 13), "$ENDELM\n$FIN\n");
  mMesh back(1);
  readMsh(back, text);
  EXPECT_EQ(back.size(0), m.size(0));
  EXPECT_EQ(back.size(1), 2);
  EXPECT_EQ(back.size(2), 6);
  for (auto it = back.beginall(2), last = back.endall(2); it != last; ++it)
    EXPECT_EQ((*it)->parent(), nullptr);
}

// A triangulated n x n grid on [0,1]^2 with ids from 1 and coordinates that
// need all 17 digits; its boundary edges on model entities 11 to 14, the
// triangles on 1 to 5 by cell; above every seventh cell a tetrahedron to an
// apex of its own (model entity 100); two point records; and one triangle
// with two children, made of vertices of their own. Its vertices carry no
// model entity.
struct GridMesh {
  std::string text;
  std::vector<std::array<double, 3>> xyz;  // by id - 1
  int triangles = 0, edges = 0, tets = 0;
};

GridMesh gridMesh(int n) {
  GridMesh g;
  auto id = [n](int i, int j) { return j * (n + 1) + i + 1; };
  for (int j = 0; j <= n; ++j)
    for (int i = 0; i <= n; ++i)
      g.xyz.push_back({double(i) / n + 1e-13 * j, double(j) / (3 * n), 0.1 * std::sin(i * j + 0.5)});
  std::vector<std::array<int, 3>> tets;  // cell corner a, apex id
  std::ostringstream elm;
  int number = 1, records = 0;
  auto record = [&](const std::string& indent, int type, int model, int child,
                    std::initializer_list<int> nodes) {
    elm << indent << number++ << ' ' << type << ' ' << model << ' ' << child << ' ' << nodes.size();
    for (int v : nodes) elm << ' ' << v;
    elm << '\n';
    ++records;
  };
  record("", 15, 3, 1, {id(0, 0)});
  record("", 15, 4, 1, {id(n, n)});
  for (int i = 0; i < n; ++i) {
    record("", 1, 11, 0, {id(i, 0), id(i + 1, 0)});
    record("", 1, 12, 0, {id(n, i), id(n, i + 1)});
    record("", 1, 13, 0, {id(i + 1, n), id(i, n)});
    record("", 1, 14, 0, {id(0, i + 1), id(0, i)});
    g.edges += 4;
  }
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      const int a = id(i, j), b = id(i + 1, j), c = id(i, j + 1), d = id(i + 1, j + 1);
      const int cell = j * n + i;
      record("", 2, 1 + cell % 5, 0, {a, b, d});
      record("", 2, 1 + (cell + 2) % 5, 0, {a, d, c});
      g.triangles += 2;
      if (cell % 7 == 3) {
        const int apex = static_cast<int>(g.xyz.size()) + 1;
        g.xyz.push_back({(i + 0.5) / n, (j + 0.5) / n, 1.0 + 0.01 * cell});
        record("", 4, 100, 0, {a, b, d, apex});
        ++g.tets;
      }
    }
  const int first = static_cast<int>(g.xyz.size()) + 1;
  for (int k = 0; k < 4; ++k) g.xyz.push_back({2.0 + k, 2.0, 0.0});
  record("", 2, 7, -2, {first, first + 1, first + 2});
  record(" ", 2, 8, 0, {first, first + 1, first + 3});
  record(" ", 2, 9, 0, {first + 1, first + 2, first + 3});
  g.triangles += 3;
  std::ostringstream out;
  out << std::setprecision(17) << "$NOE\n" << g.xyz.size() << '\n';
  for (std::size_t k = 0; k < g.xyz.size(); ++k)
    out << k + 1 << ' ' << g.xyz[k][0] << ' ' << g.xyz[k][1] << ' ' << g.xyz[k][2] << '\n';
  out << "$ENDNOE\n$ELM\n" << records << '\n' << elm.str() << "$ENDELM\n";
  g.text = out.str();
  return g;
}

class FilesMshLarge : public InTempDir {};

TEST_F(FilesMshLarge, EveryValueIsReadAndTheStreamIsLeftAfterTheEndLine) {
  // Well over one read-ahead block, so that records straddle the blocks.
  const GridMesh g = gridMesh(150);
  ASSERT_GT(g.text.size(), std::size_t(1) << 20);
  const std::string text = g.text + "$FIN$\nfirst line after\nsecond\n";
  writeFile("grid.msh", text);
  for (const char* kind : {"file", "string", "one-way"}) {
    SCOPED_TRACE(kind);
    mMesh m(1);
    std::ifstream file("grid.msh");
    std::istringstream str(text);
    OneWayBuffer buffer(text);
    std::istream oneWay(&buffer);
    std::istream& in = kind[0] == 'f' ? static_cast<std::istream&>(file)
                       : kind[0] == 's' ? static_cast<std::istream&>(str)
                                        : oneWay;
    KORA_Util::Instance()->importDGFile(in, &m);
    std::string line;
    ASSERT_TRUE(std::getline(in, line));
    EXPECT_EQ(line, "first line after");
    ASSERT_EQ(m.size(0), static_cast<int>(g.xyz.size()));
    EXPECT_EQ(m.size(1), g.edges);
    EXPECT_EQ(m.size(2), g.triangles);
    EXPECT_EQ(m.size(3), g.tets);
    int exact = 0;
    for (std::size_t k = 0; k < g.xyz.size(); ++k) {
      const mPoint p = m.getVertex(static_cast<int>(k) + 1)->point();
      exact += p(0) == g.xyz[k][0] && p(1) == g.xyz[k][1] && p(2) == g.xyz[k][2];
    }
    EXPECT_EQ(exact, static_cast<int>(g.xyz.size()));
  }
}

TEST(FilesMsh, LeftOverVerticesAreClassifiedAsTheWalkOverTheTablesDoes) {
  // A file with an (empty) edge-point section makes the reader classify the
  // left-over vertices with the walk in table order itself; without it, a
  // mesh read into an empty store takes a quicker way to the same result.
  const GridMesh g = gridMesh(60);
  mMesh quick(1), walked(1);
  readMsh(quick, g.text);
  readMsh(walked, g.text + "$EMO\n0\n$ENDEMO\n");
  ASSERT_EQ(quick.size(0), walked.size(0));
  std::set<int> levels;
  int same = 0;
  for (std::size_t k = 1; k <= g.xyz.size(); ++k) {
    gEntity* a = modelOf(quick, static_cast<int>(k));
    gEntity* b = modelOf(walked, static_cast<int>(k));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    same += a->getId() == b->getId() && a->getLevel() == b->getLevel();
    levels.insert(a->getLevel());
  }
  EXPECT_EQ(same, static_cast<int>(g.xyz.size()));
  EXPECT_EQ(levels, (std::set<int>{0, 1, 2, 3}));
  // The lowest dimension first: corners on their points, sides on edges,
  // apexes on their tetrahedron.
  EXPECT_EQ(modelOf(quick, 1)->getId(), 3);
  EXPECT_EQ(modelOf(quick, 2)->getLevel(), 1);
  EXPECT_EQ(modelOf(quick, static_cast<int>(g.xyz.size()) - 5)->getId(), 100);
  // The same mesh read into a store that has a vertex already is walked.
  mMesh other(1);
  other.createVertex(999999, 0, 0, 0, nullptr);
  readMsh(other, g.text);
  EXPECT_EQ(modelOf(other, 2)->getId(), modelOf(quick, 2)->getId());
}

TEST(FilesMsh, ReadingLeavesTheGeneratorAsItsLastVertexKey) {
  // Each vertex key is a seeding of the runtime generator with the vertex
  // id; after a read, draws go on from the last vertex made.
  mMesh m(1);
  readMsh(m, "$NOE\n3\n5 0 0 0\n9 1 0 0\n7 0 1 0\n$ENDNOE\n");
  const int next = std::rand();
  std::srand(7);
  std::rand();
  EXPECT_EQ(next, std::rand());
}

struct TableCase {
  const char* name;
  std::string text;
  std::array<int, 4> buckets;
  bool fails;
};

TEST(FilesMsh, TablesAreSizedFromTheVertexCountOnceTheVerticesAreRead) {
  const std::string triangle =
      "$NOE\n3\n1 0 0 0\n2 1 0 0\n3 0 1 0\n$ENDNOE\n"
      "$ELM\n4\n1 1 1 0 2 1 2\n2 1 2 0 2 2 3\n3 1 3 0 2 3 1\n4 2 1 0 3 1 2 3\n$ENDELM\n";
  const std::vector<TableCase> cases = {
      // n, 5n, 10n and 8n buckets, whatever the number of element records.
      {"one triangle", triangle, {3, 15, 30, 24}, false},
      {"vertices only", "$NOE\n4\n1 0 0 0\n2 1 0 0\n3 0 1 0\n4 1 1 0\n$ENDNOE\n",
       {4, 20, 40, 32}, false},
      // A count the records do not fill sizes nothing: the tables keep their
      // start sizes and the vertex read stays in the mesh.
      {"false vertex count", "$NOE\n2000000000\n1 0 0 0\n$ENDNOE\n", {10, 70, 120, 60}, true},
      {"false vertex count at the end", "$NOE\n2147483647\n1 0 0 0\n", {10, 70, 120, 60}, true},
  };
  for (const TableCase& c : cases) {
    for (bool oneWay : {false, true}) {
      mMesh m(1);
      bool thrown = false;
      meshtest::expectMeshException(
[&] { readMsh(m, c.text, oneWay); }, &thrown);
      EXPECT_EQ(thrown, c.fails) << c.name;
      for (int d = 0; d < 4; ++d)
        EXPECT_EQ(m.getEntities().table().bucketCount(d), c.buckets[d]) << c.name << " dim " << d;
      EXPECT_NE(m.getVertex(1), nullptr) << c.name;
    }
  }
}

struct BadFile {
  const char* name;
  std::string text;
  std::string message;
};

TEST(FilesMsh, MalformedFilesThrowAClearException) {
  const std::string nodes = "$NOE\n3\n1 0 0 0\n2 1 0 0\n3 0 1 0\n$ENDNOE\n";
  std::string many = "$ELM\n1\n1 1 4 0 101";
  for (int i = 0; i < 101; ++i) many += " 1";
  const std::vector<BadFile> cases = {
      {"unknown vertex", nodes + "$ELM\n1\n1 2 1 0 3 1 2 9\n$ENDELM\n", "unknown verex id's 9"},
      {"word for a coordinate", "$NOE\n1\n1 0 zero 0\n$ENDNOE\n",
       "cannot read a coordinate in section $NOE of the mesh file: found \"zero\""},
      {"word for a count", "$ELM\nmany\n$ENDELM\n", "cannot read the record count in section $ELM"},
      {"endless number", "$NOE\n1\n1 " + std::string(5000, '1') + " 0 0\n$ENDNOE\n",
       "cannot read a coordinate in section $NOE of the mesh file: found \"" + std::string(71, '1') + "\""},
      {"too many node ids", nodes + many + "\n$ENDELM\n", "101 node ids"},
      {"too few node ids", nodes + "$ELM\n1\n1 2 1 0 2 1 2\n$ENDELM\n",
       "type 2 with 2 node ids: 3 are needed"},
      {"truncated records", nodes + "$ELM\n3\n1 1 4 0 2 1 2\n", "the file ends"},
      {"truncated vertices", "$NOE\n5\n1 0 0 0\n", "the file ends"},
      // A false count claims no more memory than the records fill.
      {"false vertex count", "$NOE\n2000000000\n1 0 0 0\n$ENDNOE\n",
       "cannot read a vertex id in section $NOE of the mesh file: found \"$ENDNOE\""},
      {"false record count", nodes + "$ELM\n2000000000\n1 2 1 0 3 1 2 3\n$ENDELM\n",
       "cannot read an element number in section $ELM of the mesh file: found \"$ENDELM\""},
      {"children past the end", nodes + "$ELM\n1\n1 1 4 -2 2 1 2\n", "the file ends"},
      {"periodic group", nodes + "$SYM\n1\n2 1 8\n$ENDSYM\n",
       "unknown verex id's 8 in mirror vertex creation"},
      {"edge points", nodes + "$EMO\n1\n1 6 0\n$ENDEMO\n", "in edge mode creation"},
      // The points read so far are freed (a leak check under the sanitizers).
      {"word for an edge point", nodes + "$EMO\n1\n1 2 1 0.5 V 0\n$ENDEMO\n",
       "cannot read a coordinate in section $EMO"},
      {"word for a face point", nodes + "$FMO\n1\n1 2 3 3 0 0 0 1 x\n$ENDFMO\n",
       "cannot read a coordinate in section $FMO"},
      {"face points", nodes + "$FMO\n1\n1 2 6 0\n$ENDFMO\n", "in face mode creation"},
      {"current layout", "$MeshFormat\n4.1 0 8\n$EndMeshFormat\n$Nodes\n",
       "this reader reads the sectioned layout"},
  };
  for (const BadFile& c : cases) {
    for (bool oneWay : {false, true}) {
      mMesh m(1);
      bool thrown = false;
      const std::string printed = meshtest::expectMeshException(
[&] { readMsh(m, c.text, oneWay); }, &thrown);
      EXPECT_TRUE(thrown) << c.name << (oneWay ? " (one-way)" : "");
      EXPECT_NE(printed.find(c.message), std::string::npos) << c.name << ": " << printed;
    }
  }
  mMesh m(1);
  bool thrown = false;
  const std::string printed = meshtest::expectMeshException(
      [&] { KORA_Util::Instance()->importDGFile("/nonexistent/dir/mesh.msh", &m); }, &thrown);
  EXPECT_TRUE(thrown);
  EXPECT_NE(printed.find("cannot open the mesh file /nonexistent/dir/mesh.msh"), std::string::npos);
}

}  // namespace
