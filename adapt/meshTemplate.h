// Refinement of a conforming triangle or tetrahedron mesh by templates.
// Marked edges are split at their (metric) mid-points, faces with split edges
// are split into triangles and tetrahedra with split edges are split by the
// template of their pattern of split edges. Every refined face and region is
// reported to the change callback (TEMPLATEREF). Steiner vertices added by two
// tetrahedron templates, and face diagonals whose alternative is clearly
// shorter in the metric, are recorded and improved at the end of a run.
#ifndef DG_ADAPT_MESHTEMPLATE_H
#define DG_ADAPT_MESHTEMPLATE_H

#include <initializer_list>

#include "KORA.h"
#include "metricField.h"

class meshTemplate {
 public:
  KORA::pMesh mesh;
  metricField* field;        // may be null: Euclidean mid-points, no metrics
  unsigned int refineTag;    // "refdref_indicator": int 1 on a marked edge
  unsigned int childrenTag;  // "pointerToPList": children of a split entity
  unsigned int parentTag = 0;  // "pointerToClassifiedParentMesh", set by setClassification
  KORA::pPList markedEdges;    // owned, in marking order
  int snapMode;                // 0 no snapping; 1, 2, 3: see splitLinearEdge
  KORA::SSList<KORA::mEntity*>* toSnap = nullptr;  // not owned
  int option;  // bit 0: collect new entities for the callback; > 1: record Steiner vertices and diagonals
  KORA::pPList steinerList = nullptr;   // owned, made when option > 1
  KORA::pPList diagonalList = nullptr;  // owned, pairs (edge, face), made when option > 1
  KORA::CBFunction callback = nullptr;
  void* userData = nullptr;
  unsigned int uniqueIdTag;  // "TagForUniqueVertexIdInParallel"
  KORA::pRegion currentRegion = nullptr;

  meshTemplate(KORA::pMesh m, metricField* f, int snapMode, int option,
               KORA::SSList<KORA::mEntity*>* toSnap);
  meshTemplate(KORA::pMesh m, metricField* f);
  meshTemplate(KORA::pMesh m, metricField* f, int snapMode, KORA::SSList<KORA::mEntity*>* toSnap);
  ~meshTemplate();
  void releaseChildren();  // frees the children lists still attached
  meshTemplate(const meshTemplate&) = delete;
  meshTemplate& operator=(const meshTemplate&) = delete;

  // Level 1 marks an edge for refinement (0 when its constraints forbid it),
  // level 0 unmarks it.
  int setRefineLevel(KORA::pEntity e, int level);
  void setCallback(KORA::CBFunction cb, void* data);
  // Reports the refinement of one face or region (old list: the entity alone).
  void callCallback(KORA::pEntity e, KORA::pPList* newEntities);
  KORA::pPList adoptChildren(KORA::pEntity split, std::initializer_list<KORA::pEntity> children,
                             std::initializer_list<KORA::pEntity> reported);
  // Refines all marked edges, then their faces, then their regions.
  void run();

  int E_refine(KORA::pEdge e);
  int F_refine(KORA::pFace f);
  // The region's split-edge mask; the lists are filled when bit 0 of option is set.
  int R_refine(KORA::pRegion r, KORA::pPList* newRegions, KORA::pPList* newEdges);

  // Removal once nothing uses the entity; cascade 1 also removes what it leaves unused.
  void delete_region(KORA::pRegion r, int cascade);
  void delete_face(KORA::pFace f, int cascade);
  void delete_edge(KORA::pEdge e, int cascade);
  void delete_vertex(KORA::pVertex v);
  void delete_Children(KORA::pPList regions);

  void setClassification();
  // The entity of the unrefined mesh the entity came from (itself when none).
  KORA::pEntity EN_whatIn(KORA::pEntity e);
  // Uniform refinement by levels; *out receives the regions of the last level.
  void R_refineN(KORA::pRegion r, int levels, KORA::pPList* out);

  // ---- edges and faces
  KORA::pPList get_split_edges(KORA::pEdge e, int flag);
  KORA::pPList splitLinearEdge(KORA::pEdge e, int flag);
  KORA::pPList get_split_faces_1(KORA::pFace f, int flag);
  KORA::pPList get_split_faces_2(KORA::pFace f);
  KORA::pPList get_split_faces_3(KORA::pFace f, int flag);

  // ---- tetrahedron front-ends (region, its R_edges list, case index, output lists)
  void template_1(KORA::pRegion r, KORA::pPList edges, int c, KORA::pPList* newRegions, KORA::pPList* newEdges);
  void template_2_1(KORA::pRegion r, KORA::pPList edges, int c, KORA::pPList* newRegions, KORA::pPList* newEdges);
  void template_2_2(KORA::pRegion r, KORA::pPList edges, int c, KORA::pPList* newRegions, KORA::pPList* newEdges);
  void template_3_1(KORA::pRegion r, KORA::pPList edges, int c, KORA::pPList* newRegions, KORA::pPList* newEdges);
  void template_3_2(KORA::pRegion r, KORA::pPList edges, int c, KORA::pPList* newRegions, KORA::pPList* newEdges);
  void template_3_3(KORA::pRegion r, KORA::pPList edges, int c, KORA::pPList* newRegions, KORA::pPList* newEdges);
  void template_3_4(KORA::pRegion r, KORA::pPList edges, int c, KORA::pPList* newRegions, KORA::pPList* newEdges);
  void template_4_1(KORA::pRegion r, KORA::pPList edges, int c, KORA::pPList* newRegions, KORA::pPList* newEdges);
  void template_4_2(KORA::pRegion r, KORA::pPList edges, int c, KORA::pPList* newRegions, KORA::pPList* newEdges);
  void template_5(KORA::pRegion r, KORA::pPList edges, int c, KORA::pPList* newRegions, KORA::pPList* newEdges);
  void template_63(KORA::pRegion r, KORA::pPList edges, int c, KORA::pPList* newRegions, KORA::pPList* newEdges);

