// Parameters of mesh vertices on the model, and the geometric similarity of
// boundary faces with the model faces they lie on.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "AdaptUtil.h"
#include "MT_geometry.h"
#include "MT_topology.h"
#include "MT_vector.h"
#include "ParamsOnGFace.h"
#include "fromMeshTools.h"
#include "templatesUtil.h"

using namespace KORA;

// ------------------------------------------------------------ the cache

ParamsOnGFace::ParamsOnGFace(int n, pGFace face, const double par[3])
    : count(1), capacity(std::max(n, 1)), faces(new pGFace[capacity]), params(new double[capacity][3]) {
  faces[0] = face;
  for (int k = 0; k < 3; ++k) params[0][k] = par[k];
}

ParamsOnGFace::~ParamsOnGFace() {
  delete[] faces;
  delete[] params;
}

int ParamsOnGFace::ifGParamExist(pGFace face) const {
  for (int i = 0; i < count; ++i)
    if (faces[i] == face) return 1;
  return 0;
}

int ParamsOnGFace::append(pGFace face, const double par[3]) {
  if (count >= capacity) return 0;
  faces[count] = face;
  for (int k = 0; k < 3; ++k) params[count][k] = par[k];
  ++count;
  return 1;
}

int ParamsOnGFace::appendUnique(pGFace face, const double par[3]) {
  return ifGParamExist(face) ? 0 : append(face, par);
}

int ParamsOnGFace::getParam(pGFace face, double out[3]) const {
  for (int i = 0; i < count; ++i)
    if (faces[i] == face) {
      for (int k = 0; k < 3; ++k) out[k] = params[i][k];
      return 1;
    }
  return 0;
}

// ----------------------------------------------------------- parameters

int AdaptUtil::V_reparamOnGFace(pVertex v, pGFace g, double par[3]) {
  switch (V_whatInType(v)) {
    case 0:
      GF_vertexReparam(g, V_whatIn(v), par);
      break;
    case 1: {
      const double t = P_param1(V_point(v));
      GF_edgeReparam(g, V_whatIn(v), t, 1, par);
      break;
    }
    case 2: {
      int patch = 0;
      P_param2(V_point(v), &par[0], &par[1], &patch);
      break;
    }
    default:
      std::cerr << "...a boundary vertex classified on model region (V_reparamOnGFace)" << std::endl;
      std::cerr << "   id:" << EN_id(v) << "  address:" << static_cast<void*>(v) << std::endl;
      std::exit(1);
  }
  par[2] = 0.0;
  return 1;
}

int AdaptUtil::V_reparamOnGEdge(pVertex v, pGEdge g, double* t) {
  switch (V_whatInType(v)) {
    case 0:
      *t = GE_vertexReparam(g, V_whatIn(v));
      return 1;
    case 1:
      *t = P_param1(V_point(v));
      return 1;
    default:
      return 0;
  }
}

bool AdaptUtil::V_getNormal(pGFace g, pVertex v, double n[3]) {
  double par[3];
  if (!V_reparamOnGFace(v, g, par)) return false;
  GF_normal(g, par, n);
  return true;
}

int AdaptUtil::ifDegenerated(pGFace g, const double par[3], double tol) {
  return templatesUtil::ifDegenerated(g, par, tol);
}

// ----------------------------------------------------- periodic swaps

int AdaptUtil::E_swpCheckPer(pEdge e) {
  if (E_whatInType(e) != 2) return 1;
  pGFace g = E_whatIn(e);
  const int periodic[2] = {GF_periodic(g, 0), GF_periodic(g, 1)};
  if (!periodic[0] && !periodic[1]) return 1;
  double u[2][3];
  int n = 0;
  for (int i = 0; i < E_numFaces(e) && n < 2; ++i) {
    pFace f = E_face(e, i);
    if (F_whatInType(f) != 2) continue;
    V_reparamOnGFace(F_edOpVt(f, e), g, u[n++]);
  }
  // A model-face edge has two boundary faces; without them nothing can be
  // judged, and the swap is refused.
  if (n < 2) return 0;
  const double tol = M_getTolerance();
  for (int d = 0; d < 2; ++d) {
    if (!periodic[d]) continue;
    if (ifDegenerated(g, u[0], tol) == 1 - d || ifDegenerated(g, u[1], tol) == 1 - d) continue;
    double lo = 0.0, hi = 0.0;
    GF_parRange(g, d, &lo, &hi);
    const double span = std::fabs(u[0][d] - u[1][d]);
    if (0.3333 * (hi - lo) < span && span < 0.6667 * (hi - lo)) return 0;
  }
  return 1;
}

