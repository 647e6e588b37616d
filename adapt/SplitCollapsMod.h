// Split-collapse as a local modification: an edge of a face is split and the
// new vertex is merged with the face's vertex opposite the edge, so that the
// face and its two regions disappear.
#ifndef DG_ADAPT_SPLITCOLLAPSMOD_H
#define DG_ADAPT_SPLITCOLLAPSMOD_H

#include "LocMeshMod.h"

class SplitCollapsMod : public LocMeshMod {
 public:
  using LocMeshMod::LocMeshMod;
  SplitCollapsMod(const SplitCollapsMod&) = default;
  SplitCollapsMod& operator=(const SplitCollapsMod&) = default;

  // Aims the operator at an edge of the face; the results are not reset.
  void reset(KORA::pEdge e, KORA::pFace f);
  // Lifts the rule that the opposite vertex lies no deeper in the model than
  // the edge.
  void setSnap() { snap = 1; }
  KORA::pFace getFace() const { return face; }
  KORA::pEdge getSplitEdge() const { return edge; }
  // The face's vertex opposite the edge, found by topoCheck.
  KORA::pVertex getVertex() const { return vertex; }

  int topoCheck() override;
  int geomCheck() override;
  int sizeCheck() override;
  void getAffectedRgns(KORA::pPList* out) override;
  // 1 when done; 0 when the collapse was refused after the split was made.
  int apply() override;
  int apply(KORA::pPList* newRegions) override;
  KORA::modType type() override { return KORA::SPLITCOLLAPSE; }

 private:
  KORA::pEdge edge = nullptr;
  KORA::pFace face = nullptr;
  int snap = 0;
  KORA::pVertex vertex = nullptr;
};

#endif
