// Procedural, handle-based interface to the mesh database. Handles are the
// database's own objects: a mesh (also the handle of its geometric model) is
// an mMesh*, an entity an mEntity*, a model entity a gEntity*, a point an
// mPoint*, an iterator the database's iterator. Lists handed out are
// fakeLists owned by the caller.
#ifndef KORA_CINT_KORA_H
#define KORA_CINT_KORA_H

#include <list>
#include <map>
#include <vector>

#include "mEntity.h"
#include "mPoint.h"
#include "SListBase.h"

namespace KORA {

class mMesh;
class gEntity;
class gDimIterator;
class mIteratorNew;

// List of untyped items with its own walk position (see PList_next).
class fakeList {
 public:
  int cursor = 0;
  std::vector<void*> items;

  fakeList() = default;
  fakeList(const fakeList&) = default;
  fakeList& operator=(const fakeList&) = default;
  ~fakeList() = default;
  // One step of the list's walk; *iter null starts a new walk.
  void* next(void** iter);
};

typedef mMesh* pMesh;
typedef mMesh* pGModel;
typedef mEntity* pEntity;
typedef mEntity* pVertex;
typedef mEntity* pEdge;
typedef mEntity* pFace;
typedef mEntity* pRegion;
typedef mPoint* pPoint;
typedef gEntity* pGEntity;
typedef gEntity* pGRegion;
typedef gEntity* pGFace;
typedef gEntity* pGEdge;
typedef gEntity* pGVertex;
typedef fakeList* pPList;
typedef mIteratorNew* RIter;
typedef mIteratorNew* FIter;
typedef mIteratorNew* EIter;
typedef mIteratorNew* VIter;
typedef gDimIterator* GRIter;
typedef gDimIterator* GFIter;
typedef gDimIterator* GEIter;
typedef gDimIterator* GVIter;

// Kind of a local mesh change, as passed to the change callback.
enum modType {
  ECOLLAPSE = 0,     // edge collapse
  FACESWAP = 1,      // face swap
  EDGESWAP = 2,      // edge swap
  VERTEXMOTION = 3,  // vertex motion
  RCOLLAPSE = 4,     // region collapse
  EDGESPLIT = 5,     // edge split
  TEMPLATEREF = 6,   // template refinement of one face or region
  RCOLLAPSE2 = 7,    // region removal by two splits and a collapse
  SPLITCOLLAPSE = 8  // edge split followed by a collapse
};

// Change callback: (old entities, new entities, caller's data, kind, the
// entity that stands for the change). Called after the new entities exist and
// before any old one is removed; the lists live only during the call.
typedef void (*CBFunction)(pPList, pPList, void*, modType, pEntity);

// ------------------------------------------------------------------- lists
pPList PList_new();
pPList PList_newCopy(pPList l);
void PList_delete(pPList l);
int PList_size(pPList l);
void* PList_item(pPList l, int i);
void* PList_next(pPList l, void** iter);
pPList PList_append(pPList l, void* item);
pPList PList_appUnique(pPList l, void* item);
pPList PList_appPListUnique(pPList l, pPList other);
int PList_inList(pPList l, void* item);
void PList_remItem(pPList l, void* item);
void PList_remFirst(pPList l);
void PList_clear(pPList l);

// ------------------------------------------------------ meshes and handles
// Meshes and models made through the interface, in order of creation.
extern std::list<mMesh*> allMeshes;

void MS_init();
void MS_exit();
pMesh MS_newMesh(pGModel model);
pGModel M_model(pMesh m);
bool isThisAMesh(void* p);
void M_delete(pMesh m);
int M_load(pMesh m, const char* fileName);
void M_save_topology(const char* fileName, pMesh m);
void M_writeSMS(pMesh m, const char* name);

int M_numRegions(pMesh m);
int M_numFaces(pMesh m);
int M_numEdges(pMesh m);
int M_numVertices(pMesh m);
int M_numPoints(pMesh m);  // throws 1

RIter M_regionIter(pMesh m);
FIter M_faceIter(pMesh m);
EIter M_edgeIter(pMesh m);
VIter M_vertexIter(pMesh m);
pRegion RIter_next(RIter it);
pFace FIter_next(FIter it);
pEdge EIter_next(EIter it);
pVertex VIter_next(VIter it);
void RIter_reset(RIter it);
void FIter_reset(FIter it);
void EIter_reset(EIter it);
void VIter_reset(VIter it);
void RIter_delete(RIter it);
void FIter_delete(FIter it);
void EIter_delete(EIter it);
void VIter_delete(VIter it);

// Random access: index 0 only (the first leaf, null when none).
pRegion M_region(pMesh m, int i);
pFace M_face(pMesh m, int i);
pEdge M_edge(pMesh m, int i);
pVertex M_vertex(pMesh m, int i);
pRegion M_nextRegion(pMesh m, void** restart);  // throws 1

// Indexed adjacency: stored list, else templates (downward) or 0 (upward).
int R_numFaces(pRegion r);
pFace R_face(pRegion r, int i);
int R_numEdges(pRegion r);
pEdge R_edge(pRegion r, int i);
int R_numVertices(pRegion r);
pVertex R_vertex(pRegion r, int i);
int F_numEdges(pFace f);
pEdge F_edge(pFace f, int i);
int F_numVertices(pFace f);
pVertex F_vertex(pFace f, int i);
int E_numVertices(pEdge e);
pVertex E_vertex(pEdge e, int i);
int E_numFaces(pEdge e);
pFace E_face(pEdge e, int i);
int V_numEdges(pVertex v);
pEdge V_edge(pVertex v, int i);

// Dimension of an entity: 0 vertex, 1 edge, 2 face, 3 region.
int EN_type(pEntity e);

// Points. The point of a vertex lives inside it (writing through it moves the vertex).
pPoint V_point(pVertex v);
void V_coord(pVertex v, double xyz[3]);
void V_setPoint(pVertex v, pPoint p);
pPoint P_new();
void P_delete(pPoint p);
void P_setPos(pPoint p, double x, double y, double z);
double P_x(pPoint p);
double P_y(pPoint p);
double P_z(pPoint p);
int E_numPoints(pEdge e);
// Parametric points are not supported: these throw.
pPoint M_createP(pMesh m, double x, double y, double z, double* param, int patch, pGEntity g);
void P_setParam1(pPoint p, double u);
void P_setParam2(pPoint p, double u, double v, int patch);
double P_param1(pPoint p);
void P_param2(pPoint p, double* p1, double* p2, int* ptch);
pPoint E_point(pEdge e, int i);

// ---------------------------------------------------------------- adjacency
pPList F_vertices(pFace f, int dir = 1);
pPList F_edges(pFace f, int dir = 1, pVertex start = nullptr);
pPList F_regions(pFace f);
pPList R_vertices(pRegion r);
pPList R_edges(pRegion r);
pPList R_faces(pRegion r);
pPList E_regions(pEdge e);
pPList V_faces(pVertex v);
pPList V_regions(pVertex v);
pRegion F_region(pFace f, int i);
pVertex E_otherVertex(pEdge e, pVertex v);
pFace E_otherFace(pEdge e, pFace f, pRegion r);

// -------------------------------------------- creation and classification
pVertex M_createVP(pMesh m, double x, double y, double z, double* param, int patch, pGEntity g);
pVertex M_createVP2(pMesh m, double* xyz, double* param, int patch, pGEntity g);
pEdge M_createE(pMesh m, pVertex a, pVertex b, pGEntity g);
pFace M_createF(pMesh m, int n, pEdge* edges, int* dirs, pGEntity g);
pRegion M_createR(pMesh m, int n, pFace* faces, int* dirs, pGEntity g);
void M_remove(pMesh m, pEntity e, bool del);
void M_removeRegion(pMesh m, pRegion r);
void M_removeFace(pMesh m, pFace f);
void M_removeEdge(pMesh m, pEdge e);
void M_removeVertex(pMesh m, pVertex v);
void M_removePoint(pMesh m, pPoint p);

pGEntity R_whatIn(pRegion e);
pGEntity F_whatIn(pFace e);
pGEntity E_whatIn(pEdge e);
pGEntity V_whatIn(pVertex e);
pGEntity EN_whatIn(pEntity e);
// Level of the model entity; -1 for an unclassified entity.
int R_whatInType(pRegion e);
int F_whatInType(pFace e);
int E_whatInType(pEdge e);
int V_whatInType(pVertex e);
int EN_whatInType(pEntity e);
void R_setWhatIn(pRegion e, pGEntity g);
void F_setWhatIn(pFace e, pGEntity g);
void E_setWhatIn(pEdge e, pGEntity g);
void V_setWhatIn(pVertex e, pGEntity g);
// Classify on the model entity with id n and level 1 (made when missing).
void V_setWhatInType(pMesh m, pVertex e, int n);
void E_setWhatInType(pMesh m, pEdge e, int n);
void F_setWhatInType(pMesh m, pFace e, int n);

RIter M_classifiedRegionIter(pMesh m, pGEntity g);
FIter M_classifiedFaceIter(pMesh m, pGEntity g, int closure);
EIter M_classifiedEdgeIter(pMesh m, pGEntity g, int closure);
VIter M_classifiedVertexIter(pMesh m, pGEntity g, int closure);
int M_numClassifiedEntities(pMesh m, pGEntity g, int dim);
int M_numClassifiedRegions(pMesh m, pGEntity g);
int M_numClassifiedFaces(pMesh m, pGEntity g);
int M_numClassifiedEdges(pMesh m, pGEntity g);
int M_numClassifiedVertices(pMesh m, pGEntity g);

int EN_id(pEntity e);
void EN_setID(pEntity e, int id);

// Merges are not supported: each throws 1.
void V_merge(pVertex a, pVertex b);
// Whether the merges above are available (they are not: 0). Callers that
// need them ask before changing anything.
int M_mergeSupported();
void V_merge2(pVertex a, pVertex b);
void E_merge(pEdge a, pEdge b);
void E_merge2(pEdge a, pEdge b);
void F_merge(pFace a, pFace b);
void F_merge2(pFace a, pFace b);

// ----------------------------------------------------- attached data, marks
// Keys of marks: mark id plus this constant.
extern const int markIdsFirst;

unsigned int MD_newMeshDataId(const char* name);
unsigned int MD_lookupMeshDataId(const char* name);
void MD_deleteMeshDataId(unsigned int id);
// One stable mark id per distinct name: 1 for the first name, 2 for the next.
int MD_registerMark(const char* name, int bits, int flag);
int MD_markID(const char* name);
void EN_setMark(pEntity e, int markId, int value);
int EN_mark(pEntity e, int markId);

void EN_attachDataI(pEntity e, const char* name, int value);
int EN_modifyDataI(pEntity e, const char* name, int value);
int EN_dataI(pEntity e, const char* name);
void EN_attachDataP(pEntity e, const char* name, void* value);
int EN_modifyDataP(pEntity e, const char* name, void* value);
void* EN_dataP(pEntity e, const char* name);
void EN_removeData(pEntity e, const char* name);
void EN_attachDataInt(pEntity e, unsigned int id, int value);
void EN_modifyDataInt(pEntity e, unsigned int id, int value);
// 1 when the integer is attached and non-zero (an attached 0 reads as absent).
int EN_getDataInt(pEntity e, unsigned int id, int* out);
void EN_attachDataDbl(pEntity e, unsigned int id, double value);
// Writes the double (0.0 when none) and answers 1.
int EN_getDataDbl(pEntity e, unsigned int id, double* out);
void EN_attachDataPtr(pEntity e, unsigned int id, void* value);
void EN_modifyDataPtr(pEntity e, unsigned int id, void* value);
int EN_getDataPtr(pEntity e, unsigned int id, void** out);
void EN_deleteData(pEntity e, unsigned int id);

void GEN_attachDataI(pGEntity g, const char* name, int value);
int GEN_modifyDataI(pGEntity g, const char* name, int value);
int GEN_dataI(pGEntity g, const char* name);
// The handle is a model entity or a mesh (one listed in allMeshes).
void GEN_attachDataP(void* handle, const char* name, void* value);
int GEN_modifyDataP(void* handle, const char* name, void* value);
void* GEN_dataP(void* handle, const char* name);
void GEN_removeData(pGEntity g, const char* name);

void V_setSize(pVertex v, double h);
double V_size(pVertex v);

// ---------------------------------------------------------------- collapse
// Sorted vertex ids of an edge, triangle or tetrahedron; -1 fills the front.
struct four_ints {
  int i[4];
};
struct lessthan_four_ints {
  bool operator()(const four_ints& a, const four_ints& b) const;
};
typedef std::map<four_ints, gEntity*, lessthan_four_ints> classifMap;

pGEntity getClassif(classifMap& map, pEntity e);
void updateClassif(classifMap& map, pEntity e, pVertex vdel, pVertex vkeep);
// Collapses the edge by deleting vdel onto vkeep. Answers 1 when done, 0 when
// refused (nothing changed): vdel with no faces but other edges, or with
// faces but no regions in a mesh that has regions.
int E_colaps(pMesh m, pEdge edge, pVertex vdel, pVertex vkeep, CBFunction cb, void* data,
             pPList newEdges, pPList newFaces, pPList newRegions);
int E_colaps2D(pMesh m, pEdge edge, pVertex vdel, pVertex vkeep, CBFunction cb, void* data,
               pPList newEdges, pPList newFaces, fakeList& vdelEdges, fakeList& vdelFaces,
               classifMap& map);

// ------------------------------------------------------------ model queries
GRIter GM_regionIter(pGModel m);
GFIter GM_faceIter(pGModel m);
GEIter GM_edgeIter(pGModel m);
GVIter GM_vertexIter(pGModel m);
pGRegion GRIter_next(GRIter it);
pGFace GFIter_next(GFIter it);
pGEdge GEIter_next(GEIter it);
pGVertex GVIter_next(GVIter it);
void GRIter_reset(GRIter it);
void GFIter_reset(GFIter it);
void GEIter_reset(GEIter it);
void GVIter_reset(GVIter it);
void GRIter_delete(GRIter it);
void GFIter_delete(GFIter it);
void GEIter_delete(GEIter it);
void GVIter_delete(GVIter it);
int GM_num(pGModel m, int level);
int GM_numVertices(pGModel m);
int GM_numEdges(pGModel m);
int GM_numFaces(pGModel m);
int GM_numRegions(pGModel m);
// The model entity of the level carrying the tag (lowest id), null when none.
pGEntity GM_entityByTag(pGModel m, int level, int tag);
void GM_delete(pGModel m);
// A model made from the ".tir" mapping file of a geometry file name.
pGModel GM_createFromParasolidFile(const char* name);

int GEN_type(pGEntity g);
int GEN_tag(pGEntity g);
int GEN_id(pGEntity g);
// Adjacent model entity of a level by index 0 or 1 (null outside).
pGEntity G_entity(pGEntity g, int index, int level);
int GE_NumEntities(pGEntity g, int level);
pGRegion GF_region(pGFace f, int side);
pGVertex GE_vertex(pGEdge e, int index);
int GE_numFaces(pGEdge e);
int GR_inClosure(pGEntity g, pGEntity other);
int GF_inClosure(pGEntity g, pGEntity other);
int GE_inClosure(pGEntity g, pGEntity other);
int GEN_inClosure(pGEntity g, pGEntity other);
double GEN_tolerance(pGEntity g);
int C_closestPoint(int level, pGEntity g, double* xyz, void* a, void* b, void* c, double* out,
                   double* par);
int C_closestPoint(pGEntity g, double* xyz, double* out);
int C_F_edgeDir();

// Test-only geometry of the model. The parametric queries below throw; a
// test may install a table whose non-null members answer them instead
// (points carry parameters, model edges and faces have points). Null
// restores the throwing services.
struct GeometryServices {
  double (*param1)(pPoint p);
  void (*param2)(pPoint p, double* u, double* v, int* patch);
  void (*setParam1)(pPoint p, double t);
  void (*setParam2)(pPoint p, double u, double v, int patch);
  void (*edgePoint)(pGEdge e, double t, double* xyz);
  void (*facePoint)(pGFace f, double* par, double* xyz);
  // The closest point of the model entity and its parameters; 1 when found.
  int (*closestPoint)(pGEntity g, const double* xyz, double* out, double* par);
  void (*faceNormal)(pGFace f, double* par, double* normal);
  int (*faceDirection)(pGFace f);
  int (*facePeriodic)(pGFace f, int dir);
  int (*edgePeriodic)(pGEdge e);
  void (*faceParRange)(pGFace f, int dir, double* low, double* high);
  void (*edgeParRange)(pGEdge e, double* low, double* high);
  int (*faceParamDegeneracies)(pGFace f, int dir, double* values);
  int (*edgeIsSeam)(pGEdge e, pGFace f);
  void (*faceEdgeReparam)(pGFace f, pGEdge e, double t, int dir, double* par);
  void (*faceVertexReparam)(pGFace f, pGVertex v, double* par);
  double (*edgeVertexReparam)(pGEdge e, pGVertex v);
  void (*vertexPoint)(pGVertex v, double* xyz);
};
void GM_setGeometryServices(const GeometryServices* services);
const GeometryServices* GM_geometryServices();

// Parametric model queries are not supported: these throw.
void GM_bounds(pGModel m, double* lower, double* upper);
double GM_tolerance(pGModel m);
pGRegion GM_outerRegion(pGModel m);
void GF_normal(pGFace f, double* par, double* normal);
void GF_edgeReparam(pGFace f, pGEdge e, double t, int dir, double* par);
void GF_vertexReparam(pGFace f, pGVertex v, double* par);
void GF_parRange(pGFace f, int dir, double* low, double* high);
void GF_parRange(pGFace f, int dir, double& low, double& high);
void GE_parRange(pGEdge e, double* low, double* high);
void GE_parRange(pGEdge e, double& low, double& high);
int GE_isSeam(pGEdge e, pGFace f);
double GE_vertexReparam(pGEdge e, pGVertex v);
void GV_point(pGVertex v, double* xyz);
void GEN_reparam(pGEntity g);
int C_gmtype(int level, pGEntity g);
int GF_periodic(pGFace f, int dir);
int GE_periodic(pGEdge e);
int GF_geomDirection(pGFace f);
int GE_geomDirection(pGEdge e);
int GF_paramDegeneracies(pGFace f, int dir, double* values);
pPList GF_vertices(pGFace f);
pPList GE_vertices(pGEdge e);
void GE_point(pGEdge e, double t, double* xyz);
void GF_point(pGFace f, double* par, double* xyz);

// Adjacent model entities of one level (new lists).
pPList GR_faces(pGRegion g);
pPList GR_edges(pGRegion g);
pPList GR_vectices(pGRegion g);
pPList GF_regions(pGFace g);
pPList GF_edges(pGFace g);
pPList GF_vectices(pGFace g);
pPList GE_regions(pGEdge g);
pPList GE_faces(pGEdge g);
pPList GE_vectices(pGEdge g);
pPList GV_regions(pGVertex g);
pPList GV_faces(pGVertex g);
pPList GV_edges(pGVertex g);

// ------------------------------------------------ orientation and closure
int R_faceDir(pRegion r, int i);
int F_edgeDir(pFace f, int i);
int R_dirUsingFace(pRegion r, pFace f);
int F_dirUsingEdge(pFace f, pEdge e);
void F_chDir(pFace f);
int R_inClosure(pEntity e, pEntity x);
int E_inClosure(pEntity e, pEntity x);
int F_inClosure(pEntity e, pEntity x);

// The plain name F_normalVector belongs to the mesh tools' unnormalised
// normal; the unit normal through the face's mapping lives here.
namespace mapped {
// dir times the unit normal of the face's vertex order (right-hand rule).
void F_normalVector(pFace f, int dir, double* n);
}  // namespace mapped

// ----------------------------------------------------------- mesh services
// Element type code of an entity.
mEntity::mType M_GetElementType(pEntity e);
// Appends the vertices of e (e itself for a vertex) to out, in the vertex
// order of e's kind.
void M_GetVertices(pEntity e, std::vector<pEntity>& out);
// Writes the stored upward neighbours of dimension level + 1 into out.
void M_GetNeighbors(pEntity e, pEntity* out);
// Appends the leaves of e's boundary entities (one dimension down) to out when given.
void M_GetBoundary(pEntity e, std::list<mEntity*>* out = nullptr);
int R_edgeDir(pRegion r, int i);
// Inscribed radius of a triangle or tetrahedron (edge: length, vertex: 1).
double M_SizeMin(pEntity e);
// {n + 2, type, vertex ids...}, allocated with new[].
int* M_BuildRepresentation(pEntity e);
pEntity M_RetrieveRepresentation(int* rep, pMesh m);
int M_modify_representation(pMesh m, int from, int to, int with, int create);
void M_SetRepresentationToOneLevel(pMesh m);
void M_BdryLinkSetup(pMesh m);
int M_MaximumVertexId(pMesh m);
int M_numRemoteCopies(pMesh m, pEntity e);
// Single process: the periodic copies the owner manager records (appended
// to out; their number is returned) and their process, 0.
int M_getRemoteCopies(pMesh m, pEntity e, pPList out);
int M_getRemotePID(pMesh m, pEntity e, int i);
void M_LoadBalance(pMesh m);
// Vertex ids are already unique with one process: nothing to do.
template <class List, class Out>
inline void M_AssignUniqueId(pMesh, unsigned int, const List&, int, const Out&) {}

// Point at which an edge is split: its midpoint, or, for an edge on a model
// edge of a mesh that keeps a model mesh, the midpoint of the model-mesh edge
// most nearly equidistant from the edge's two vertices.
void MeshModel_middlePoint(pEntity edge, double* out);

}  // namespace KORA

#endif
