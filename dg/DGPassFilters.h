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

// Runs a pass over the cells in order, asking ahead for each cell and, a
// little later, for the arrays the pass reads: coefficients, residual and
// point data for a residual pass, residual, inverse mass matrix and
// coefficient levels for an update (hints only: results do not depend on them).
template <bool kUpdate, class List, class Pass>
void sweepCells(List &cells, Pass &pass) {
  const std::size_t count = cells.size();
  for (std::size_t i = 0; i < count; ++i) {
    // Each stage reads only what an earlier one asked for: a cell is read
    // three cells after it was asked for, and an update's levels' holder two
    // cells after that.
    constexpr std::size_t kCellAhead = kUpdate ? 8 : 6;
    if (i + kCellAhead < count) {
      // An update reads the cell's members up to its mass flags, a residual
      // pass those up to its limiting accumulators.
      const DGCell *next = cells[i + kCellAhead];
      const char *p = reinterpret_cast<const char *>(next);
      const char *last = kUpdate ? reinterpret_cast<const char *>(&next->massScaled)
                                 : reinterpret_cast<const char *>(&next->limiterMeasure + 1) - 1;
      for (; p < last; p += 64) __builtin_prefetch(p);
      __builtin_prefetch(last);
    }
    if constexpr (kUpdate) {
      if (i + 5 < count) {
        __builtin_prefetch(cells[i + 5]->dofs);
        __builtin_prefetch(cells[i + 5]->invMass);
      }
    }
    if (i + 3 < count) {
      const DGCell *c = cells[i + 3];
      const int m = static_cast<int>(c->rhs.size());
      for (int k = 0; k < m; k += 8) {
        __builtin_prefetch(c->coef0 + k);
        __builtin_prefetch(c->rhs.data() + k);
      }
      if constexpr (kUpdate) {
        if (c->invMass && c->massScaled) {
          __builtin_prefetch(c->invMass[0]);
        } else if (c->invMass && c->massDiagonal) {
          for (int k = 0; k < c->nbFcts; ++k) __builtin_prefetch(c->invMass[k] + k);
        } else if (c->invMass) {
          for (int k = 0; k < 40; k += 8) __builtin_prefetch(c->invMass[0] + k);
        }
        if (c->dofs->nLevels > 1)
          for (int k = 0; k < m; k += 8) __builtin_prefetch(c->dofs->levels[1] + k, 1);
      } else {
        // The points of an affine planar quadrilateral (a square basis size)
        // are not read but for the first one: its volume pass takes
        // one-dimensional tables.
        const char *g = reinterpret_cast<const char *>(c->gaussPoints.data());
        int root = 2;
        while (root * root < c->nbFcts) ++root;
        const bool tensor = c->affine && c->planar && root * root == c->nbFcts;
        const std::size_t bytes = tensor ? 1 : sizeof(c->gaussPoints[0]) * c->gaussPoints.size();
        for (std::size_t b = 0; b < bytes; b += 64) __builtin_prefetch(g + b);
        // Every line of the inverse Jacobians: one (72 bytes, often over two
        // lines) on an affine cell, one per point on another.
        const char *J = reinterpret_cast<const char *>(c->jacInverses.data());
        const std::size_t jBytes = sizeof(double) * c->jacInverses.size();
        for (std::size_t b = 0; b < jBytes; b += 64) __builtin_prefetch(J + b);
        if (jBytes > 0) __builtin_prefetch(J + jBytes - 1);
        // A pass that also begins the step writes the levels' times and
        // reads the space's order.
        if constexpr (requires { pass.beginStep; }) {
          if (pass.beginStep) {
            __builtin_prefetch(c->dofs, 1);
            __builtin_prefetch(c->functionSpace);
          }
        }
      }
    }
    pass(cells[i]);
  }
}

}  // namespace dgpass

#endif
