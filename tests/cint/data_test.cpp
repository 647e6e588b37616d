// Attached values by name and by id, marks, sizes, ids and classification.
#include <gtest/gtest.h>

#include "KORA_Util.h"
#include "cint_fixtures.h"

using namespace KORA;
using namespace cinttest;

TEST(CintData, ReadersFollowTheirConventions) {
  MeshHolder h;
  pVertex v = h.vertex(0, 0, 0);
  const unsigned int id = MD_lookupMeshDataId("cint_test_int");
  int i = -5;
  EXPECT_EQ(EN_getDataInt(v, id, &i), 0);
  EXPECT_EQ(i, 0);
  EN_attachDataInt(v, id, 0);
  EXPECT_EQ(EN_getDataInt(v, id, &i), 0);  // an attached 0 reads as absent
  EN_modifyDataInt(v, id, 7);
  EXPECT_EQ(EN_getDataInt(v, id, &i), 1);
  EXPECT_EQ(i, 7);
  EXPECT_EQ(v->nbAttachedData(), 1);  // one pair per tag

  const unsigned int did = MD_lookupMeshDataId("cint_test_dbl");
  double d = -1;
  EXPECT_EQ(EN_getDataDbl(v, did, &d), 1);
  EXPECT_EQ(d, 0.0);
  EN_attachDataDbl(v, did, 2.5);
  EXPECT_EQ(EN_getDataDbl(v, did, &d), 1);
  EXPECT_EQ(d, 2.5);

  const unsigned int pid = MD_lookupMeshDataId("cint_test_ptr");
  int target = 3;
  void* p = &target;
  EXPECT_EQ(EN_getDataPtr(v, pid, &p), 0);
  EXPECT_EQ(p, &target);  // left as it was
  EN_attachDataPtr(v, pid, nullptr);
  EXPECT_EQ(EN_getDataPtr(v, pid, &p), 1);
  EXPECT_EQ(p, nullptr);
  EN_modifyDataPtr(v, pid, &target);
  EN_deleteData(v, pid);
  EXPECT_EQ(target, 3);  // what was pointed to stays
  EXPECT_EQ(EN_getDataPtr(v, pid, &p), 0);
  EN_deleteData(v, pid);  // nothing left: no change
}

TEST(CintData, AHolderOfAnotherKindReadsAsAbsentAndIsReplaced) {
  MeshHolder h;
  pVertex v = h.vertex(0, 0, 0);
  const unsigned int id = MD_lookupMeshDataId("cint_test_kind");
  EN_attachDataInt(v, id, 9);
  void* p = nullptr;
  double d = 4;
  EXPECT_EQ(EN_getDataPtr(v, id, &p), 0);
  EXPECT_EQ(EN_getDataDbl(v, id, &d), 1);
  EXPECT_EQ(d, 0.0);
  int x = 1;
  EN_attachDataPtr(v, id, &x);
  EXPECT_EQ(EN_getDataPtr(v, id, &p), 1);
  EXPECT_EQ(p, &x);
  int i = 5;
  EXPECT_EQ(EN_getDataInt(v, id, &i), 0);
  EXPECT_EQ(v->nbAttachedData(), 1);
}

TEST(CintData, ByNameRegistersAndRemoves) {
  MeshHolder h;
  pVertex v = h.vertex(0, 0, 0);
  KORA_Util* u = KORA_Util::Instance();
  EXPECT_EQ(u->nameToId.count("cint_never_seen"), 0u);
  EXPECT_EQ(EN_dataI(v, "cint_never_seen"), 0);
  EXPECT_EQ(u->nameToId.count("cint_never_seen"), 1u);
  EN_attachDataI(v, "cint_named", 3);
  EXPECT_EQ(EN_modifyDataI(v, "cint_named", 4), 1);
  EXPECT_EQ(EN_dataI(v, "cint_named"), 4);
  int obj = 0;
  EXPECT_EQ(EN_modifyDataP(v, "cint_named_p", &obj), 1);
  EXPECT_EQ(EN_dataP(v, "cint_named_p"), &obj);
  EN_attachDataP(v, "cint_named_p", nullptr);
  EXPECT_EQ(EN_dataP(v, "cint_named_p"), nullptr);
  EN_removeData(v, "cint_named");
  EXPECT_EQ(EN_dataI(v, "cint_named"), 0);

  pGEntity g = h.m->getGEntity(3, 2);
  GEN_attachDataI(g, "cint_gnamed", 6);
  EXPECT_EQ(GEN_modifyDataI(g, "cint_gnamed", 8), 1);
  EXPECT_EQ(GEN_dataI(g, "cint_gnamed"), 8);
  GEN_removeData(g, "cint_gnamed");
  EXPECT_EQ(GEN_dataI(g, "cint_gnamed"), 0);
}

