// Ring triangulations of 3 to 7 vertices and the swap cache of the edge
// examined last.
#include <cstdint>

#include "MT_error.h"
#include "mException.h"
#include "MT_modify.h"
#include "MT_topology.h"
#include "MT_vector.h"
#include "swapCache.h"

using namespace KORA;

namespace {
const int trgl3[][3] = {{0, 1, 2}};
const int trgul3[][5] = {{0, -1, -1, -1, -1}};
const int trgl4[][3] = {{0, 1, 2}, {0, 2, 3}, {0, 1, 3}, {1, 2, 3}};
const int trgul4[][5] = {{0, 1, -1, -1, -1}, {2, 3, -1, -1, -1}};
const int trgl5[][3] = {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 1, 4}, {1, 3, 4},
                        {1, 2, 3}, {2, 3, 4}, {0, 2, 4}, {0, 1, 3}, {1, 2, 4}};
const int trgul5[][5] = {{0, 1, 2, -1, -1}, {3, 4, 5, -1, -1}, {0, 6, 7, -1, -1},
                         {2, 5, 8, -1, -1}, {3, 6, 9, -1, -1}};
const int trgl6[][3] = {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 5}, {0, 2, 5}, {2, 4, 5}, {2, 3, 4},
                        {0, 3, 5}, {3, 4, 5}, {0, 2, 4}, {2, 3, 5}, {1, 2, 3}, {0, 1, 3}, {0, 1, 5},
                        {1, 4, 5}, {1, 3, 4}, {0, 1, 4}, {1, 3, 5}, {1, 2, 4}, {1, 2, 5}};
const int trgul6[][5] = {{0, 1, 2, 3, -1},    {0, 4, 5, 6, -1},    {0, 1, 7, 8, -1},
                         {0, 3, 6, 9, -1},    {0, 4, 8, 10, -1},   {2, 3, 11, 12, -1},
                         {11, 13, 14, 15, -1}, {7, 8, 11, 12, -1},  {3, 11, 15, 16, -1},
                         {8, 11, 13, 17, -1}, {6, 13, 14, 18, -1}, {3, 6, 16, 18, -1},
                         {5, 6, 13, 19, -1},  {8, 10, 13, 19, -1}};
const int trgl7[][3] = {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 5}, {0, 5, 6}, {0, 3, 6}, {3, 5, 6},
                        {3, 4, 5}, {0, 4, 6}, {4, 5, 6}, {0, 3, 5}, {3, 4, 6}, {0, 2, 4}, {2, 3, 4},
                        {0, 2, 6}, {2, 5, 6}, {2, 4, 5}, {0, 2, 5}, {2, 4, 6}, {2, 3, 5}, {2, 3, 6},
                        {0, 1, 3}, {1, 2, 3}, {0, 1, 4}, {1, 3, 4}, {0, 1, 6}, {1, 5, 6}, {1, 4, 5},
                        {0, 1, 5}, {1, 4, 6}, {1, 3, 5}, {1, 3, 6}, {1, 2, 4}, {1, 2, 5}, {1, 2, 6}};
const int trgul7[][5] = {
    {0, 1, 2, 3, 4},      {0, 1, 5, 6, 7},      {0, 1, 2, 8, 9},      {0, 1, 4, 7, 10},
    {0, 1, 5, 9, 11},     {0, 3, 4, 12, 13},    {0, 13, 14, 15, 16},  {0, 8, 9, 12, 13},
    {0, 4, 13, 16, 17},   {0, 9, 13, 14, 18},   {0, 7, 14, 15, 19},   {0, 4, 7, 17, 19},
    {0, 6, 7, 14, 20},    {0, 9, 11, 14, 20},   {2, 3, 4, 21, 22},    {5, 6, 7, 21, 22},
    {2, 8, 9, 21, 22},    {4, 7, 10, 21, 22},   {5, 9, 11, 21, 22},   {3, 4, 22, 23, 24},
    {22, 24, 25, 26, 27}, {8, 9, 22, 23, 24},   {4, 22, 24, 27, 28},  {9, 22, 24, 25, 29},
    {7, 22, 25, 26, 30},  {4, 7, 22, 28, 30},   {6, 7, 22, 25, 31},   {9, 11, 22, 25, 31},
    {3, 4, 13, 23, 32},   {13, 25, 26, 27, 32}, {8, 9, 13, 23, 32},   {4, 13, 27, 28, 32},
    {9, 13, 25, 29, 32},  {13, 16, 25, 26, 33}, {4, 13, 16, 28, 33},  {13, 15, 16, 25, 34},
    {9, 13, 18, 25, 34},  {7, 19, 25, 26, 33},  {4, 7, 19, 28, 33},   {7, 15, 19, 25, 34},
    {6, 7, 20, 25, 34},   {9, 11, 20, 25, 34}};

