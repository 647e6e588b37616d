// Reports of the adaptation library for people tuning it: the size field as
// a plain file, shape and dihedral-angle histograms, a partial mesh around a
// face, checks of the vertices' model parameters and the model's faces.
// Every file is checked when opened and when closed; a report that cannot
// be written says so and answers 0.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <vector>

#include "AdaptUtil.h"
#include "MT_geometry.h"
#include "MT_topology.h"
#include "MT_vector.h"
#include "mException.h"
#include "measures.h"

using namespace KORA;

namespace {
bool opened(std::ofstream& out, const char* name) {
  if (out) return true;
  std::fprintf(stderr, "Error: cannot open \"%s\" for writing: %s\n", name, std::strerror(errno));
  return false;
}

bool closed(std::ofstream& out, const char* name) {
  out.close();
  if (out) return true;
  std::fprintf(stderr, "Error: writing \"%s\" failed\n", name);
  return false;
}

const double shapeBounds[15] = {0, 1e-5, 1e-4, 1e-3, 0.01, 0.05, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9};
const char* const shapeLabels[16] = {"   ~0.0    ", "0.0~e-5    ", "e-5~e-4    ", "e-4~e-3    ",
                                     "e-3~0.01   ", "0.01~0.05  ", "0.05~0.1   ", "0.1~0.2    ",
                                     "0.2~0.3    ", "0.3~0.4    ", "0.4~0.5    ", "0.5~0.6    ",
                                     "0.6~0.7    ", "0.7~0.8    ", "0.8~0.9    ", "0.9~1.0    "};
// Cosines of 175, 170, 160, ..., 80 degrees and 90 down to 70.
const double dihedralBounds[12] = {-0.99619469809, -0.98480775301, -0.93969262079, -0.86602540378,
                                   -0.76604444312, -0.64278760969, -0.5,           -0.34202014333,
                                   -0.17364817767, 0,              0.17364817767,  0.34202014333};

// First bound that v is strictly below; n when none.
int binOf(double v, const double* bounds, int n) {
  for (int i = 0; i < n; ++i)
    if (v < bounds[i]) return i;
  return n;
}

void printShapeBins(const int bins[16]) {
  std::cout << "  -> shape distribution <-" << std::endl;
  for (int i = 0; i < 16; ++i) std::cout << shapeLabels[i] << bins[i] << std::endl;
}

// The step plot of the shape bins, each count at its lower and upper edge.
bool writeShapeFile(const int S[16]) {
  const char* name = "shape.dat";
  std::ofstream out(name);
  if (!opened(out, name)) return false;
  out << "0.0      " << S[0] << "\n"
      << "0.000001 " << S[0] << "\n"
      << "0.000001 " << S[1] << "\n"
      << "0.00001  " << S[1] << "\n"
      << "0.00001  " << S[2] << "\n"
      << "0.0001   " << S[2] << "\n"
      << "0.0001   " << S[3] << "\n"
      << "0.001    " << S[3] << "\n"
      << "0.001    " << S[4] << "\n"
      << "0.01     " << S[4] << "\n"
      << "0.01     " << S[5] << "\n"
      << "0.05     " << S[5] << "\n"
      << "0.05     " << S[6] << "\n";
  for (int k = 1; k <= 9; ++k) {
    out << k * 0.1 << "      " << S[5 + k] << "\n";
    out << k * 0.1 << "      " << S[6 + k] << "\n";
  }
  out << "1.0      " << S[15] << "\n";
  return closed(out, name);
}

bool writeDihedralFile(const double D[13]) {
  const char* name = "BigDihedral.dat";
  std::ofstream out(name);
  if (!opened(out, name)) return false;
  out << "180    " << D[0] << "\n"
      << "175    " << D[0] << "\n"
      << "175    " << D[1] << "\n";
  for (int j = 1; j <= 11; ++j) {
    out << (18 - j) * 10 << "    " << D[j] << "\n";
    out << (18 - j) * 10 << "    " << D[j + 1] << "\n";
  }
  out << "60    " << D[12] << "\n";
  return closed(out, name);
}
}  // namespace