TEST(CintData, PointersOnModelEntitiesAndMeshes) {
  MeshHolder h;
  pGEntity g = h.m->getGEntity(4, 2, 11);
  int obj = 0;
  EXPECT_EQ(GEN_modifyDataP(g, "cint_gp", &obj), 0);  // nothing to replace
  EXPECT_EQ(GEN_dataP(g, "cint_gp"), nullptr);
  const std::string info = "INFO GEN_attachDataP : attaching data cint_gp to gEntity(4,2,11)\n";
  EXPECT_EQ(printed([&] { GEN_attachDataP(g, "cint_gp", &obj); }), info);
  EXPECT_EQ(printed([&] { GEN_attachDataP(g, "cint_gp", nullptr); }),
            info + "WARNING  GEN_attachDataP : attaching a data that has already been tagged cint_gp\n");
  EXPECT_EQ(GEN_modifyDataP(g, "cint_gp", &obj), 1);
  EXPECT_EQ(GEN_dataP(g, "cint_gp"), &obj);
  // A mesh handle keeps the pointer in the mesh's own list, silently the first time.
  EXPECT_EQ(printed([&] { GEN_attachDataP(h.m, "cint_gp", &obj); }), "");
  EXPECT_EQ(printed([&] { GEN_attachDataP(h.m, "cint_gp", &obj); }),
            "WARNING  GEN_attachDataP : attaching a data that has already been tagged cint_gp\n");
  EXPECT_EQ(GEN_dataP(h.m, "cint_gp"), &obj);
}

TEST(CintData, IdsMarksAndSizes) {
  EXPECT_THROW(MD_newMeshDataId("_size"), int);
  EXPECT_EQ(MD_lookupMeshDataId("_size"), 5u);
  EXPECT_EQ(MD_lookupMeshDataId("_id"), 3u);
  MeshHolder h;
  pVertex v = h.vertex(0, 0, 0);
  EXPECT_EQ(V_size(v), 0.0);
  EN_attachDataDbl(v, 5u, 0.125);
  EXPECT_EQ(V_size(v), 0.125);
  V_setSize(v, 0.5);
  double d = 0;
  EN_getDataDbl(v, MD_lookupMeshDataId("_size"), &d);
  EXPECT_EQ(d, 0.5);

  // Deleting the largest id gives it to the next name, which sees what is still attached.
  KORA_Util* u = KORA_Util::Instance();
  const unsigned int first = MD_newMeshDataId("cint_reuse_a");
  EN_attachDataInt(v, first, 42);
  MD_deleteMeshDataId(first);
  EXPECT_EQ(u->nameToId.count("cint_reuse_a"), 0u);
  const auto sizes = std::make_pair(u->nameToId.size(), u->idToName.size());
  MD_deleteMeshDataId(987654);  // not registered: no change
  EXPECT_EQ(std::make_pair(u->nameToId.size(), u->idToName.size()), sizes);
  const unsigned int second = MD_newMeshDataId("cint_reuse_b");
  EXPECT_EQ(second, first);
  int i = 0;
  EXPECT_EQ(EN_getDataInt(v, second, &i), 1);
  EXPECT_EQ(i, 42);
  MD_deleteMeshDataId(second);

  // One stable mark id per distinct name.
  const int ma = MD_registerMark("cint_mark_a", 6, 0);
  const int mb = MD_registerMark("cint_mark_b", 5, 0);
  EXPECT_GE(ma, 1);
  EXPECT_EQ(mb, ma + 1);
  EXPECT_EQ(MD_registerMark("cint_mark_a", 6, 0), ma);
  EXPECT_EQ(MD_markID("cint_mark_b"), mb);
  EN_setMark(v, ma, 4);
  EXPECT_EQ(EN_mark(v, ma), 4);
  EXPECT_EQ(EN_mark(v, mb), 0);
  EXPECT_EQ(EN_mark(v, 0), 0);
  EXPECT_NE(v->getData(markIdsFirst + ma), nullptr);
}

