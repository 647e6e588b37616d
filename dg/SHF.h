#ifndef DG_SHF_H
#define DG_SHF_H

// Shape-function lists: the scalar functions from which the element bases are
// built, evaluated by index at reference coordinates (u, v, w).
//
//  - two-variable monomials in Pascal order (triangles) and their
//    orthonormal combinations (myGramSchmidtTriangle, degree <= 8; degrees 9
//    to 12 through myTriangleBlocks);
//  - three-variable monomials of degree <= 4 in a fixed order (tetrahedra) and
//    their orthonormal combinations (myTetOrtho; degrees 5 to 8 through
//    myTetBlocks);
//  - Legendre products P_i(u) P_j(v) in shells of max(i, j) (quadrilaterals);
//  - Legendre products P_i(u) P_j(v) P_l(w) in shells of max(i, j, l)
//    (hexahedra; the first eight are 1, u, v, w, uv, uw, vw, uvw);
//  - one-variable monomials.
//
// Reference elements: triangle (0,0),(1,0),(0,1); tetrahedron (0,0,0),(1,0,0),
// (0,1,0),(0,0,1); quadrilateral [-1,1]^2; hexahedron [-1,1]^3.
//
// The orthonormal functions of high degree are not summed from monomials:
// their monomial coefficients reach 1e10 and cancel to values of order 1.
// Function k of degree n is orthogonal to every polynomial of lower degree,
// so it is a combination of the collapsed-coordinate products of degree n
// alone (Legendre and Jacobi factors, three-term recurrences): the block
// tables hold those combinations, for every row; the rows that the monomial
// tables have are still summed from them, as they always were.
//
// Indices outside a family's tables (orthonormal triangle above 90,
// orthonormal tetrahedron above 164, hexahedron above 2196) and negative
// indices are refused with a text exception (const char*), never read out of
// bounds.

namespace KORA {
class mEdge;
class mFace;
} // namespace KORA

// Coefficient tables, row k: coefficients of monomials 0..k of orthonormal
// function k (lower triangular, positive diagonal, row 0 is the constant 1).
extern const double myGramSchmidtTriangle[45][45];
extern const double myTetOrtho[35][35];
// Row k: coefficients of function k on the collapsed-coordinate products of
// its degree, in block order (triangle degree <= 12, tetrahedron <= 8).
extern const double myTriangleBlocks[91][13];
extern const double myTetBlocks[165][45];

class SHF {
public:
  // Kind used by the kind-dispatching getters.
  enum SHF_T : int { PASCAL = 0, PASCAL_1D = 1, ORTHOGONAL_TRIANGLE = 5 };

  // Highest polynomial orders covered by the basis data of each family. The
  // tensor products have no table, but their cost grows with the fourth
  // (quadrilateral) and sixth (hexahedron) power of the order: 12 keeps every
  // integral exact with the quadrature at hand.
  static constexpr int maxTriangleOrder = 12;
  static constexpr int maxQuadOrder = 12;
  static constexpr int maxTetOrder = 8;
  static constexpr int maxHexOrder = 12;
  static constexpr int nbTriangleFunctions = 91;
  static constexpr int nbTetFunctions = 165;
  static constexpr int nbHexFunctions = 2197;
  // Rows of the monomial tables (degrees up to 8 and 4).
  static constexpr int nbTriangleMonomialRows = 45;
  static constexpr int nbTetMonomialRows = 35;

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

  // Orthonormal triangle functions (0 <= k < 91; the general derivatives of
  // order 2 and more only for k < 45).
  static double PascalgetFctOrthogonal(int k, double u, double v);
  static double PascalgetdFctduOrthogonal(int k, double u, double v);
  static double PascalgetdFctdvOrthogonal(int k, double u, double v);
  static double PascalgetdFctGeneralOrthogonal(int k, int n, int m, double u, double v);

  // Tetrahedron monomials (index 35 and above: 0) and orthonormal functions
  // (0 <= k < 165).
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

  // Hexahedron functions P_i(u) P_j(v) P_l(w) (0 <= k < 2197), see
  // getHexOrders.
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
// Legendre orders (i, j, l) of hexahedron index k (0 <= k < 2197): shells of
// n = max(i, j, l), n = 0, 1, ...; within a shell by total degree, then in
// decreasing lexicographic order of (i, j, l). The first (p+1)^3 indices are
// the products of degree at most p in each variable.
void getHexOrders(int k, int& i, int& j, int& l);
// Scaling factor of function k: 1 for every index.
double getFactors(int k);

#endif