int AdaptUtil::writeSizeField(pMesh mesh, const metricField* field, const char* name) {
  // Every vertex needs its metric: the file has three lines per vertex.
  VIter it = M_vertexIter(mesh);
  while (pVertex v = VIter_next(it))
    if (!field || !field->getMetric(v)) {
      VIter_delete(it);
      std::fprintf(stderr, "Error: vertex %d has no metric, \"%s\" not written\n", EN_id(v), name);
      return 0;
    }
  VIter_delete(it);
  FILE* f = std::fopen(name, "w");
  if (!f) {
    std::fprintf(stderr, "Error: cannot open \"%s\" for writing: %s\n", name, std::strerror(errno));
    return 0;
  }
  std::fprintf(f, "%d\n", M_numVertices(mesh));
  it = M_vertexIter(mesh);
  while (pVertex v = VIter_next(it)) {
    const metric* m = field->getMetric(v);
    for (int i = 0; i < 3; ++i)
      std::fprintf(f, "%10.8f    %10.8f %10.8f %10.8f\n", m->h[i], m->e[i][0], m->e[i][1], m->e[i][2]);
  }
  VIter_delete(it);
  const bool bad = std::ferror(f) != 0;
  if (std::fclose(f) != 0 || bad) {
    std::fprintf(stderr, "Error: writing \"%s\" failed\n", name);
    return 0;
  }
  return 1;
}

// Size files are not read back: the field stays as it is.
int AdaptUtil::loadSizeField(pMesh, metricField*, const char*) { return 0; }

int AdaptUtil::M_checkShape(pMesh mesh, metricField* field) {
  meanRatio shp(field, 0.01);
  int bins[16] = {};
  double D[13] = {};
  double worst = 1e10, smallestCos = 1.0, largestCosSmall = -1.0;
  pRegion worstRegion = nullptr;
  RIter it = M_regionIter(mesh);
  while (pRegion r = RIter_next(it)) {
    double q;
    shp.get(r, &q);
    ++bins[binOf(q, shapeBounds, 15)];
    if (q < worst) {
      worst = q;
      worstRegion = r;
    }
    double cosSmall, cosLarge;
    R_dihedral(r, &cosSmall, &cosLarge);
    D[binOf(cosLarge, dihedralBounds, 12)] += 1.0;
    if (cosLarge < smallestCos) smallestCos = cosLarge;
    if (cosSmall > largestCosSmall) largestCosSmall = cosSmall;
  }
  RIter_delete(it);
  const int n = M_numRegions(mesh);
  if (n > 0)
    for (double& d : D) d /= n;
  printShapeBins(bins);
  const bool written = writeShapeFile(bins) && writeDihedralFile(D);
  if (worstRegion) {
    std::cout << " worst shape:" << worst << "   inscriR:" << R_inscrRad(worstRegion) << std::endl;
    std::cout << " max dihedral angle:" << std::acos(smallestCos) * 57.295718
              << "   min dihedral angle:" << std::acos(largestCosSmall) * 57.295718 << std::endl;
  } else {
    std::cout << " no regions" << std::endl;
  }
  return written ? 1 : 0;
}

int AdaptUtil::M_checkShape2D(pMesh mesh, metricField* field) {
  meanRatio shp(field, 0.01);
  int bins[16] = {};
  double worst = 1e10;
  pFace worstFace = nullptr;
  FIter it = M_faceIter(mesh);
  while (pFace f = FIter_next(it)) {
    double q;
    shp.get2D(f, &q);
    ++bins[binOf(q, shapeBounds, 15)];
    if (q < worst) {
      worst = q;
      worstFace = f;
    }
  }
  FIter_delete(it);
  printShapeBins(bins);
  if (!worstFace) {
    std::cout << " no faces" << std::endl;
    return 1;
  }
  double len[3];
  for (int k = 0; k < 3; ++k) len[k] = std::sqrt(E_length(F_edge(worstFace, k)));
  const double s = 0.5 * (len[0] + len[1] + len[2]);
  const double r = std::sqrt((s - len[0]) * (s - len[1]) * (s - len[2]) / s);
  std::printf("worst face:  shape=%10.8f  inscrR=%10.8f \n", worst, r);
  std::fflush(stdout);
  return writeAFace(worstFace);
}

int AdaptUtil::writeAFace(pFace face) {
  pPList faces = PList_new();
  PList_append(faces, face);
  pPList vs = F_vertices(face, 1);
  for (int i = 0; i < PList_size(vs); ++i) {
    pPList around = V_faces(static_cast<pVertex>(PList_item(vs, i)));
    PList_appPListUnique(faces, around);
    PList_delete(around);
  }
  PList_delete(vs);
  const int r = writeFaces(faces);
  PList_delete(faces);
  return r;
}

