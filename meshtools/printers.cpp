#include <cmath>
#include <cstdint>
#include <cstdio>

#include "MT_geometry.h"
#include "MT_info.h"

using namespace KORA;

namespace {
// A handle's full value, for "0x%jx" (a pointer does not fit "%x" on every platform).
std::uintmax_t H(const void* p) { return static_cast<std::uintmax_t>(reinterpret_cast<std::uintptr_t>(p)); }

int tagOf(pGEntity g) { return g ? GEN_tag(g) : -1; }

// Heading prefix of an entity classified on nothing.
pGEntity classification(pEntity e) {
  pGEntity g = EN_whatIn(e);
  if (!g) std::printf("\n****** Null Classification");
  return g;
}

void vertexLine(pVertex v) {
  double x[3];
  V_coord(v, x);
  pGEntity g = V_whatIn(v);
  std::printf(" 0x%jx (%7d)  %4d  0x%jx %10d %10.5f %10.5f %10.5f\n", H(v), EN_id(v), V_whatInType(v), H(g), tagOf(g),
              x[0], x[1], x[2]);
}

void edgeOrFaceLine(pEntity e) {
  pGEntity g = EN_whatIn(e);
  std::printf(" 0x%jx (%7d) %4d   0x%jx %10d\n", H(e), EN_id(e), EN_whatInType(e), H(g), tagOf(g));
}

// The direction of a sub-entity in its owner; -1 when the mesh cannot tell.
template <class F>
int direction(F&& f) {
  try {
    return f();
  } catch (...) {
    return -1;
  }
}
}  // namespace

void M_info(pMesh mesh) {
  std::printf("mesh/model statistics\n");
  std::printf(" # regions : %12d\n", M_numRegions(mesh));
  std::printf(" # faces   : %12d\n", M_numFaces(mesh));
  std::printf(" # edges   : %12d\n", M_numEdges(mesh));
  std::printf(" # vertices: %12d\n", M_numVertices(mesh));
  std::fflush(stdout);
}

void EN_info(pEntity e) {
  if (!e) {
    std::printf("Null pointer passed to EN_info\n");
    std::fflush(stdout);
    return;
  }
  switch (EN_type(e)) {
    case 0: V_info(e); break;
    case 1: E_info(e); break;
    case 2: F_info(e); break;
    case 3: R_info(e); break;
    default: std::printf("***** Unrecognized entity type\n"); break;
  }
  std::fflush(stdout);
}

void R_info(pRegion r) {
  if (!r) {
    std::printf("Null pointer passed to R_info\n");
    return;
  }
  if (EN_type(r) != 3) {
    std::printf("\n****** Entity is not a Region!!!\n");
    return;
  }
  pGEntity g = classification(r);
  std::printf("\nRegion : 0x%jx (ID=%7d)  model ent.: 0x%jx  tag: %d\n", H(r), EN_id(r), H(g), tagOf(g));
  if (R_numFaces(r) == 4) {
    std::printf("Geometry:\n");
    const double volume = R_volume(r);
    std::printf(" volume      : %15.5f\n", volume);
    if (volume < 0) {
      std::printf("  *** invalid element! ***\n");
    } else {
      double cosSmall, cosLarge, shape;
      R_dihedral(r, &cosSmall, &cosLarge);
      R_shape(r, &shape);
      const double deg = 180.0 / 3.141592653589793;
      std::printf(" r/R ratio   : %15.5f\n", R_rbyR(r));
      std::printf(" dhd angles  : %15.5f\t%15.5f\n", std::acos(cosSmall) * deg, std::acos(cosLarge) * deg);
      std::printf(" E_lgth ratio: %15.5f\n", R_edgLenRatio(r));
      std::printf(" aspect ratio: %15.5f\n", R_aspectRatio(r));
      std::printf(" shape       : %15.5f\n", shape);
    }
  }
  std::printf("Topology:\n");
  std::printf("\nFaces       (ids):   type  model ent.      tag   orient\n");
  for (int i = 0; i < R_numFaces(r); ++i) {
    pFace f = R_face(r, i);
    pGEntity gf = F_whatIn(f);
    std::printf(" 0x%jx (%7d) %4d   0x%jx %10d %4d\n", H(f), EN_id(f), F_whatInType(f), H(gf), tagOf(gf),
                direction([&] { return R_faceDir(r, i); }));
  }
  std::printf("\nEdges       (ids):   type  model ent.      tag   orient\n");
  pPList edges = R_edges(r);
  for (int i = 0; i < PList_size(edges); ++i) edgeOrFaceLine(static_cast<pEdge>(PList_item(edges, i)));
  PList_delete(edges);
  std::printf("\nVertices    (ids):   type  model ent.      tag               coordinates\n");
  pPList verts = R_vertices(r);
  for (int i = 0; i < PList_size(verts); ++i) {
    pVertex v = static_cast<pVertex>(PList_item(verts, i));
    pGEntity gv = V_whatIn(v);
    double x[3];
    V_coord(v, x);
    std::printf(" 0x%jx (%7d) %4d   0x%jx %10d %12.5f %12.5f %12.5f\n", H(v), EN_id(v), V_whatInType(v), H(gv),
                tagOf(gv), x[0], x[1], x[2]);
  }
  PList_delete(verts);
  std::fflush(stdout);
}

