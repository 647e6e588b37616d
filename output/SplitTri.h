#ifndef DG_SPLITTRI_H
#define DG_SPLITTRI_H

// Cuts one triangle (P1, P2, P3) into n*n congruent sub-triangles by dividing
// each edge into n equal parts, and hands them out one per nextTri call.
//
// Grid node N(i, j), 0 <= j <= i <= n, is P2 + (i/n)(P1 - P2) + (j/n)(P3 - P1):
// row 0 is P2 alone, row n runs from P1 (j = 0) to P3 (j = n). For every grid
// position (i, j) with 0 <= j <= i < n there is an up sub-triangle
// U(i, j) = (N(i, j), N(i+1, j), N(i+1, j+1)), and for j < i also a down one
// D(i, j) = (N(i, j), N(i, j+1), N(i+1, j+1)). They come row by row, and within
// row i as D(i,0), U(i,0), D(i,1), U(i,1), ..., D(i,i-1), U(i,i-1), U(i,i).
//
// A small value for one walk: no allocation, no reset.

#include "mPoint.h"

class splitTri {
public:
  // A division count of 0 or less yields no sub-triangle.
  splitTri(int n, const KORA::mPoint &P1, const KORA::mPoint &P2, const KORA::mPoint &P3);

  // Writes the next sub-triangle's vertices and returns true; once all n*n
  // have been handed out returns false (on every later call too) and leaves
  // a, b and c as they were.
  bool nextTri(KORA::mPoint &a, KORA::mPoint &b, KORA::mPoint &c);
  // n*n, or 0 for n <= 0.
  int nbTri() const { return n > 0 ? n * n : 0; }

private:
  // Grid node N(row fraction, position fraction).
  KORA::mPoint node(double fi, double fj) const;

  int n;
  KORA::mPoint P1, P2, P3;
  int inPair;
  int pairIndex;
  int nbCalls;
};

#endif
