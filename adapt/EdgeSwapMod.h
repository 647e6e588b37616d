// Edge swap as a local modification: the ring of tetrahedra around an edge is
// replaced by the configuration whose worst new tetrahedron is best.
#ifndef DG_ADAPT_EDGESWAPMOD_H
#define DG_ADAPT_EDGESWAPMOD_H

#include "LocMeshMod.h"

class EdgeSwapMod : public LocMeshMod {
 public:
  using LocMeshMod::LocMeshMod;
  EdgeSwapMod(const EdgeSwapMod&) = default;
  EdgeSwapMod& operator=(const EdgeSwapMod&) = default;

  void setSwapEdge(KORA::pEdge edge);
  KORA::pEdge getSwapEdge() const { return edge; }
  int getCfg() const { return conf; }
  // Longest and shortest squared metric lengths of the edges the chosen
  // configuration creates; -1 when it cannot tell.
  int E_swpNewEdges(double* maxLength, double* minLength);

  int topoCheck() override;
  int geomCheck() override;
  int sizeCheck() override;
  void getAffectedRgns(KORA::pPList* out) override;
  // 1 when swapped; 0 (moved vertex put back) otherwise.
  int apply() override;
  int apply(KORA::pPList* newRegions) override;
  KORA::modType type() override { return KORA::EDGESWAP; }

 private:
  KORA::pEdge edge = nullptr;
  int conf = -1;
  int numConf = -1;

  int geomCheck2D();
};

#endif
