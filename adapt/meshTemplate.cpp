// The refinement driver: marks, the run over edges, faces and regions, the
// removal of the refined entities and the uniform refinement.
#include "meshTemplate.h"

#include <iostream>

#include "MT_mark.h"

using namespace KORA;

meshTemplate::meshTemplate(pMesh m, metricField* f, int snap, int opt, SSList<mEntity*>* snapList)
    : mesh(m), field(f), snapMode(snap), option(opt) {
  MS_init();
  refineTag = MD_newMeshDataId("refdref_indicator");
  childrenTag = MD_newMeshDataId("pointerToPList");
  uniqueIdTag = MD_newMeshDataId("TagForUniqueVertexIdInParallel");
  markedEdges = PList_new();
  if (snapMode) toSnap = snapList;
  if (option > 1) {
    steinerList = PList_new();
    diagonalList = PList_new();
  }
}

meshTemplate::meshTemplate(pMesh m, metricField* f) : meshTemplate(m, f, 0, 0, nullptr) {}

meshTemplate::meshTemplate(pMesh m, metricField* f, int snap, SSList<mEntity*>* snapList)
    : meshTemplate(m, f, snap, 0, snapList) {}

// Children lists still attached (a split made by hand, or the level-0
// entities that stay) belong to the refiner: they go with it.
void meshTemplate::releaseChildren() {
  auto release = [this](pEntity e) {
    void* p = nullptr;
    if (!EN_getDataPtr(e, childrenTag, &p)) return;
    PList_delete(static_cast<pPList>(p));
    EN_deleteData(e, childrenTag);
  };
  VIter vi = M_vertexIter(mesh);
  while (pVertex v = VIter_next(vi)) release(v);
  VIter_delete(vi);
  EIter ei = M_edgeIter(mesh);
  while (pEdge e = EIter_next(ei)) release(e);
  EIter_delete(ei);
  FIter fi = M_faceIter(mesh);
  while (pFace f = FIter_next(fi)) release(f);
  FIter_delete(fi);
  RIter ri = M_regionIter(mesh);
  while (pRegion r = RIter_next(ri)) release(r);
  RIter_delete(ri);
}

meshTemplate::~meshTemplate() {
  releaseChildren();
  PList_delete(markedEdges);
  if (option > 1) {
    PList_delete(steinerList);
    PList_delete(diagonalList);
  }
  MD_deleteMeshDataId(refineTag);
  MD_deleteMeshDataId(childrenTag);
  MD_deleteMeshDataId(uniqueIdTag);
  if (parentTag) MD_deleteMeshDataId(parentTag);
  MS_exit();
}

int meshTemplate::setRefineLevel(pEntity e, int level) {
  int marked = 0;
  if (level == 1) {
    if (!EN_okTo(2, e)) return 0;
    if (EN_getDataInt(e, refineTag, &marked)) return 1;
    EN_attachDataInt(e, refineTag, 1);
    PList_append(markedEdges, e);
    return 1;
  }
  if (level == 0) {
    if (EN_getDataInt(e, refineTag, &marked)) {
      EN_deleteData(e, refineTag);
      PList_remItem(markedEdges, e);
    }
    return 1;
  }
  std::cerr << "WARNING: incorrect level" << std::endl;
  return 1;
}

void meshTemplate::setCallback(CBFunction cb, void* data) {
  callback = cb;
  userData = data;
  option |= 1;
}

void meshTemplate::callCallback(pEntity e, pPList* newEntities) {
  if (!callback) return;
  pPList old = PList_new();
  PList_append(old, e);
  callback(old, *newEntities, userData, TEMPLATEREF, nullptr);
  PList_delete(old);
}

void meshTemplate::run() {
  M_AssignUniqueId(mesh, uniqueIdTag, markedEdges, M_MaximumVertexId(mesh) + 1, 0);
  pPList regions = PList_new();
  M_countSteinerPoints(mesh, regions);

  // Edges first: every face of a marked edge is collected once.
  pPList faces = PList_new();
  int mark = 0;
  for (int i = 0; i < PList_size(markedEdges); ++i) {
    pEdge e = static_cast<pEdge>(PList_item(markedEdges, i));
    for (int k = 0; k < E_numFaces(e); ++k) {
      pFace f = E_face(e, k);
      if (EN_getDataInt(f, refineTag, &mark)) continue;
      PList_append(faces, f);
      EN_attachDataInt(f, refineTag, 1);
    }
    if (E_refine(e)) delete_edge(e, 1);
  }
  PList_clear(markedEdges);

  M_AssignUniqueId(mesh, uniqueIdTag, regions, M_MaximumVertexId(mesh) + 1, 0);
  PList_clear(regions);

  // Then faces, collecting their regions once.
  for (int i = 0; i < PList_size(faces); ++i) {
    pFace f = static_cast<pFace>(PList_item(faces, i));
    EN_deleteData(f, refineTag);
    for (int k = 0; k < 2; ++k) {
      pRegion r = F_region(f, k);
      if (!r || EN_getDataInt(r, refineTag, &mark)) continue;
      PList_append(regions, r);
      EN_attachDataInt(r, refineTag, 1);
    }
    if (F_refine(f)) delete_face(f, 1);
  }
  PList_delete(faces);

  // Then regions.
  for (int i = 0; i < PList_size(regions); ++i) {
    pRegion r = static_cast<pRegion>(PList_item(regions, i));
    EN_deleteData(r, refineTag);
    if (option & 1) {
      pPList newRegions = nullptr, newEdges = nullptr;
      if (R_refine(r, &newRegions, &newEdges)) {
        PList_delete(newRegions);
        PList_delete(newEdges);
      }
    } else {
      R_refine(r, nullptr, nullptr);
    }
  }
  PList_delete(regions);

  if (option > 1) deleteSteiner();
  M_BdryLinkSetup(mesh);
}

