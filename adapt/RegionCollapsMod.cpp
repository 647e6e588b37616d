#include "RegionCollapsMod.h"

#include <cmath>
#include <iostream>

#include "AdaptUtil.h"
#include "MT_geometry.h"
#include "MT_intersect.h"
#include "MT_mark.h"
#include "MT_topology.h"
#include "MT_vector.h"
#include "EdgeCollapsMod.h"
#include "RegionCollapsMod_2.h"
#include "snapVertices.h"

using namespace KORA;

namespace {
int isBdryFace(pFace f) { return F_whatInType(f) == 2 && F_region(f, 1) == nullptr; }

// The edge two faces share, null when none.
pEdge commonEdge(pFace a, pFace b) {
  for (int i = 0; i < F_numEdges(a); ++i)
    if (F_inClosure(b, F_edge(a, i))) return F_edge(a, i);
  return nullptr;
}

int hasEdge(pFace f, pEdge e) { return F_inClosure(f, e); }

// Classifies the face on g, turning it when it runs along its common edge
// with ref in the other direction than ref does.
void handOver(pFace f, pFace ref, pGEntity g) {
  pEdge e = commonEdge(f, ref);
  if (e && F_dirUsingEdge(f, e) != F_dirUsingEdge(ref, e)) F_chDir(f);
  F_setWhatIn(f, g);
}

void normal(pFace f, double n[3]) { F_normalVector(f, 1, n); }
}  // namespace

RegionCollapsMod::RegionCollapsMod(pMesh m, metricField* f, pRegion r)
    : LocMeshMod(m, f, nullptr, nullptr, nullptr), region(r) {}

RegionCollapsMod::RegionCollapsMod(pMesh m, metricField* f, pRegion r, double angle)
    : LocMeshMod(m, f, nullptr, nullptr, nullptr), flagAngle(angle), region(r) {}

void RegionCollapsMod::sortFaces() {
  numBdry = 0;
  int inner = 0;
  for (int i = 0; i < 4; ++i) {
    pFace f = R_face(region, i);
    if (isBdryFace(f)) faces[numBdry++] = f;
    else faces[3 - inner++] = f;
  }
}

// Faces sharing an edge point the same way when they use it in the same
// direction, opposite ways otherwise.
int RegionCollapsMod::orientedAlike(pFace a, const double na[3], pFace b, const double nb[3], int useAngle) const {
  pEdge e = commonEdge(a, b);
  if (!e) return 0;
  const int expected = F_dirUsingEdge(a, e) == F_dirUsingEdge(b, e) ? 1 : -1;
  const int rel = useAngle ? AdaptUtil::RelativeDirection(na, nb, flagAngle) : AdaptUtil::RelativeDirection(na, nb);
  return rel == expected;
}

int RegionCollapsMod::topoCheck() {
  if (!EN_okTo(4, region)) return 0;
  sortFaces();
  switch (numBdry) {
    case 1:
      return V_whatInType(R_fcOpVt(region, faces[0])) == 3;
    case 2: {
      pEdge e = commonEdge(faces[2], faces[3]);
      return e && E_whatInType(e) == 3;
    }
    case 3: {
      for (int k = 0; k < 2; ++k)
        for (int i = 0; i < 3; ++i) {
          pEdge e = F_edge(faces[k], i);
          if (hasEdge(faces[3], e)) continue;
          if (E_whatInType(e) != 2) {
            std::cout << "INFO: a bdry mesh region can be deleted by Fsplit+collapse operations" << std::endl;
            return 0;
          }
        }
      pVertex apex = R_fcOpVt(region, faces[3]);
      return V_whatInType(apex) == 2 && V_numEdges(apex) == 3;
    }
    default:
      return 0;
  }
}

int RegionCollapsMod::geomCheck() {
  double n[4][3];
  for (int i = 0; i < 4; ++i) normal(faces[i], n[i]);
  switch (numBdry) {
    case 1:
      for (int i = 1; i < 4; ++i)
        if (!orientedAlike(faces[i], n[i], faces[0], n[0], 1)) return 0;
      return 1;
    case 2:
      if (AdaptUtil::RelativeDirection(n[0], n[1], flagAngle) == 0) return 0;
      return orientedAlike(faces[2], n[2], faces[3], n[3], 1);
    case 3:
      for (int i = 0; i < 3; ++i)
        if (AdaptUtil::RelativeDirection(n[i], n[3], flagAngle) == 0) return 0;
      return 1;
    default:
      return 0;
  }
}

