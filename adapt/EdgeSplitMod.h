// Edge split as a local modification: every region around the edge becomes
// two, and the new vertex gets a metric interpolated from the edge's ends.
#ifndef DG_ADAPT_EDGESPLITMOD_H
#define DG_ADAPT_EDGESPLITMOD_H

#include "LocMeshMod.h"

class EdgeSplitMod : public LocMeshMod {
 public:
  using LocMeshMod::LocMeshMod;
  // The vertex a previous apply made is not copied.
  EdgeSplitMod(const EdgeSplitMod& o) : LocMeshMod(o), edge(o.edge) {
    for (int k = 0; k < 3; ++k) pos[k] = o.pos[k];
    for (int k = 0; k < 2; ++k) par[k] = o.par[k];
  }
  EdgeSplitMod& operator=(const EdgeSplitMod&) = delete;

  // Aims the operator; the results are not reset.
  void setSplitEdge(KORA::pEdge e) { edge = e; }
  // Where the new vertex goes, and its two parameters for the split.
  void setSplitPos(const double xyz[3], const double param[2]);
  KORA::pEdge getSplitEdge() const { return edge; }
  KORA::pVertex getNewVertex() const { return newVertex; }
  double getParam(int i) const { return par[i]; }

  int topoCheck() override;
  int geomCheck() override;
  int sizeCheck() override;
  void getAffectedRgns(KORA::pPList* out) override;
  int apply() override;
  int apply(KORA::pPList* newRegions) override;
  KORA::modType type() override { return KORA::EDGESPLIT; }

 private:
  KORA::pEdge edge = nullptr;
  double pos[3] = {0.0, 0.0, 0.0};
  double par[2] = {0.0, 0.0};
  KORA::pVertex newVertex = nullptr;

  // The metric of the split point, interpolated between the edge's ends at
  // the split position (null without a field or end metrics); the caller
  // owns it.
  metric* splitMetric() const;
};

#endif