int meshTemplate::E_refine(pEdge e) {
  int mark = 0;
  EN_getDataInt(e, refineTag, &mark);
  if (mark != 1) return 0;
  get_split_edges(e, 0);
  return 1;
}

int meshTemplate::F_refine(pFace f) {
  int n = 0, mark = 0;
  for (int i = 0; i < 3; ++i) {
    mark = 0;
    EN_getDataInt(F_edge(f, i), refineTag, &mark);
    if (mark == 1) ++n;
  }
  if (n == 1) get_split_faces_1(f, 0);
  else if (n == 2) get_split_faces_2(f);
  else if (n == 3) get_split_faces_3(f, 0);
  return n;
}

namespace {
// Deletes the children list attached under tag, with the attachment.
void deleteChildren(pEntity e, unsigned int tag) {
  void* p = nullptr;
  if (!EN_getDataPtr(e, tag, &p)) return;
  PList_delete(static_cast<pPList>(p));
  EN_deleteData(e, tag);
}
}  // namespace

void meshTemplate::delete_region(pRegion r, int cascade) {
  if (!cascade) {
    M_removeRegion(mesh, r);
    return;
  }
  void* p = nullptr;
  if (EN_getDataPtr(r, childrenTag, &p)) {
    deleteChildren(r, childrenTag);
    EN_deleteData(r, refineTag);
  }
  if (parentTag) EN_deleteData(r, parentTag);
  pFace f[4];
  for (int i = 0; i < 4; ++i) f[i] = R_face(r, i);
  M_removeRegion(mesh, r);
  for (int i = 0; i < 4; ++i) delete_face(f[i], 1);
}

void meshTemplate::delete_face(pFace f, int cascade) {
  if (F_region(f, 0) || F_region(f, 1)) return;
  deleteChildren(f, childrenTag);
  void* parent = nullptr;
  if (parentTag && EN_getDataPtr(f, parentTag, &parent)) {
    EN_deleteData(f, parentTag);
    EN_deleteData(static_cast<pEntity>(parent), childrenTag);
  }
  pEdge e[3] = {nullptr, nullptr, nullptr};
  const int n = F_numEdges(f);
  if (cascade)
    for (int i = 0; i < n && i < 3; ++i) e[i] = F_edge(f, i);
  M_removeFace(mesh, f);
  if (cascade)
    for (int i = 0; i < n && i < 3; ++i) delete_edge(e[i], 1);
}

void meshTemplate::delete_edge(pEdge e, int cascade) {
  if (E_numFaces(e) != 0) return;
  deleteChildren(e, childrenTag);
  EN_deleteData(e, refineTag);
  void* parent = nullptr;
  if (parentTag && EN_getDataPtr(e, parentTag, &parent)) {
    EN_deleteData(e, parentTag);
    EN_deleteData(static_cast<pEntity>(parent), childrenTag);
  }
  pVertex v[2] = {E_vertex(e, 0), E_vertex(e, 1)};
  M_removeEdge(mesh, e);
  if (cascade) {
    delete_vertex(v[0]);
    delete_vertex(v[1]);
  }
}

void meshTemplate::delete_vertex(pVertex v) {
  if (V_numEdges(v) != 0) return;
  if (parentTag) EN_deleteData(v, parentTag);
  if (field) field->deleteMetric(v);
  M_removeVertex(mesh, v);
}

void meshTemplate::delete_Children(pPList regions) {
  void* iter = nullptr;
  while (pRegion r = static_cast<pRegion>(PList_next(regions, &iter))) delete_region(r, 1);
}

void meshTemplate::setClassification() { parentTag = MD_newMeshDataId("pointerToClassifiedParentMesh"); }

pEntity meshTemplate::EN_whatIn(pEntity e) {
  void* parent = nullptr;
  if (parentTag && EN_getDataPtr(e, parentTag, &parent)) return static_cast<pEntity>(parent);
  return e;
}

void meshTemplate::R_refineN(pRegion r, int levels, pPList* out) {
  *out = PList_new();
  pPList work = PList_new();
  PList_append(work, r);
  for (int l = 0; l < levels; ++l) {
    for (int i = 0; i < PList_size(work); ++i) {
      pRegion x = static_cast<pRegion>(PList_item(work, i));
      pPList edges = R_edges(x);
      pPList newRegions = nullptr, newEdges = nullptr;
      template_63(x, edges, l, &newRegions, &newEdges);
      PList_delete(edges);
      if (newRegions) PList_appPListUnique(*out, newRegions);
      PList_delete(newRegions);
      PList_delete(newEdges);
    }
    PList_clear(work);
    PList_appPListUnique(work, *out);
    if (l + 1 < levels) PList_clear(*out);
  }
  PList_delete(work);
}