TEST(CintData, EntityIdsAndClassification) {
  MeshHolder h;
  pVertex a = h.vertex(0, 0, 0), b = h.vertex(1, 0, 0), c = h.vertex(0, 1, 0);
  EXPECT_EQ(EN_id(a), a->getId());
  pEdge e[3] = {M_createE(h.m, a, b, nullptr), M_createE(h.m, b, c, nullptr), M_createE(h.m, c, a, nullptr)};
  pFace f = M_createF(h.m, 3, e, nullptr, nullptr);
  EXPECT_EQ(EN_id(f), 0);
  EN_setID(f, 12);
  EN_setID(f, 13);
  EXPECT_EQ(EN_id(f), 13);
  EXPECT_EQ(f->nbAttachedData(), 1);
  for (pEdge x : e) EXPECT_EQ(E_numFaces(x), 1);
  pEdge bad[2] = {e[0], e[1]};
  EXPECT_EQ(M_createF(h.m, 2, bad, nullptr, nullptr), nullptr);
  EXPECT_EQ(M_createR(h.m, 3, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(E_numFaces(e[0]), 1);

  EXPECT_EQ(F_whatIn(f), nullptr);
  EXPECT_EQ(F_whatInType(f), -1);  // unclassified
  F_setWhatInType(h.m, f, 7);
  EXPECT_EQ(F_whatInType(f), 1);
  EXPECT_EQ(GEN_id(F_whatIn(f)), 7);
  pGEntity g = h.m->getGEntity(2, 2);
  for (pEdge x : e) E_setWhatIn(x, g);
  EXPECT_EQ(M_numClassifiedEdges(h.m, g), 3);
  EIter it = M_classifiedEdgeIter(h.m, g, 0);
  M_createE(h.m, a, c, g);  // made later: never returned by the snapshot
  int n = 0;
  while (EIter_next(it)) ++n;
  EXPECT_EQ(n, 3);
  EIter_delete(it);
  EXPECT_EQ(M_numClassifiedEdges(h.m, g), 4);

  // Removing an edge unlinks it from its vertices; the face still lists it.
  const int before = V_numEdges(a);
  M_removeEdge(h.m, e[0]);
  EXPECT_EQ(V_numEdges(a), before - 1);
  const pEdge gone = e[0];
  EXPECT_EQ(F_edge(f, 0), gone);  // only the pointer is compared
  // The next vertex id follows the largest handed out, deleted or not.
  const int top = M_MaximumVertexId(h.m);
  M_removeVertex(h.m, h.vertex(5, 5, 5));
  EXPECT_EQ(EN_id(h.vertex(6, 6, 6)), top + 2);
}

TEST(CintData, ANewTetrahedronIsPositivelyOrientedAndListedByItsFaces) {
  MeshHolder h;
  // Vertices 1 and 2 exchanged against the unit tetrahedron: the faces in
  // the given order make a negative volume.
  pVertex v[4] = {h.vertex(0, 0, 0), h.vertex(0, 1, 0), h.vertex(1, 0, 0), h.vertex(0, 0, 1)};
  const int fv[4][3] = {{0, 1, 2}, {0, 1, 3}, {1, 2, 3}, {0, 2, 3}};
  pFace f[4];
  for (int k = 0; k < 4; ++k) f[k] = h.m->createFaceWithVertices(V(v[fv[k][0]]), V(v[fv[k][1]]), V(v[fv[k][2]]), nullptr);
  pRegion t = M_createR(h.m, 4, f, nullptr, nullptr);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(std::vector<pEntity>({R_face(t, 0), R_face(t, 1), R_face(t, 2), R_face(t, 3)}),
            std::vector<pEntity>({f[1], f[0], f[2], f[3]}));
  EXPECT_NEAR(Volume(static_cast<mTet*>(t)), 1.0 / 6.0, 1e-15);
  for (pFace x : f) EXPECT_EQ(F_region(x, 0), t);
}