double AdaptUtil::F_angleToGNormal(pVertex v0, pVertex v1, pVertex v2, pGFace g) {
  pVertex vs[3] = {v0, v1, v2};
  double N[3] = {0, 0, 0}, x[3][3];
  for (int i = 0; i < 3; ++i) {
    V_coord(vs[i], x[i]);
    double n[3];
    if (V_getNormal(g, vs[i], n))
      for (int k = 0; k < 3; ++k) N[k] += n[k];
  }
  double a[3], b[3], f[3];
  diffVt(x[1], x[0], a);
  diffVt(x[2], x[0], b);
  crossProd(a, b, f);
  // ff goes as a length^4: flat against the face's own size; N is a sum of unit normals.
  const double ff = dotProd(f, f), NN = dotProd(N, N), tol = M_getTolerance(), s2 = XYZ_size2(x, 3);
  if (ff < tol * s2 * s2 || NN < tol) return 0.0;
  const double c = dotProd(f, N);
  const double r = c * c / (ff * NN);
  return c > 0 ? r : -r;
}

double AdaptUtil::F_angleToGNormal(pFace f) {
  if (F_whatInType(f) != 2) return 0.0;
  pPList vs = F_vertices(f, 1);
  const double r = F_angleToGNormal(static_cast<pVertex>(PList_item(vs, 0)), static_cast<pVertex>(PList_item(vs, 1)),
                                    static_cast<pVertex>(PList_item(vs, 2)), F_whatIn(f));
  PList_delete(vs);
  return r;
}

void AdaptUtil::E_swpGetOriAngles(pEdge e, double* maxCos, double* minOri) {
  const int n = std::min(E_numFaces(e), 2);
  if (n == 0) return;
  double m[2] = {-1, -1}, o[2] = {0, 0};
  for (int i = 0; i < n; ++i) {
    pFace f = E_face(e, i);
    double x[3][3], c[3];
    F_coord(f, x);
    fromMeshTools::XYZ_FAngles(x, c);
    m[i] = std::max({c[0], c[1], c[2]});
    o[i] = F_angleToGNormal(f);
  }
  *maxCos = n == 2 ? std::max(m[0], m[1]) : m[0];
  *minOri = n == 2 ? std::min(o[0], o[1]) : o[0];
}

int fromMeshTools::E_evalSwpOnGFace(pEdge edge, pGFace g, pPList& faces, double* maxCos, double* minOri) {
  if (E_whatIn(edge) != g || E_numFaces(edge) != 2) return 0;
  pFace f0 = E_face(edge, 0), f1 = E_face(edge, 1);
  if (!F_dirUsingEdge(f0, edge)) std::swap(f0, f1);
  pVertex o0 = F_edOpVt(f0, edge), o1 = F_edOpVt(f1, edge);
  pVertex a = E_vertex(edge, 0), b = E_vertex(edge, 1);
  pVertex tris[2][3] = {{o0, o1, b}, {o1, o0, a}};
  double worstCos = -1.0, worstOri = 1e300;
  for (auto& t : tris) {
    double x[3][3], c[3];
    for (int j = 0; j < 3; ++j) V_coord(t[j], x[j]);
    XYZ_FAngles(x, c);
    const double smallest = std::min({c[0], c[1], c[2]});
    if (C_equal(std::fabs(smallest), 1.0)) return 0;
    const double ori = AdaptUtil::F_angleToGNormal(t[0], t[1], t[2], g);
    if (ori < M_getTolerance()) return 0;
    worstCos = std::max({worstCos, c[0], c[1], c[2]});
    worstOri = std::min(worstOri, ori);
  }
  *maxCos = worstCos;
  *minOri = worstOri;
  for (auto& t : tris) {
    pFace old = F_exists(0, t[0], t[1], t[2], nullptr);
    if (old && faces && PList_inList(faces, old)) return 0;
  }
  return AdaptUtil::E_swpCheckPer(edge);
}

