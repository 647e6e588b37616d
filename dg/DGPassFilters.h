#ifndef DG_DGPASSFILTERS_H
#define DG_DGPASSFILTERS_H

// The level filters of the analysis passes (see DGAnalysisPasses.h) and the
// cell an element carries.

#include "DGBoundaryCell.h"
#include "DGCell.h"
#include "FunctionSpace.h"
#include "mEntity.h"

namespace dgpass {

// The DG cell of an element reached by a pass (every such element carries one).
inline DGCell *cellOf(KORA::mEntity *e) { return static_cast<DGCell *>(e->getFastData()); }

inline bool faceOfLevel(const DGBoundaryCell *f, short level) {
  return level == -1 || f->leftTag == level || f->rightTag == level;
}

inline bool cellOfLevel(const DGCell *c, short level) {
  return c->active && (level == -1 || c->tag == level);
}

// The cells on the two sides of a face (R null on the domain boundary), their
// basis sizes, and which of them a pass of the level updates.
struct FaceSides {
  DGCell *L, *R;
  int nL, nR;
  bool toLeft, toRight;
};

inline FaceSides faceSides(const DGBoundaryCell *face, short level) {
  DGCell *L, *R;
  face->sideCells(L, R);
  return {L, R, L->nbFcts, R ? R->nbFcts : 0,
          level == -1 || face->leftTag == level, R && (level == -1 || face->rightTag == level)};
}

}  // namespace dgpass

#endif
