// Pieces shared by the geometric checks of the split-based operators (edge
// split, split-collapse, region collapse by split) and the face swap.
#ifndef DG_ADAPT_OPERATORCHECKS_H
#define DG_ADAPT_OPERATORCHECKS_H

#include "LocMeshMod.h"

namespace operatorChecks {

// Moves a vertex to a target for the lifetime of the object and puts it back
// on every path out of the check; a null vertex is left alone.
class TemporaryMove {
 public:
  TemporaryMove(KORA::pVertex v, const double target[3]);
  ~TemporaryMove();
  TemporaryMove(const TemporaryMove&) = delete;
  TemporaryMove& operator=(const TemporaryMove&) = delete;

 private:
  KORA::pVertex vertex;
  double from[3] = {0.0, 0.0, 0.0};
};

bool regionHasEdge(KORA::pRegion r, KORA::pEdge e);

// Rates every region of v (already at its new place) that holds neither e0
// nor e1 (null edges hold nothing) and is none of the skipped regions. 0 at
// the first invalid one; worst takes the smallest rating.
int rateRegionsAround(LocMeshMod& op, KORA::pVertex v, KORA::pEdge e0, KORA::pEdge e1,
                      const KORA::pRegion* skip, int nSkip, double& worst);

// Rates the region as it would be with its vertex out replaced by the point p
// of metric pm (null: p brings no metric). 0 when invalid; worst takes the
// rating.
int rateReplaced(LocMeshMod& op, KORA::pRegion r, KORA::pVertex out, const double p[3], metric* pm,
                 double& worst);

// Rates every region of the edge other than the skipped ones as it would be
// with each end of the edge in turn (end 0, then end 1) replaced by the point
// p of metric pm (null: p brings no metric). 0 at the first invalid one;
// worst takes the smallest rating.
int rateEndsReplaced(LocMeshMod& op, KORA::pEdge e, const double p[3], metric* pm, const KORA::pRegion* skip,
                     int nSkip, double& worst);

// Hands the metric of from over to to: detached from from first, so that one
// vertex owns it. Nothing when the field is null or from has no metric.
void moveMetric(metricField* field, KORA::pVertex from, KORA::pVertex to);

// A new list of the face's vertices (direction 1) with out replaced by in.
KORA::pPList verticesReplaced(KORA::pFace f, KORA::pVertex out, KORA::pVertex in);

}  // namespace operatorChecks

#endif