template <int T, int C>
void install(swapCache* s, const int (&tr)[T][3], const int (&cf)[C][5], int perCfg) {
  s->nbTriangles = T;
  s->triangles = tr;
  s->nbConfigs = C;
  s->trianglesPerConfig = perCfg;
  s->configs = cf;
}
void E_swp3_3(swapCache* s) { install(s, trgl3, trgul3, 1); }
void E_swp3_4(swapCache* s) { install(s, trgl4, trgul4, 2); }
void E_swp3_5(swapCache* s) { install(s, trgl5, trgul5, 3); }
void E_swp3_6(swapCache* s) { install(s, trgl6, trgul6, 4); }
void E_swp3_7(swapCache* s) { install(s, trgl7, trgul7, 5); }
void (*const swapFct[5])(swapCache*) = {E_swp3_3, E_swp3_4, E_swp3_5, E_swp3_6, E_swp3_7};

pVertex oppositeOfEdge(pFace f, pEdge e) { return F_edOpVt(f, e); }

// Coordinates of the tetrahedron of ring triangle t with the given apex.
void tetCoords(const swapCache& s, int t, int apexTop, double x[4][3]) {
  const int* tr = s.triangles[t];
  const int order[3] = {tr[0], apexTop ? tr[1] : tr[2], apexTop ? tr[2] : tr[1]};
  for (int k = 0; k < 3; ++k) V_coord(s.ring[order[k]], x[k]);
  V_coord(apexTop ? s.top : s.bottom, x[3]);
}
}  // namespace

swapCache sc;

int E_numSwpCfg(pEdge edge) {
  const int te = E_whatInType(edge);
  if (te == 1) return 0;
  bool nonManifold = false;
  if (te == 2) {
    pPList gr = GF_regions(E_whatIn(edge));
    const int n = PList_size(gr);
    PList_delete(gr);
    if (n == 0) return -2;
    nonManifold = n == 2;
  }
  const int nf = E_numFaces(edge);
  if (nf == 0) return 0;
  pFace start = nullptr;
  for (int i = 0; i < nf && !start; ++i)
    if (F_whatInType(E_face(edge, i)) == 2) start = E_face(edge, i);
  if (!start) start = E_face(edge, nf - 1);
  pRegion R = F_region(start, 0);
  if (!R) R = F_region(start, 1);
  if (!R) {
    ErrorHandler("Invalid or incomplete tet mesh?", "E_numSwpCfg", MT_WARNING);
    return 0;
  }
  // Top and bottom: the ring turns counter-clockwise seen from the top.
  pVertex a = oppositeOfEdge(start, edge);
  pVertex c = R_fcOpVt(R, start);
  pVertex g0 = E_vertex(edge, 0), g1 = E_vertex(edge, 1);
  if (!a || !c) {
    ErrorHandler("missing face", "E_getSwpVrt", MT_WARNING);
    return 0;
  }
  double x[4][3];
  V_coord(a, x[0]);
  V_coord(c, x[1]);
  V_coord(g0, x[2]);
  V_coord(g1, x[3]);
  pVertex top = XYZ_volume(x) > 0 ? g1 : g0;
  pVertex bottom = top == g1 ? g0 : g1;

  pVertex ring[swapCache::maxRing];
  int n = 0;
  pVertex b = nullptr;
  pFace face = start;
  pRegion region = R;
  for (;;) {
    if (face != start && F_whatInType(face) == 2) b = oppositeOfEdge(face, edge);
    if (n == swapCache::maxRing) {
      ErrorHandler("too many vertices", "E_getSwpVrt", MT_WARNING);
      return 0;
    }
    ring[n++] = oppositeOfEdge(face, edge);
    if (!region) break;
    pFace next;
    try {
      next = E_otherFace(edge, face, region);
    } catch (mException* ex) {
      delete ex;
      ErrorHandler("missing face", "E_getSwpVrt", MT_WARNING);
      return 0;
    }
    pRegion r0 = F_region(next, 0), r1 = F_region(next, 1);
    pRegion nextRegion = r0 == region ? r1 : r0;
    if (nextRegion == R) break;
    face = next;
    region = nextRegion;
  }
  if (n > 3)
    for (int i = 0; i < n; ++i)
      for (int j = i + 2; j < n; ++j) {
        if (i == 0 && j == n - 1) continue;
        if (E_exists(ring[i], ring[j])) return 0;
      }
  sc.edge = edge;
  sc.top = top;
  sc.bottom = bottom;
  sc.ringSize = n;
  for (int i = 0; i < n; ++i) sc.ring[i] = ring[i];
  if (n > 7 || n < 2) return 0;
  if (n == 2) {
    sc.nbTriangles = 0;
    sc.nbConfigs = 1;
    return 1;
  }
  swapFct[n - 3](&sc);
  for (auto& f : sc.triangleFlags) f = 0;
  if (te == 2 && b && E_exists(ring[0], b)) return 0;
  int count = sc.nbConfigs;
  for (int k = 0; k < sc.nbConfigs; ++k) sc.configFlags[k] = 1;
  if (nonManifold) {
    for (int k = 0; k < sc.nbConfigs; ++k) {
      bool has = false;
      for (int t = 0; t < sc.trianglesPerConfig && !has; ++t) {
        const int* tr = sc.triangles[sc.configs[k][t]];
        bool h0 = false, hb = false;
        for (int q = 0; q < 3; ++q) {
          h0 = h0 || ring[tr[q]] == ring[0];
          hb = hb || ring[tr[q]] == b;
        }
        has = h0 && hb;
      }
      if (!has) {
        sc.configFlags[k] = 0;
        --count;
      }
    }
  }
  return count;
}

