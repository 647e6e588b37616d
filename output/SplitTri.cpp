#include "SplitTri.h"

using KORA::mPoint;

splitTri::splitTri(int n, const mPoint &P1, const mPoint &P2, const mPoint &P3)
    : n(n), P1(P1), P2(P2), P3(P3), inPair(0), pairIndex(0), nbCalls(0) {}

mPoint splitTri::node(double fi, double fj) const {
  mPoint p;
  for (int k = 0; k < 3; ++k) p[k] = P2[k] + (P1[k] - P2[k]) * fi + (P3[k] - P1[k]) * fj;
  return p;
}

bool splitTri::nextTri(mPoint &a, mPoint &b, mPoint &c) {
  const int m = nbCalls;
  if (m < nbTri()) ++nbCalls;
  if (m >= nbTri()) return false;

  // Row i and position j of the current grid position.
  int i = 0;
  int first = 0;  // index of the row's first position, i(i+1)/2
  while (first + i + 1 <= pairIndex) {
    first += i + 1;
    ++i;
  }
  const int j = pairIndex - first;

  if (j == i || inPair == 1) {
    inPair = 0;
    ++pairIndex;
  } else {
    inPair = 1;
  }

  const double dn = static_cast<double>(n);
  const double fi0 = i / dn, fi1 = (i + 1) / dn, fj0 = j / dn, fj1 = (j + 1) / dn;
  if (inPair == 0) {  // up sub-triangle U(i, j)
    a = node(fi0, fj0);
    b = node(fi1, fj0);
    c = node(fi1, fj1);
  } else {  // down sub-triangle D(i, j)
    a = node(fi0, fj0);
    b = node(fi0, fj1);
    c = node(fi1, fj1);
  }
  return true;
}
