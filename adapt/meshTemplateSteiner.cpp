// Removal of the Steiner vertices of the templates (an edge swap that makes
// room, then a collapse) and improvement of the recorded face diagonals.
#include <array>
#include <cmath>
#include <vector>

#include "MT_geometry.h"
#include "MT_modify.h"
#include "MT_topology.h"
#include "MT_vector.h"
#include "SplitCollapsMod.h"
#include "measures.h"
#include "meshTemplate.h"
#include "templatesUtil.h"

using namespace KORA;

namespace {

// Collapses the Steiner vertex s onto b when the edge s-b exists and the
// collapse checks accept it; 1 when done.
int collapseOnto(meshTemplate& t, pVertex s, pVertex b) {
  pEdge e = E_exists(s, b);
  if (!e || !E_chkClpTopo(s, e) || !E_evalColaps(t.mesh, e, s, b)) return 0;
  if (t.field) t.field->deleteMetric(s);
  pPList made = nullptr;
  templatesUtil::Edge_colaps(t.mesh, e, s, b, t.callback, t.userData, &made);
  PList_delete(made);
  return 1;
}

// The first swap configuration of edge a whose tetrahedra are all positive
// and one of which holds both b and c; -1 when none.
int swapConfiguration(pEdge a, pVertex b, pVertex c) {
  const double tol = M_getTolerance();
  const int n = E_numSwpCfg(a);
  for (int j = 0; j < n; ++j) {
    pPList verts = E_swpCfgVerts(a, j);
    bool valid = true, joins = false;
    for (int t = 0; valid && 4 * t + 3 < PList_size(verts); ++t) {
      double xyz[4][3];
      bool hasB = false, hasC = false;
      for (int k = 0; k < 4; ++k) {
        pVertex v = static_cast<pVertex>(PList_item(verts, 4 * t + k));
        V_coord(v, xyz[k]);
        hasB = hasB || v == b;
        hasC = hasC || v == c;
      }
      // Positive against the tetrahedron's own size (a volume goes as a length^3).
      const double s2 = XYZ_size2(xyz, 4);
      if (XYZ_volume(xyz) < tol * s2 * std::sqrt(s2)) valid = false;
      joins = joins || (hasB && hasC);
    }
    PList_delete(verts);
    if (valid && joins) return j;
  }
  return -1;
}

}  // namespace

void meshTemplate::deleteSteiner() {
  pPList swapped = PList_new();
  for (int s = 0; s < PList_size(steinerList); ++s) {
    pVertex S = static_cast<pVertex>(PList_item(steinerList, s));
    void* p = nullptr;
    if (!EN_getDataPtr(S, childrenTag, &p)) continue;
    pPList triples = static_cast<pPList>(p);
    pEdge a[4];
    pVertex b[4], c[4];
    int n = PList_size(triples) / 3;
    if (n > 4) n = 4;
    for (int i = 0; i < n; ++i) {
      a[i] = static_cast<pEdge>(PList_item(triples, 3 * i));
      b[i] = static_cast<pVertex>(PList_item(triples, 3 * i + 1));
      c[i] = static_cast<pVertex>(PList_item(triples, 3 * i + 2));
    }
    PList_delete(triples);
    EN_deleteData(S, childrenTag);

    bool moved = false;
    for (int i = 0; i < n; ++i) moved = moved || PList_inList(swapped, a[i]);
    if (moved) {
      // An earlier swap changed the surroundings: collapse directly.
      for (int i = 0; i < n; ++i)
        if (collapseOnto(*this, S, b[i])) break;
      continue;
    }

    double len[4];
    for (int i = 0; i < n; ++i) len[i] = E_length(a[i]);
    for (int round = 0; round < n; ++round) {
      int k = 0;
      for (int i = 1; i < n; ++i)
        if (len[i] > len[k]) k = i;
      len[k] = 0.0;
      if (E_whatInType(a[k]) == 1) continue;
      const int j = swapConfiguration(a[k], b[k], c[k]);
      if (j < 0) continue;
      PList_append(swapped, a[k]);
      pPList made = nullptr;
      templatesUtil::Edge_swap(mesh, a[k], j, callback, userData, &made);
      PList_delete(made);
      collapseOnto(*this, S, b[k]);
      break;
    }
  }
  PList_clear(steinerList);

  // Diagonal improvements by split-collapse. A pair is kept by its vertices:
  // an earlier split-collapse may replace the recorded edge or face (the
  // vertices stay), and a pair whose entities are gone is skipped.
  std::vector<std::array<pVertex, 3>> pairs;
  for (int i = 0; i + 1 < PList_size(diagonalList); i += 2) {
    pEdge e = static_cast<pEdge>(PList_item(diagonalList, i));
    pFace f = static_cast<pFace>(PList_item(diagonalList, i + 1));
    if (!f || PList_inList(swapped, e)) continue;
    pairs.push_back({E_vertex(e, 0), E_vertex(e, 1), F_edOpVt(f, e)});
  }
  ::size shape(field, 1e-14);
  EvalResults results;
  SplitCollapsMod op(mesh, field, &shape, nullptr, &results);
  op.noSnap = 1;
  op.callback = callback;
  op.userData = userData;
  op.setSnap();
  for (const auto& p : pairs) {
    pEdge e = E_exists(p[0], p[1]);
    pFace f = e ? F_exists(0, p[0], p[1], p[2], nullptr) : nullptr;
    if (!f) continue;
    op.reset(e, f);
    if (op.topoCheck() && op.geomCheck()) op.apply();
  }
  PList_clear(diagonalList);
  PList_delete(swapped);
}
