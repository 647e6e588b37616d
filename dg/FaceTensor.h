#ifndef DG_FACETENSOR_H
#define DG_FACETENSOR_H

// Sum factorisation on the faces of quadrilaterals and hexahedra: the basis
// values of a side at the face points as products of one-direction values,
// found from the points' shared rows, and the face states and integrals
// taken from them.

#include <vector>

class DGBoundaryCell;
class DGCell;

// One side of a face as products (see DGBoundaryCell::tensors): on a side
// whose face lies at u = u0, point k's value of the basis function
// P_i(u) P_j(v) is fixed[i] along[k n1 + j] (P_i(u0) P_j(v_k)); at v = v0 it
// is along[k n1 + i] fixed[j]. The values at all points then take one sum
// over the fixed direction and K short sums, and so do the face integrals:
// about half the operations of a sum over both directions per point.
//
// A hexahedron's side (dims 3) has one of its three directions fixed on the
// face and the face points on a grid of the other two, d1 < d2: point
// point[a kb + b] lies at the a-th coordinate along d1 and the b-th along d2,
// where the basis function of degrees (l fixed, m1 along d1, m2 along d2)
// takes fixed[l] X[a n1 + m1] Y[b n1 + m2]. The values at all points then
// take a sum over the fixed direction and two short sums per direction.
struct FaceTensor {
  static constexpr int kMaxN1 = 16;
  static constexpr int kMaxPoints = 256;
  int n1 = 0, K = 0;
  int dims = 2;
  bool uFixed = false;
  std::vector<double> fixed;  // n1
  std::vector<double> along;  // K x n1 (quadrilaterals)
  // Quadrilaterals: the basis index of (along m, fixed l) at m n1 + l:
  // basis(l, m) when u is fixed, basis(m, l) when v is. Hexahedra: that of
  // (m1, m2, l) at (m1 n1 + m2) n1 + l.
  std::vector<int> perm;
  // Hexahedra: the grid of the points along the two free directions.
  int ka = 0, kb = 0;
  std::vector<double> X;   // ka x n1
  std::vector<double> Y;   // kb x n1
  std::vector<int> point;  // ka x kb: face point index
};

// The products of a face's two sides (either null: none).
struct FaceTensors {
  const FaceTensor *L = nullptr, *R = nullptr;
};

// The products of both sides of the face: a side whose basis is the product
// P_i(u) P_j(v) at basis[i n1 + j] (dims 2) or P_i(u) P_j(v) P_l(w) at
// basis[(i n1 + j) n1 + l] (dims 3; null: not a product basis) and whose rows
// at the points factor has them, the other side null. Shared; made once per
// kind of face.
const FaceTensors *findFaceTensors(const DGBoundaryCell *face, const int *basisL, int n1L, const int *basisR,
                                   int n1R, int dims = 2);
// Both sides' states at every point of the face (R may be null) from the
// current coefficients.
void tensorFaceStates(DGBoundaryCell *face, const DGCell *L, const DGCell *R, const FaceTensor *tL,
                      const FaceTensor *tR);
// The face integrals of n fields on both sides: residual -= (left) or +=
// (right) the sum over the points of the weighted numerical flux times the
// side's basis; fluxes holds the K points' left fluxes, then their right ones.
void tensorFaceIntegrals(const DGBoundaryCell *face, const FaceTensor &tL, const FaceTensor &tR, int n,
                         const double *fluxes, bool toLeft, bool toRight, double *rhsL, double *rhsR);

#endif