int RegionCollapsMod::apply() { return applyRemoval(1, 0, 0); }

int RegionCollapsMod::apply(unsigned int knownTag) { return applyRemoval(0, knownTag, 1); }

int RegionCollapsMod::applyRemoval(int splitOnModelEdge, unsigned int knownTag, int dropTag) {
  kept = nullptr;
  pGEntity g = F_whatIn(faces[0]);
  auto removeBdryFace = [&](pFace f) {
    if (dropTag) EN_deleteData(f, knownTag);
    M_removeFace(mesh, f);
  };
  switch (numBdry) {
    case 1: {
      pVertex apex = R_fcOpVt(region, faces[0]);
      for (int i = 1; i < 4; ++i) handOver(faces[i], faces[0], g);
      for (int i = 0; i < 3; ++i) {
        pEdge e = F_edge(faces[1], i);
        if (!hasEdge(faces[0], e)) E_setWhatIn(e, g);
      }
      for (int i = 0; i < 3; ++i) {
        pEdge e = F_edge(faces[2], i);
        if (E_whatInType(e) == 3) E_setWhatIn(e, g);
      }
      V_setWhatIn(apex, g);
      M_removeRegion(mesh, region);
      removeBdryFace(faces[0]);
      kept = apex;
      return 1;
    }
    case 2: {
      pEdge shared = commonEdge(faces[0], faces[1]);
      if (splitOnModelEdge && E_whatInType(shared) == 1) {
        pEdge opposite = R_gtOppEdg(region, shared);
        double mid[3];
        AdaptUtil::centroidOfMEdge(opposite, mid);
        RegionCollapsMod_2 split(mesh, nullptr, nullptr, nullptr, nullptr);
        split.setCollaps(region, shared, opposite, mid);
        if (!split.apply()) return 0;
        kept = split.getNewVertex();
        return 1;
      }
      handOver(faces[2], faces[0], g);
      handOver(faces[3], faces[0], g);
      for (int i = 0; i < 3; ++i) {
        pEdge e = F_edge(faces[2], i);
        if (E_whatInType(e) == 3) {
          E_setWhatIn(e, g);
          break;
        }
      }
      M_removeRegion(mesh, region);
      removeBdryFace(faces[0]);
      removeBdryFace(faces[1]);
      M_removeEdge(mesh, shared);
      return 1;
    }
    case 3: {
      handOver(faces[3], faces[0], g);
      pVertex apex = R_fcOpVt(region, faces[3]);
      if (V_numEdges(apex) != 3) {
        std::cout << "Error: AdaptUtil::R_colaps!!!" << std::endl;
        return 0;
      }
      pEdge apexEdges[3] = {V_edge(apex, 0), V_edge(apex, 1), V_edge(apex, 2)};
      M_removeRegion(mesh, region);
      for (int i = 0; i < 3; ++i) removeBdryFace(faces[i]);
      for (pEdge e : apexEdges) M_removeEdge(mesh, e);
      kept = apex;
      return 1;
    }
    default:
      return 0;
  }
}

int RegionCollapsMod::similarityFlag(unsigned int knownTag, unsigned int simTag, const char* where) {
  int flag = 1;
  for (int i = 0; i < numBdry && flag == 1; ++i) {
    int known = 0;
    EN_getDataInt(faces[i], knownTag, &known);
    if (known != 0 && known != 1) flag = known;
    else flag = AdaptUtil::F_checkGeoSim(faces[i], simTag);
  }
  if (flag == -2) std::cout << "...Error: can not reparameterize (" << where << ")" << std::endl;
  return flag;
}