int AdaptUtil::writeFaces(pPList faces) {
  pMesh copy = MS_newMesh(nullptr);
  const unsigned int tag = MD_newMeshDataId("ptrToTmpMesh");
  std::vector<pEntity> tagged;
  auto copyOf = [&](pEntity e) -> pEntity {
    void* c = nullptr;
    if (EN_getDataPtr(e, tag, &c)) return static_cast<pEntity>(c);
    pEntity made;
    if (EN_type(e) == 0) {
      double xyz[3], par[3] = {0, 0, 0};
      V_coord(e, xyz);
      made = M_createVP2(copy, xyz, par, 0, V_whatIn(e));
    } else {
      void *a = nullptr, *b = nullptr;
      EN_getDataPtr(E_vertex(e, 0), tag, &a);
      EN_getDataPtr(E_vertex(e, 1), tag, &b);
      made = M_createE(copy, static_cast<pVertex>(a), static_cast<pVertex>(b), E_whatIn(e));
    }
    EN_attachDataPtr(e, tag, made);
    tagged.push_back(e);
    return made;
  };
  for (int i = 0; i < PList_size(faces); ++i) {
    pFace f = static_cast<pFace>(PList_item(faces, i));
    pEdge edges[3];
    int dirs[3];
    for (int k = 0; k < 3; ++k) {
      pEdge e = F_edge(f, k);
      copyOf(E_vertex(e, 0));
      copyOf(E_vertex(e, 1));
      edges[k] = copyOf(e);
      dirs[k] = F_dirUsingEdge(f, e);
    }
    M_createF(copy, 3, edges, dirs, F_whatIn(f));
  }
  for (pEntity e : tagged) EN_deleteData(e, tag);
  int written = 1;
  try {
    M_writeSMS(copy, "partialMesh");
  } catch (mException&) {
    written = 0;
  } catch (mException* ex) {
    delete ex;
    written = 0;
  }
  if (!written) std::fprintf(stderr, "Error: the partial mesh could not be written\n");
  MD_deleteMeshDataId(tag);
  M_delete(copy);
  return written;
}

void AdaptUtil::M_checkVolume(pMesh mesh, double, double) {
  double smallest = 1e300;
  RIter it = M_regionIter(mesh);
  while (pRegion r = RIter_next(it)) smallest = std::min(smallest, R_volume(r));
  RIter_delete(it);
  (void)smallest;
}

int AdaptUtil::V_checkPar(pVertex v) {
  const int type = V_whatInType(v);
  if (type != 1 && type != 2) return 2;
  pGEntity g = V_whatIn(v);
  const double tol = GEN_tolerance(g);
  double x[3], y[3];
  V_coord(v, x);
  const char* failure = nullptr;
  // Model parameters that the mesh interface cannot give leave nothing to check.
  try {
    if (type == 1) {
      const double t = P_param1(V_point(v));
      double lo, hi;
      GE_parRange(g, &lo, &hi);
      if (t < lo || t > hi) failure = " is out of range! ";
      else GE_point(g, t, y);
    } else {
      double u, w;
      int patch;
      P_param2(V_point(v), &u, &w, &patch);
      double r[2][2];
      GF_parRange(g, 0, &r[0][0], &r[0][1]);
      GF_parRange(g, 1, &r[1][0], &r[1][1]);
      if (u < r[0][0] || u > r[0][1] || w < r[1][0] || w > r[1][1]) {
        failure = " is out of range! ";
      } else {
        double par[2] = {u, w};
        GF_point(g, par, y);
      }
    }
  } catch (mException* ex) {
    delete ex;
    return 2;
  } catch (...) {
    return 2;
  }
  if (!failure && XYZ_distance2(x, y) <= tol * tol) return 1;
  if (!failure) failure = " is not correct! ";
  std::cout << " par of vertex " << EN_id(v) << failure << static_cast<const void*>(v) << std::endl;
  return 0;
}

void AdaptUtil::M_checkPar(pMesh mesh, int fix) {
  VIter it = M_vertexIter(mesh);
  while (pVertex v = VIter_next(it)) {
    if (V_checkPar(v) != 0 || !fix) continue;
    double x[3], out[3];
    V_coord(v, x);
    if (!C_closestPoint(V_whatIn(v), x, out)) {
      std::cout << "M_checkPar:  Error in finding the closest Point" << std::endl;
      continue;
    }
    // Only the position can be repaired: the closest point comes without its parameters.
    P_setPos(V_point(v), out[0], out[1], out[2]);
    if (!ValidCheck(v)) {
      std::cout << "incorrect parameter of vertex " << static_cast<const void*>(v) << " can not be fixed"
                << std::endl;
      P_setPos(V_point(v), x[0], x[1], x[2]);
    } else {
      std::cout << "incorrect parameter of vertex " << static_cast<const void*>(v) << " is fixed" << std::endl;
    }
  }
  VIter_delete(it);
}

void AdaptUtil::G_info(pGModel model) {
  std::cout << "     -- model info --   " << std::endl;
  std::cout << " # of regions:" << GM_numRegions(model) << std::endl;
  std::cout << " # of faces:" << GM_numFaces(model) << std::endl;
  std::cout << " # of edges:" << GM_numEdges(model) << std::endl;
  std::cout << " # of vertices:" << GM_numVertices(model) << std::endl;
  GFIter it = GM_faceIter(model);
  while (pGFace f = GFIter_next(it)) GF_info(f);
  GFIter_delete(it);
}

