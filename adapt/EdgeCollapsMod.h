// Edge collapse as a local modification: vertD disappears and everything
// that used it is reconnected to vertR.
#ifndef DG_ADAPT_EDGECOLLAPSMOD_H
#define DG_ADAPT_EDGECOLLAPSMOD_H

#include "LocMeshMod.h"

class EdgeCollapsMod : public LocMeshMod {
 public:
  using LocMeshMod::LocMeshMod;
  EdgeCollapsMod(const EdgeCollapsMod&) = default;
  EdgeCollapsMod& operator=(const EdgeCollapsMod&) = default;

  // Aims the operator (both vertices bound the edge) and resets the results.
  void setCollaps(KORA::pEdge edge, KORA::pVertex vd, KORA::pVertex vr);
  // Boundary vertices are kept off model vertices and model edges.
  void bdryCheck() { checkBoundary = 1; }

  int topoCheck() override;
  int geomCheck() override;
  int sizeCheck() override;
  void getAffectedRgns(KORA::pPList* out) override;
  // 1 when collapsed; 0 (mesh, metric and moved vertex as before) otherwise.
  int apply() override;
  int apply(KORA::pPList* newRegions) override;
  KORA::modType type() override { return KORA::ECOLLAPSE; }

  KORA::pEdge edgeD() const { return edgeDel; }
  KORA::pVertex vertD() const { return vd; }
  KORA::pVertex vertR() const { return vr; }

 private:
  KORA::pEdge edgeDel = nullptr;
  KORA::pVertex vd = nullptr;
  KORA::pVertex vr = nullptr;
  int checkBoundary = 0;

  // Position of v after the change.
  void newPosition(KORA::pVertex v, double out[3]) const;
  metric* newMetric(KORA::pVertex v) const;
  int ratePass(KORA::pVertex pass, double& worst, double* newVolume);
  int areaKept() const;
  int modelAgrees() const;
};

#endif