void F_info(pFace f) {
  if (!f) {
    std::printf("Null pointer passed to F_info\n");
    return;
  }
  if (EN_type(f) != 2) {
    std::printf("\n****** Entity is not a Face!!!\n");
    return;
  }
  pGEntity g = classification(f);
  std::printf("\nFace : 0x%jx (ID=%d)  type: %2d  model ent.: 0x%jx  tag: %d\n", H(f), EN_id(f), F_whatInType(f),
              H(g), tagOf(g));
  std::printf("Topology:\n");
  std::printf("\nVertices    (ids):   type  model ent.      tag               coordinates\n");
  pPList verts = F_vertices(f, 1);
  for (int i = 0; i < PList_size(verts); ++i) vertexLine(static_cast<pVertex>(PList_item(verts, i)));
  PList_delete(verts);
  std::printf("\nEdges       (ids):   type  model ent.      tag   dir\tvertices\n");
  for (int i = 0; i < F_numEdges(f); ++i) {
    pEdge e = F_edge(f, i);
    pGEntity ge = E_whatIn(e);
    std::printf(" 0x%jx (%7d)  %4d   0x%jx %10d %4d\t0x%jx\t0x%jx\n", H(e), EN_id(e), E_whatInType(e), H(ge),
                tagOf(ge), direction([&] { return F_edgeDir(f, i); }), H(E_vertex(e, 0)), H(E_vertex(e, 1)));
  }
  std::printf("\nRegions     (ids):   model ent.      tag\n");
  for (int i = 0; i < 2; ++i) {
    pRegion r = F_region(f, i);
    if (!r) continue;
    pGEntity gr = R_whatIn(r);
    std::printf(" 0x%jx (%d)  \t0x%jx %10d\n", H(r), EN_id(r), H(gr), tagOf(gr));
  }
  std::fflush(stdout);
}

void E_info(pEdge e) {
  if (!e) {
    std::printf("Null pointer passed to E_info\n");
    return;
  }
  if (EN_type(e) != 1) {
    std::printf("\n****** Entity is not a Edge!!!\n");
    return;
  }
  pGEntity g = classification(e);
  std::printf("\nEdge : 0x%jx (%d)  type: %2d  model ent.: 0x%jx  tag: %d\n", H(e), EN_id(e), E_whatInType(e), H(g),
              tagOf(g));
  std::printf("Topology:\n");
  std::printf("\nVertices    (ids):   type model ent.      tag               coordinates\n");
  vertexLine(E_vertex(e, 0));
  vertexLine(E_vertex(e, 1));
  std::printf("\nFaces       (ids):   type model ent.      tag\n");
  for (int i = 0; i < E_numFaces(e); ++i) edgeOrFaceLine(E_face(e, i));
  std::printf("\nRegions     (ids):    model ent.      tag\n");
  pPList regions = E_regions(e);
  for (int i = 0; i < PList_size(regions); ++i) {
    pRegion r = static_cast<pRegion>(PList_item(regions, i));
    pGEntity gr = R_whatIn(r);
    std::printf(" 0x%jx (%7d)  0x%jx %10d\n", H(r), EN_id(r), H(gr), tagOf(gr));
  }
  PList_delete(regions);
  std::fflush(stdout);
}

void V_info(pVertex v) {
  if (!v) {
    std::printf("Null pointer passed to V_info\n");
    return;
  }
  if (EN_type(v) != 0) {
    std::printf("\n****** Entity is not a Vertex!!!\n");
    return;
  }
  pGEntity g = classification(v);
  std::printf("\nVertex: 0x%jx (%d)  type: %2d  model ent.: 0x%jx  tag: %d\n", H(v), EN_id(v), V_whatInType(v), H(g),
              tagOf(g));
  double x[3];
  V_coord(v, x);
  std::printf("Coordinates: %15.5f %15.5f %15.5f\n", x[0], x[1], x[2]);
  std::printf("\nEdges       (ids):   type model ent.      tag\n");
  for (int i = 0; i < V_numEdges(v); ++i) edgeOrFaceLine(V_edge(v, i));
  std::printf("\nFaces       (ids):   type model ent.      tag\n");
  pPList faces = V_faces(v);
  for (int i = 0; i < PList_size(faces); ++i) edgeOrFaceLine(static_cast<pFace>(PList_item(faces, i)));
  PList_delete(faces);
  std::fflush(stdout);
}

void PList_printx(pPList l) {
  std::printf("List 0x%jx:\n\t", H(l));
  void* iter = nullptr;
  while (void* item = PList_next(l, &iter)) std::printf("0x%jx ", H(item));
  std::printf("\n");
  std::fflush(stdout);
}