// ------------------------------------------------------------ similarity

int AdaptUtil::F_fixPeriodicParams(pGFace g, double tol, double par[3][3]) {
  for (int i = 0; i < 3; ++i) {
    const int d = ifDegenerated(g, par[i], tol);
    if (d == -1) continue;
    // On a degenerate line the other parameter is meaningless: take it from
    // the other two corners.
    // Across the seam of a periodic direction the lower of the two is taken
    // a period on, whichever corner it is, so that the mean lies between
    // them and not on the opposite side.
    const int k = 1 - d, j1 = (i + 1) % 3, j2 = (i + 2) % 3;
    if (GF_periodic(g, k)) {
      double lo = 0.0, hi = 0.0;
      GF_parRange(g, k, &lo, &hi);
      if (par[j1][k] - par[j2][k] > 0.5 * (hi - lo))
        par[j2][k] += hi - lo;
      else if (par[j2][k] - par[j1][k] > 0.5 * (hi - lo))
        par[j1][k] += hi - lo;
    }
    par[i][k] = 0.5 * (par[j1][k] + par[j2][k]);
  }
  for (int d = 0; d < 2; ++d) {
    if (!GF_periodic(g, d)) continue;
    double lo = 0.0, hi = 0.0;
    GF_parRange(g, d, &lo, &hi);
    const double P = hi - lo, H = 0.5 * P;
    for (int i = 0; i < 3; ++i) {
      double* a = par[i];
      double* b = par[(i + 1) % 3];
      if (a[d] - b[d] > H)
        b[d] += P;
      else if (b[d] - a[d] > H)
        a[d] += P;
    }
  }
  return 1;
}

int AdaptUtil::Par_checkGeoSim(pGFace g, double tol, double par[3][3]) {
  const double c = (par[1][0] - par[0][0]) * (par[2][1] - par[0][1]) - (par[1][1] - par[0][1]) * (par[2][0] - par[0][0]);
  if (std::fabs(c) < tol * tol) return 0;
  const int dir = GF_geomDirection(g);
  if ((dir == -1 && c < 0) || (dir == 1 && c > 0)) return 1;
  if (dir != 1 && dir != -1) std::cout << " GF_geomDirection() returns neither 1 nor -1" << std::endl;
  return -1;
}

namespace {
int similarity(pGFace g, double par[3][3]) {
  const double tol = GEN_tolerance(g);
  AdaptUtil::F_fixPeriodicParams(g, tol, par);
  return AdaptUtil::Par_checkGeoSim(g, tol, par);
}
}  // namespace

int AdaptUtil::F_checkGeoSim(pFace f, unsigned int tag) {
  pGFace g = F_whatIn(f);
  // The model queries may throw: the list goes on every path.
  std::unique_ptr<fakeList, void (*)(pPList)> owned(F_vertices(f, 1), PList_delete);
  pPList vs = owned.get();
  double par[3][3];
  for (int i = 0; i < 3; ++i) {
    pVertex v = static_cast<pVertex>(PList_item(vs, i));
    void* p = nullptr;
    auto* rec = EN_getDataPtr(v, tag, &p) ? static_cast<ParamsOnGFace*>(p) : nullptr;
    if (rec && rec->getParam(g, par[i])) continue;
    if (!V_reparamOnGFace(v, g, par[i])) return -2;
    if (rec) {
      rec->append(g, par[i]);
      EN_modifyDataPtr(v, tag, rec);
    } else {
      EN_attachDataPtr(v, tag, new ParamsOnGFace(V_numGFaces(v), g, par[i]));
    }
  }
  return similarity(g, par);
}

int AdaptUtil::F_checkGeoSim(pPList* verts, pGFace g) {
  double par[3][3];
  for (int i = 0; i < 3; ++i)
    if (!V_reparamOnGFace(static_cast<pVertex>(PList_item(*verts, i)), g, par[i])) return -2;
  return similarity(g, par);
}

