// Removal of a flat tetrahedron whose two opposite edges nearly cross: both
// edges are split and the two new vertices are merged into one at a given
// position.
#ifndef DG_ADAPT_REGIONCOLLAPSMOD_2_H
#define DG_ADAPT_REGIONCOLLAPSMOD_2_H

#include "LocMeshMod.h"

class RegionCollapsMod_2 : public LocMeshMod {
 public:
  using LocMeshMod::LocMeshMod;
  // The vertex a previous apply kept is not copied.
  RegionCollapsMod_2(const RegionCollapsMod_2& o)
      : LocMeshMod(o), region(o.region), edges{o.edges[0], o.edges[1]} {
    for (int k = 0; k < 3; ++k) pos[k] = o.pos[k];
  }
  RegionCollapsMod_2& operator=(const RegionCollapsMod_2&) = delete;

  // Aims the operator at the region and two of its opposite edges; the final
  // vertex goes to xyz. The results are not reset.
  void setCollaps(KORA::pRegion r, KORA::pEdge e0, KORA::pEdge e1, const double xyz[3]);
  KORA::pRegion getRegion() const { return region; }
  KORA::pEdge getSplitEdge_0() const { return edges[0]; }
  KORA::pEdge getSplitEdge_1() const { return edges[1]; }
  void getSplitPos(double* xyz) const;
  KORA::pVertex getNewVertex() const { return newVertex; }

  int topoCheck() override;
  int geomCheck() override;
  int sizeCheck() override;
  void getAffectedRgns(KORA::pPList* out) override;
  // 1 when done; 0 when the collapse was refused after the splits were made.
  int apply() override;
  // The same; the list receives the regions of the new vertex.
  int apply(KORA::pPList* newRegions) override;
  KORA::modType type() override { return KORA::RCOLLAPSE2; }

 private:
  KORA::pRegion region = nullptr;
  KORA::pEdge edges[2] = {nullptr, nullptr};
  double pos[3] = {0.0, 0.0, 0.0};
  KORA::pVertex newVertex = nullptr;

  // The metric centre of each split edge (the midpoint without a field) and
  // its metric (null without a field; the caller owns them).
  void centres(double c[2][3], metric* m[2]) const;
};

#endif