namespace {
// The model query's answer, or 'fallback' when the interface does not support it.
template <class F>
int supported(F&& query, int fallback) {
  try {
    return query();
  } catch (...) {
    return fallback;
  }
}
}  // namespace

void AdaptUtil::GF_info(pGFace face) {
  std::cout << static_cast<const void*>(face) << "   Tag:" << GEN_tag(face) << "  ID: " << GEN_id(face) << std::endl;
  switch (supported([&] { return C_gmtype(2, face); }, 0)) {
    case 0: std::cout << "SurfaceType: unknown"; break;
    case 6: std::cout << "SurfaceType: plane"; break;
    case 7: std::cout << "SurfaceType: nurb"; break;
    case 8: std::cout << "SurfaceType: cylinder"; break;
    case 9: std::cout << "SurfaceType: sphere"; break;
    case 10: std::cout << "SurfaceType: cone"; break;
    case 11: std::cout << "SurfaceType: torus"; break;
    case 12: std::cout << "SurfaceType: parametric surface"; break;
    default: std::cout << "SurfaceType: undefined"; break;
  }
  std::cout << std::endl;
  for (int d = 0; d < 2; ++d) {
    std::cout << " parametric direction " << d << ":" << std::endl;
    try {
      double values[4];
      const int n = GF_paramDegeneracies(face, d, values);
      std::cout << " - Degeneracy:" << n;
      for (int i = 0; i < n && i < 4; ++i) std::cout << "  " << values[i];
      std::cout << std::endl;
      double lo, hi;
      const int periodic = GF_periodic(face, d);
      GF_parRange(face, d, &lo, &hi);
      std::cout << " - Periodicity:" << periodic << " - ParRange (" << d << "): " << lo << "~" << hi << std::endl;
    } catch (...) {
      std::cout << " - no parameterisation" << std::endl;
    }
  }
  std::cout << std::endl << "Bounding edges:" << std::endl;
  pPList edges = GF_edges(face);
  for (int i = 0; i < PList_size(edges); ++i) {
    pGEdge e = static_cast<pGEdge>(PList_item(edges, i));
    std::cout << "  " << static_cast<const void*>(e) << "  ";
    switch (supported([&] { return C_gmtype(1, e); }, 0)) {
      case 0: std::cout << "EdgeType: unknown  "; break;
      case 2: std::cout << "EdgeType: Line  "; break;
      case 3: std::cout << "EdgeType: circle  "; break;
      case 4: std::cout << "EdgeType: Ellipse  "; break;
      case 5: std::cout << "EdgeType: ParametricCurve  "; break;
      default: std::cout << "EdgeType: undefined  "; break;
    }
    std::cout << "tag=" << GEN_tag(e) << " id=" << GEN_id(e);
    try {
      double lo, hi;
      GE_parRange(e, &lo, &hi);
      std::cout << " range:" << lo << "~" << hi;
      if (GE_periodic(e)) std::cout << "  periodic";
    } catch (...) {
    }
    std::cout << std::endl;
  }
  PList_delete(edges);
  std::cout << std::endl << "Bounding vertices:" << std::endl;
  pPList verts = GF_vectices(face);
  for (int i = 0; i < PList_size(verts); ++i) {
    pGVertex v = static_cast<pGVertex>(PList_item(verts, i));
    std::cout << "  " << static_cast<const void*>(v) << " tag=" << GEN_tag(v) << " id=" << GEN_id(v);
    try {
      double x[3], par[2];
      GV_point(v, x);
      GF_vertexReparam(face, v, par);
      std::cout << " coords:" << "(" << x[0] << " " << x[1] << " " << x[2] << ")" << " pars:" << "(" << par[0]
                << " " << par[1] << ")";
    } catch (...) {
    }
    std::cout << std::endl;
  }
  PList_delete(verts);
  std::cout << std::endl;
}

void AdaptUtil::R_info(pRegion r, shapeMeasure* shape, sizeMeasure* size) {
  double q = 0;
  shape->get(r, &q);
  std::printf(" region %d, volumeM/shape %f, length\n", EN_id(r), q);
  pPList edges = R_edges(r);
  for (int i = 0; i < PList_size(edges); ++i) {
    double l = 0;
    size->get(static_cast<pEdge>(PList_item(edges, i)), &l);
    std::printf("                    %f\n ", std::sqrt(l));
  }
  PList_delete(edges);
  std::fflush(stdout);
}
