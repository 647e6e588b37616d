#ifndef DG_SHF_H
#define DG_SHF_H

// Shape-function lists: the scalar functions from which the element bases are
// built, evaluated by index at reference coordinates (u, v, w).
//
//  - two-variable monomials in Pascal order (triangles) and their
//    orthonormal combinations (myGramSchmidtTriangle, degree <= 8);
//  - three-variable monomials of degree <= 4 in a fixed order (tetrahedra) and
//    their orthonormal combinations (myTetOrtho);
//  - Legendre products P_i(u) P_j(v) in shells of max(i, j) (quadrilaterals);
//  - the eight trilinear products of a hexahedron;
//  - one-variable monomials.
//
// Reference elements: triangle (0,0),(1,0),(0,1); tetrahedron (0,0,0),(1,0,0),
// (0,1,0),(0,0,1); quadrilateral [-1,1]^2; hexahedron [-1,1]^3.
//
// Indices outside a family's tables (orthonormal triangle above 44,
// orthonormal tetrahedron above 34, hexahedron above 7) and negative indices
// are refused with a text exception (const char*), never read out of bounds.

namespace KORA {
class mEdge;
class mFace;
} // namespace KORA

// Coefficient tables, row k: coefficients of monomials 0..k of orthonormal
// function k (lower triangular, positive diagonal, row 0 is the constant 1).
extern const double myGramSchmidtTriangle[45][45];
extern const double myTetOrtho[35][35];

class SHF {
public:
  // Kind used by the kind-dispatching getters.
  enum SHF_T : int { PASCAL = 0, PASCAL_1D = 1, ORTHOGONAL_TRIANGLE = 5 };

  // Highest polynomial orders covered by the basis data of each family. The
  // quadrilateral products have no table, but their cost grows with the
  // fourth power of the order and the quadrature of high orders runs out: 12
  // keeps a cell's matrices small and every integral exact.
  static constexpr int maxTriangleOrder = 8;
  static constexpr int maxQuadOrder = 12;
  static constexpr int maxTetOrder = 4;
  static constexpr int maxHexOrder = 1;
  static constexpr int nbTriangleFunctions = 45;
  static constexpr int nbTetFunctions = 35;
  static constexpr int nbHexFunctions = 8;

  static SHF_T FunctionSpace;
  static void init(SHF_T kind);

  // Pascal monomials u^(n-j) v^j and their derivatives.
  static double PascalgetFct(int k, double u, double v);
  static double PascalgetdFctdu(int k, double u, double v);
  static double PascalgetdFctdv(int k, double u, double v);
  static double PascalgetdFctduu(int k, double u, double v);
  static double PascalgetdFctduv(int k, double u, double v);
  static double PascalgetdFctdvv(int k, double u, double v);
  // Derivative of total order n, m of them in v and n - m in u (n = 0: value).
  static double PascalgetdFctGeneral(int k, int n, int m, double u, double v);

  // Orthonormal triangle functions (0 <= k < 45).
  static double PascalgetFctOrthogonal(int k, double u, double v);
  static double PascalgetdFctduOrthogonal(int k, double u, double v);
  static double PascalgetdFctdvOrthogonal(int k, double u, double v);
  static double PascalgetdFctGeneralOrthogonal(int k, int n, int m, double u, double v);

  // Tetrahedron monomials (index 35 and above: 0) and orthonormal functions
  // (0 <= k < 35).
  static double getTetFct(int k, double u, double v, double w);
  static double getTetdFctdu(int k, double u, double v, double w);
  static double getTetdFctdv(int k, double u, double v, double w);
  static double getTetdFctdw(int k, double u, double v, double w);
  static double getTetFctOrthogonal(int k, double u, double v, double w);
  static double getTetdFctduOrthogonal(int k, double u, double v, double w);
  static double getTetdFctdvOrthogonal(int k, double u, double v, double w);
  static double getTetdFctdwOrthogonal(int k, double u, double v, double w);

  // Quadrilateral Legendre products; the face is ignored.
  static double getQFct(int k, double u, double v, KORA::mFace* face = nullptr);
  static double getQdFctdu(int k, double u, double v, KORA::mFace* face = nullptr);
  static double getQdFctdv(int k, double u, double v, KORA::mFace* face = nullptr);

  // Hexahedron functions 1, u, v, w, uv, uw, vw, uvw (0 <= k < 8).
  static double getHexFct(int k, double u, double v, double w);
  static double getHexdFctdu(int k, double u, double v, double w);
  static double getHexdFctdv(int k, double u, double v, double w);
  static double getHexdFctdw(int k, double u, double v, double w);

  // One-variable monomials x^k; indices -1 and -2 are the zero function.
  static double PascalgetFct(int k, double x);
  static double PascalgetdFctdu(int k, double x);
  static double PascalgetdFctduu(int k, double x);

  // Number of functions of degree at most p in Pascal order, and of tensor
  // order p, for dim 1, 2 or 3.
  static int getSize(int p, int dim);
  static int getQSize(int p, int dim);

  // Kind-dispatching getters (kind 0: monomials, kind 5: orthonormal triangle).
  static double getFct(int k, double u, KORA::mEdge* edge);
  static double getdFctdu(int k, double u, KORA::mEdge* edge);
  static double getdFctduu(int k, double u, KORA::mEdge* edge);
  static double getFct(int k, double u, double v, KORA::mFace* face);
  static double getdFctdu(int k, double u, double v, KORA::mFace* face);
  static double getdFctdv(int k, double u, double v, KORA::mFace* face);
  static double getdFctGeneral(int k, int n, int m, double u, double v, KORA::mFace* face);
  // Not available: always throw "sh fct not coded yet".
  static double getdFctduu(int k, double u, double v, KORA::mFace* face);
  static double getdFctduv(int k, double u, double v, KORA::mFace* face);
  static double getdFctdvv(int k, double u, double v, KORA::mFace* face);

  // Batch evaluation of the first nf orthonormal functions at one point:
  // monomials are computed once, then the triangular table is applied. Same
  // results as the per-index functions up to round-off; nothing is allocated.
  // Outputs hold at least nf entries; any output pointer may be null.
  static void PascalgetAllOrthogonal(int nf, double u, double v, double* values, double* dvalues_du,
                                     double* dvalues_dv);
  static void getTetAllOrthogonal(int nf, double u, double v, double w, double* values, double* dvalues_du,
                                  double* dvalues_dv, double* dvalues_dw);
};

// Legendre polynomial P_n(x) (P_n(1) = 1) and its derivative.
double LegendrePolynomial(int n, double x);
double _LegendrePolynomial(int n, double x);
double _dLegendrePolynomial(int n, double x);
double dLegendrePolynomial(int n, double x);

// Degree n and position j of Pascal index k (monomial u^(n-j) v^j).
void PascalgetIndices(int k, int& n, int& j);
// Legendre orders (i, j) of quadrilateral index k by the general shell rule.
void getLegendreOrders(int k, int& i, int& j);
// Scaling factor of function k: 1 for every index.
double getFactors(int k);

#endif