int RegionCollapsMod::evaluate(unsigned int knownTag, unsigned int simTag) {
  sortFaces();
  double n[4][3];
  for (int i = 0; i < 4; ++i) normal(faces[i], n[i]);
  switch (numBdry) {
    case 1: {
      for (int i = 1; i < 4; ++i)
        if (!orientedAlike(faces[i], n[i], faces[0], n[0], 0)) return 0;
      pVertex apex = R_fcOpVt(region, faces[0]);
      if (V_whatInType(apex) != 3) return 0;
      double x[3], f[3][3];
      V_coord(apex, x);
      F_coord(faces[0], f);
      // The tolerance is a distance: relative to the face's size.
      return XYZ_onBoundary(x, faces[0], M_getTolerance() * std::sqrt(XYZ_size2(f, 3))) == faces[0];
    }
    case 2: {
      const int flag = similarityFlag(knownTag, simTag, "RegionCollpase::evaulate()");
      if (flag == -2) return 0;
      if (flag == 1) {
        if (AdaptUtil::RelativeDirection(n[0], n[1]) == 0) return 0;
        double sum[3];
        for (int k = 0; k < 3; ++k) sum[k] = n[0][k] + n[1][k];
        // Each inner face against the sum, with the orientation of the
        // boundary face it shares an edge with first.
        for (int i = 2; i < 4; ++i) {
          pFace ref = commonEdge(faces[i], faces[0]) ? faces[0] : faces[1];
          if (!orientedAlike(faces[i], n[i], ref, sum, 0)) return 0;
        }
      }
      pEdge shared = commonEdge(faces[0], faces[1]);
      if (E_whatInType(shared) != 2) return 0;
      return E_whatInType(R_gtOppEdg(region, shared)) == 3;
    }
    case 3: {
      const int flag = similarityFlag(knownTag, simTag, "RegionCollpase::evaulate(3)");
      if (flag == -2) return 0;
      if (flag == 1)
        for (int i = 0; i < 3; ++i)
          if (AdaptUtil::RelativeDirection(n[i], n[3]) == 0) return 0;
      for (int k = 0; k < 2; ++k)
        for (int i = 0; i < 3; ++i) {
          pEdge e = F_edge(faces[k], i);
          if (!hasEdge(faces[3], e) && E_whatInType(e) != 2) return 0;
        }
      return V_whatInType(R_fcOpVt(region, faces[3])) == 2;
    }
    default:
      return 0;
  }
}

int RegionCollapsMod::snapVertex(pVertex vertex, pPList* list) {
  sortFaces();
  if (numBdry != 1) return 0;
  meanRatio anyPositive(field, 0.0);
  EvalResults res;
  EdgeCollapsMod* best = nullptr;
  double bestShape = 0.0;
  for (int i = 0; i < V_numEdges(vertex); ++i) {
    pEdge e = V_edge(vertex, i);
    if (E_whatInType(e) == 3) continue;
    EdgeCollapsMod cand(mesh, field, &anyPositive, nullptr, &res);
    cand.relaxedShape = 1;
    cand.noSnap = noSnap;
    cand.setCollaps(e, vertex, E_otherVertex(e, vertex));
    if (!cand.topoCheck() || !cand.geomCheck()) continue;
    if (!best || res.worstShape > bestShape) {
      bestShape = res.worstShape;
      delete best;
      best = new EdgeCollapsMod(cand);
    }
  }
  if (best) {
    best->apply(list);
    delete best;
    return 1;
  }
  double x[3];
  V_coord(vertex, x);
  auto* target = new double[3];
  if (noSnap == 1) {
    // The plane of three of its neighbours on the boundary.
    double tri[3][3];
    int n = 0;
    for (int i = 0; i < V_numEdges(vertex) && n < 3; ++i) {
      pEdge e = V_edge(vertex, i);
      if (E_whatInType(e) != 3) V_coord(E_otherVertex(e, vertex), tri[n++]);
    }
    if (n < 3) {
      delete[] target;
      return 0;
    }
    AdaptUtil::P_projOnTriPlane(tri, x, target);
  } else if (!C_closestPoint(V_whatIn(vertex), x, target)) {
    delete[] target;
    return 0;
  }
  snapVertices snap(mesh, field);
  snap.append(vertex, target);
  if (snap.run() != 0) return 0;
  *list = PList_new();
  return 1;
}