// Row of the i-th admissible configuration, -1 when there is none.
int swapCache::configRow(int i) const {
  if (i < 0) return -1;
  for (int k = 0; k < nbConfigs; ++k)
    if (configFlags[k] == 1 && i-- == 0) return k;
  return -1;
}

namespace {
// Makes sure the cache describes the edge; false when it cannot.
bool cacheFor(pEdge edge) {
  if (sc.edge == edge) return true;
  return E_numSwpCfg(edge) > 0 && sc.edge == edge;
}
}  // namespace

int E_evalSwpCfg(pEdge edge, int i) {
  if (!cacheFor(edge)) return 0;
  if (sc.ringSize == 2) return i == 0 ? 1 : 0;
  const int row = sc.configRow(i);
  if (row < 0) return 0;
  for (int t = 0; t < sc.trianglesPerConfig; ++t) {
    const int tri = sc.configs[row][t];
    if (sc.triangleFlags[tri] == -1) return 0;
    if (sc.triangleFlags[tri] == 1) continue;
    for (int apex = 1; apex >= 0; --apex) {
      double x[4][3];
      tetCoords(sc, tri, apex, x);
      if (XYZ_checkFlat(x)) {
        sc.triangleFlags[tri] = -1;
        return 0;
      }
    }
    sc.triangleFlags[tri] = 1;
  }
  return 1;
}

pPList E_swpCfgVerts(pEdge edge, int i) {
  if (!cacheFor(edge)) return nullptr;
  if (sc.ringSize == 2) return i == 0 ? PList_new() : nullptr;
  const int row = sc.configRow(i);
  if (row < 0) return nullptr;
  pPList out = PList_new();
  for (int t = 0; t < sc.trianglesPerConfig; ++t) {
    const int* tr = sc.triangles[sc.configs[row][t]];
    PList_append(out, sc.ring[tr[0]]);
    PList_append(out, sc.ring[tr[1]]);
    PList_append(out, sc.ring[tr[2]]);
    PList_append(out, sc.top);
    PList_append(out, sc.ring[tr[0]]);
    PList_append(out, sc.ring[tr[2]]);
    PList_append(out, sc.ring[tr[1]]);
    PList_append(out, sc.bottom);
  }
  return out;
}

int E_defaultRegionSwpCfg(pEdge edge) {
  const int n = E_numSwpCfg(edge);
  for (int i = 0; i < n; ++i)
    if (E_evalSwpCfg(edge, i) == 1) return i;
  return -1;
}