void AdaptUtil::M_checkGeoSim(pMesh mesh) {
  FIter it = M_faceIter(mesh);
  while (pFace f = FIter_next(it)) {
    // Only faces on a model face have a model to resemble.
    if (F_whatInType(f) != 2) continue;
    pPList vs = F_vertices(f, 1);
    const int r = F_checkGeoSim(&vs, F_whatIn(f));
    PList_delete(vs);
    const void* a = f;
    if (r == -1) std::cout << "face " << a << " has flipped normal or more than half period parametric span\n";
    if (r == 0) std::cout << "the 3rd component of face " << a << "'s normal is zero\n";
    if (r == -2) std::cout << "can not get parameters at bounding vertices of face " << a << "\n";
  }
  FIter_delete(it);
}

int AdaptUtil::GF_inClosure(pGFace f, pGEntity g) {
  const int level = GEN_type(g);
  if (level != 0 && level != 1) return 0;
  pPList l = level == 0 ? GF_vectices(f) : GF_edges(f);
  const int in = PList_inList(l, g);
  PList_delete(l);
  return in;
}

void AdaptUtil::V_bdryfacesOngface(pVertex v, pGFace g, pPList* list) {
  pPList fs = V_faces(v);
  for (int i = 0; i < PList_size(fs); ++i) {
    pFace f = static_cast<pFace>(PList_item(fs, i));
    if (F_whatIn(f) != g) continue;
    if (!*list) *list = PList_new();
    PList_append(*list, f);
  }
  PList_delete(fs);
}

namespace {
// Prints the tolerances of the listed model entities after the label; the
// largest of them and of `largest`.
double printTolerances(const char* label, pPList l, double largest) {
  std::cout << label;
  for (int i = 0; i < PList_size(l); ++i) {
    const double t = GEN_tolerance(static_cast<pGEntity>(PList_item(l, i)));
    std::cout << t << "    ";
    if (t > largest) largest = t;
  }
  std::cout << std::endl;
  return largest;
}
}  // namespace

double AdaptUtil::GF_Tolerances(pGFace g) {
  double largest = GEN_tolerance(g);
  std::cout << " faceTolerance:       " << largest << std::endl;
  pPList edges = GF_edges(g), verts = GF_vectices(g);
  largest = printTolerances(" edgeTolerances:      ", edges, largest);
  largest = printTolerances(" vertexTolerances:    ", verts, largest);
  PList_delete(edges);
  PList_delete(verts);
  return largest;
}

double AdaptUtil::GE_Tolerances(pGEdge g) {
  double largest = GEN_tolerance(g);
  std::cout << " edgeTolerance:       " << largest << std::endl;
  pPList verts = GE_vectices(g);
  largest = printTolerances(" vertexTolerances:    ", verts, largest);
  PList_delete(verts);
  return largest;
}

// ------------------------------------------------------------ front faces

int AdaptUtil::isfacefront(pFace f, pGModel model, pGEntity* region) {
  if (model) {
    std::cout << " routine GM_outerRegion not available" << std::endl;
    std::exit(1);
  }
  pRegion rs[2];
  int nr = 0;
  for (int i = 0; i < 2; ++i)
    if (pRegion r = F_region(f, i)) rs[nr++] = r;
  if (nr == 2) {
    std::cout << " nr==2 face=" << static_cast<void*>(f) << std::endl;
    return 0;
  }
  pGEntity g = F_whatIn(f);
  pGEntity cands[2];
  int nc = 0;
  if (GEN_type(g) == 2) {
    for (int i = 0; i < 2; ++i)
      if (pGEntity r = GF_region(g, i)) cands[nc++] = r;
    if (nc == 0 || (nc == 1 && nr > 0)) return 0;
  } else {
    cands[nc++] = g;
  }
  const bool onRegion = F_whatInType(f) == 3;
  if (!*region) {
    *region = cands[0];
    if (nr == 1 && !onRegion)
      for (int i = nc - 1; i >= 0; --i)
        if (cands[i] != R_whatIn(rs[0])) *region = cands[i];
    return 1;
  }
  if (std::find(cands, cands + nc, *region) == cands + nc) return 0;
  if (!onRegion)
    for (int i = 0; i < nr; ++i)
      if (R_whatIn(rs[i]) == *region) return 0;
  return 1;
}