  // ---- sub-templates on the rotated tetrahedron (edges e, faces F, face-use
  // directions dir, vertices v, model entity g)
  void sub_template_1(KORA::pEdge e[6], KORA::pFace F[4], int dir[4], KORA::pVertex v[4], KORA::pGEntity g,
                      KORA::pPList* newRegions, KORA::pPList* newEdges);
  void sub_template_2_1(KORA::pEdge e[6], KORA::pFace F[4], int dir[4], KORA::pVertex v[4], KORA::pGEntity g,
                        KORA::pPList* newRegions, KORA::pPList* newEdges);
  void sub_template_2_2(KORA::pEdge e[6], KORA::pFace F[4], int dir[4], KORA::pVertex v[4], KORA::pGEntity g,
                        KORA::pPList* newRegions, KORA::pPList* newEdges);
  void sub_template_3_1(KORA::pEdge e[6], KORA::pFace F[4], int dir[4], KORA::pVertex v[4], KORA::pGEntity g,
                        int c, KORA::pPList* newRegions, KORA::pPList* newEdges);
  void sub_template_3_2(KORA::pEdge e[6], KORA::pFace F[4], int dir[4], KORA::pVertex v[4], KORA::pGEntity g,
                        int c, KORA::pPList* newRegions, KORA::pPList* newEdges);
  void sub_template_3_3_a(KORA::pFace F[4], int dir[4], KORA::pVertex v[4], KORA::pGEntity g, int code,
                          KORA::pPList* newRegions, KORA::pPList* newEdges);
  void sub_template_3_3_b(KORA::pEdge e[6], KORA::pFace F[4], int dir[4], KORA::pVertex v[4], KORA::pGEntity g,
                          int code, KORA::pPList* newRegions, KORA::pPList* newEdges);
  void sub_template_3_4(KORA::pEdge e[6], KORA::pFace F[4], int dir[4], KORA::pVertex v[4], KORA::pGEntity g,
                        KORA::pPList* newRegions, KORA::pPList* newEdges);
  void sub_template_4_1(KORA::pEdge e[6], KORA::pFace F[4], int dir[4], KORA::pVertex v[4], KORA::pGEntity g,
                        int c, KORA::pPList* newRegions, KORA::pPList* newEdges);
  void sub_template_4_2_a(KORA::pEdge e[6], KORA::pFace F[4], KORA::pVertex v[4], KORA::pGEntity g, int c,
                          KORA::pPList* newRegions, KORA::pPList* newEdges);
  void sub_template_4_2_b(KORA::pFace F[4], int dir[4], KORA::pVertex v[4], KORA::pGEntity g,
                          KORA::pPList* newRegions, KORA::pPList* newEdges);
  void sub_template_5(KORA::pEdge e[6], KORA::pFace F[4], int dir[4], KORA::pVertex v[4], KORA::pGEntity g,
                      int c, KORA::pPList* newRegions, KORA::pPList* newEdges);
  void sub_template_6(KORA::pRegion r, KORA::pEdge e[6], KORA::pFace F[4], int dir[4], KORA::pVertex v[4],
                      KORA::pGEntity g, KORA::pPList* newRegions, KORA::pPList* newEdges);

  // ---- building blocks of the sub-templates
  KORA::pEdge get_edge_by_verts(KORA::pMesh m, KORA::pVertex a, KORA::pVertex b, KORA::pGEntity g,
                                KORA::pPList* list);
  KORA::pFace get_face_by_edge_vert(KORA::pMesh m, KORA::pEdge e, KORA::pVertex x, KORA::pGEntity g,
                                    KORA::pPList* list);
  KORA::pRegion face_vert_create_region(KORA::pMesh m, KORA::pVertex x, KORA::pFace f, int dir,
                                        KORA::pGEntity g, KORA::pPList* list);
  void faces_vert_create_regions(KORA::pMesh m, KORA::pVertex x, int n, KORA::pFace faces[], int dirs[],
                                 KORA::pGEntity models[], KORA::pPList* newRegions, KORA::pPList* newEdges);

  // ---- Steiner vertices and diagonals
  void deleteSteiner();
  // Appends the regions whose refinement will create a Steiner vertex.
  void M_countSteinerPoints(KORA::pMesh m, KORA::pPList regions);
  void count_template_3_3a(KORA::pRegion r, KORA::pPList edges, int c, KORA::pPList regions);
  void count_template_4_2b(KORA::pRegion r, KORA::pPList edges, int c, KORA::pPList regions);
};

#endif
