#include "SHF.h"

#include <cmath>

SHF::SHF_T SHF::FunctionSpace = SHF::PASCAL;

namespace {

struct Exp2 { int a, b; };
struct Exp3 { int a, b, c; };

// Exponents (a, b) of Pascal monomials 0..44, u^a v^b.
constexpr int kPascalTable = 45;
constexpr auto makePascal()
{
  struct T { Exp2 e[kPascalTable]; } t{};
  int k = 0;
  for (int n = 0; k < kPascalTable; ++n)
    for (int j = 0; j <= n && k < kPascalTable; ++j, ++k) t.e[k] = {n - j, j};
  return t;
}
constexpr auto kPascal = makePascal();

// Exponents (a, b, c) of tetrahedron monomials 0..34, u^a v^b w^c.
constexpr int kTetTable = 35;
constexpr Exp3 kTet[kTetTable] = {
    {0, 0, 0},
    {1, 0, 0}, {0, 1, 0}, {0, 0, 1},
    {2, 0, 0}, {0, 2, 0}, {0, 0, 2}, {1, 1, 0}, {1, 0, 1}, {0, 1, 1},
    {3, 0, 0}, {0, 3, 0}, {0, 0, 3}, {2, 1, 0}, {2, 0, 1}, {1, 2, 0}, {0, 2, 1}, {1, 0, 2}, {0, 1, 2}, {1, 1, 1},
    {4, 0, 0}, {0, 4, 0}, {0, 0, 4}, {3, 1, 0}, {3, 0, 1}, {1, 3, 0}, {0, 3, 1}, {1, 0, 3}, {0, 1, 3},
    {2, 2, 0}, {2, 0, 2}, {0, 2, 2}, {2, 1, 1}, {1, 2, 1}, {1, 1, 2}};

// Legendre orders (i, j) of quadrilateral functions 0..35.
constexpr int kQuadTable = 36;
constexpr Exp2 kQuad[kQuadTable] = {
    {0, 0}, {1, 0}, {0, 1}, {1, 1}, {2, 0}, {0, 2}, {2, 1}, {1, 2}, {2, 2}, {3, 0}, {0, 3}, {3, 1},
    {3, 2}, {2, 3}, {1, 3}, {3, 3}, {4, 0}, {0, 4}, {4, 1}, {4, 2}, {4, 3}, {1, 4}, {2, 4}, {3, 4},
    {4, 4}, {5, 0}, {0, 5}, {5, 1}, {5, 2}, {5, 3}, {5, 4}, {1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}};

// x^a for the small exponents of the tables as explicit products.
inline double ipow(double x, int a)
{
  switch (a) {
  case 0: return 1.0;
  case 1: return x;
  case 2: return x * x;
  case 3: return x * x * x;
  case 4: { const double x2 = x * x; return x2 * x2; }
  case 5: { const double x2 = x * x; return x2 * x2 * x; }
  case 6: { const double x3 = x * x * x; return x3 * x3; }
  case 7: { const double x3 = x * x * x; return x3 * x3 * x; }
  case 8: { const double x2 = x * x; const double x4 = x2 * x2; return x4 * x4; }
  default: return std::pow(x, a);
  }
}

// a!/(a-d)!, 0 when d > a.
inline double fallingFactorial(int a, int d)
{
  if (d > a) return 0.0;
  double f = 1.0;
  for (int i = 0; i < d; ++i) f *= a - i;
  return f;
}

// Derivative of u^a v^b with du derivatives in u and dv in v.
inline double monomialDerivative(int a, int b, int du, int dv, double u, double v)
{
  if (du > a || dv > b) return 0.0;
  return fallingFactorial(a, du) * fallingFactorial(b, dv) * ipow(u, a - du) * ipow(v, b - dv);
}

inline Exp2 pascalExponents(int k)
{
  if (k < 0) throw "Pascal monomial index is negative";
  if (k < kPascalTable) return kPascal.e[k];
  int n, j;
  PascalgetIndices(k, n, j);
  return {n - j, j};
}

inline void checkTriangleIndex(int k)
{
  if (k < 0 || k >= SHF::nbTriangleFunctions)
    throw "orthonormal triangle function index out of range (0 to 44, orders up to 8)";
}

inline void checkTetIndex(int k)
{
  if (k < 0 || k >= SHF::nbTetFunctions)
    throw "orthonormal tetrahedron function index out of range (0 to 34, orders up to 4)";
}

inline void checkDerivativeOrders(int n, int m)
{
  if (n < 0 || m < 0 || m > n) throw "derivative orders must satisfy 0 <= m <= n";
}

inline Exp2 quadOrders(int k)
{
  if (k < 0) throw "quadrilateral function index is negative";
  if (k < kQuadTable) return kQuad[k];
  Exp2 e;
  getLegendreOrders(k, e.a, e.b);
  return e;
}

// Tetrahedron monomial derivative; d = 0, 1, 2 for u, v, w.
inline double tetDerivative(int k, int d, double u, double v, double w)
{
  if (k < 0) throw "tetrahedron monomial index is negative";
  if (k >= kTetTable) return 0.0;
  const Exp3& e = kTet[k];
  switch (d) {
  case 0: return e.a == 0 ? 0.0 : e.a * ipow(u, e.a - 1) * ipow(v, e.b) * ipow(w, e.c);
  case 1: return e.b == 0 ? 0.0 : e.b * ipow(u, e.a) * ipow(v, e.b - 1) * ipow(w, e.c);
  default: return e.c == 0 ? 0.0 : e.c * ipow(u, e.a) * ipow(v, e.b) * ipow(w, e.c - 1);
  }
}

// Hexahedron functions as products of first-degree factors: bits of the
// factors present (u = 1, v = 2, w = 4).
constexpr int kHexFactors[8] = {0, 1, 2, 4, 1 | 2, 1 | 4, 2 | 4, 1 | 2 | 4};

inline int hexFactors(int k)
{
  if (k < 0 || k >= SHF::nbHexFunctions) throw "hexahedron function index out of range (0 to 7, order 1)";
  return kHexFactors[k];
}

// Product of the factors in 'mask', the factor 'drop' differentiated (0 if absent).
inline double hexProduct(int mask, int drop, double u, double v, double w)
{
  if (drop && !(mask & drop)) return 0.0;
  const int m = mask & ~drop;
  double r = 1.0;
  if (m & 1) r *= u;
  if (m & 2) r *= v;
  if (m & 4) r *= w;
  return r;
}

// The orthonormal triangle functions of degree 5 and more are sums of
// monomials with coefficients up to 1e7 that cancel to values of order 1:
// in double their values lose up to 1e-10, enough to spoil orthonormality at
// order 8. From that degree on, monomials and sums are carried in long double.
constexpr int kExtendedFrom = 15;

template <class R>
inline R ipowR(R x, int a)
{
  R r = 1;
  for (int i = 0; i < a; ++i) r *= x;
  return r;
}

// Derivative (du in u, dv in v) of orthonormal triangle function k.
template <class R>
inline double triangleOrthogonal(int k, double u, double v, int du, int dv)
{
  const double* row = myGramSchmidtTriangle[k];
  const R ur = u, vr = v;
  R s = 0;
  for (int i = 0; i <= k; ++i) {
    const Exp2& e = kPascal.e[i];
    if (e.a < du || e.b < dv || row[i] == 0.0) continue;
    const R f = static_cast<R>(fallingFactorial(e.a, du) * fallingFactorial(e.b, dv));
    s += static_cast<R>(row[i]) * (f * ipowR(ur, e.a - du) * ipowR(vr, e.b - dv));
  }
  return static_cast<double>(s);
}

template <class R>
inline void triangleOrthogonalAll(int nf, double u, double v, double* values, double* du, double* dv)
{
  constexpr int P = SHF::maxTriangleOrder, N = SHF::nbTriangleFunctions;
  R pu[P + 1], pv[P + 1];
  pu[0] = pv[0] = 1;
  for (int i = 1; i <= P; ++i) {
    pu[i] = pu[i - 1] * static_cast<R>(u);
    pv[i] = pv[i - 1] * static_cast<R>(v);
  }
  R m[N], mu[N], mv[N];
  for (int i = 0; i < nf; ++i) {
    const Exp2& e = kPascal.e[i];
    m[i] = pu[e.a] * pv[e.b];
    mu[i] = e.a ? e.a * pu[e.a - 1] * pv[e.b] : R(0);
    mv[i] = e.b ? e.b * pu[e.a] * pv[e.b - 1] : R(0);
  }
  for (int k = 0; k < nf; ++k) {
    const double* row = myGramSchmidtTriangle[k];
    R s = 0, su = 0, sv = 0;
    for (int i = 0; i <= k; ++i) {
      const R c = row[i];
      s += c * m[i];
      su += c * mu[i];
      sv += c * mv[i];
    }
    if (values) values[k] = static_cast<double>(s);
    if (du) du[k] = static_cast<double>(su);
    if (dv) dv[k] = static_cast<double>(sv);
  }
}

[[noreturn]] void unknownKind() { throw "unknown shape-function list kind"; }

} // namespace

// ---------------------------------------------------------------------------
// Index helpers and Legendre polynomials

void PascalgetIndices(int k, int& n, int& j)
{
  long long s = 0; // wide: no overflow for indices near INT_MAX
  int c = 0;
  while (k >= s) {
    ++c;
    s += c;
  }
  n = c - 1;
  j = static_cast<int>(static_cast<long long>(k) - s + c);
}

void getLegendreOrders(int k, int& i, int& j)
{
  if (k < 0) throw "quadrilateral function index is negative";
  long long n = 0; // wide: (n+1)^2 may pass INT_MAX
  while ((n + 1) * (n + 1) <= k) ++n;
  const long long n2 = n * n;
  if (k == n2) { i = static_cast<int>(n); j = 0; }
  else if (k == n2 + 1) { i = 0; j = static_cast<int>(n); }
  else if (k == (n + 1) * (n + 1) - 1) { i = static_cast<int>(n); j = static_cast<int>(n); }
  else if (k < n2 + n + 1) { i = static_cast<int>(n); j = static_cast<int>(k - n2 - 1); }
  else { i = static_cast<int>(k - n2 - n); j = static_cast<int>(n); }
}

double getFactors(int) { return 1.0; }

double LegendrePolynomial(int n, double x)
{
  switch (n) {
  case 0: return 1.0;
  case 1: return x;
  case 2: return 1.5 * x * x - 0.5;
  case 3: return 2.5 * x * x * x - 1.5 * x;
  case 4: { const double x2 = x * x; return (35.0 * x2 * x2 - 30.0 * x2 + 3.0) / 8.0; }
  default: break;
  }
  if (n < 0) throw "Legendre polynomial of negative degree";
  // Three-term recurrence upwards from P_3, P_4.
  double pm2 = LegendrePolynomial(3, x), pm1 = LegendrePolynomial(4, x), p = pm1;
  for (int m = 5; m <= n; ++m) {
    p = ((2 * m - 1) * x * pm1 - (m - 1) * pm2) / m;
    pm2 = pm1;
    pm1 = p;
  }
  return p;
}

double _LegendrePolynomial(int n, double x) { return LegendrePolynomial(n, x); }

double _dLegendrePolynomial(int n, double x)
{
  switch (n) {
  case 0: return 0.0;
  case 1: return 1.0;
  case 2: return 3.0 * x;
  case 3: return 1.5 * (5.0 * x * x - 1.0);
  case 4: return (140.0 * x * x * x - 60.0 * x) / 8.0;
  default: break;
  }
  if (n < 0) throw "Legendre polynomial of negative degree";
  // Derivative of the recurrence, carried along with the values.
  double pm2 = LegendrePolynomial(3, x), pm1 = LegendrePolynomial(4, x);
  double dm2 = _dLegendrePolynomial(3, x), dm1 = _dLegendrePolynomial(4, x), d = dm1;
  for (int m = 5; m <= n; ++m) {
    const double p = ((2 * m - 1) * x * pm1 - (m - 1) * pm2) / m;
    d = ((2 * m - 1) * (pm1 + x * dm1) - (m - 1) * dm2) / m;
    pm2 = pm1;
    pm1 = p;
    dm2 = dm1;
    dm1 = d;
  }
  return d;
}

double dLegendrePolynomial(int n, double x) { return _dLegendrePolynomial(n, x); }

// ---------------------------------------------------------------------------
// Pascal monomials

void SHF::init(SHF_T kind) { FunctionSpace = kind; }

double SHF::PascalgetFct(int k, double u, double v)
{
  const Exp2 e = pascalExponents(k);
  return ipow(u, e.a) * ipow(v, e.b);
}

double SHF::PascalgetdFctdu(int k, double u, double v)
{
  const Exp2 e = pascalExponents(k);
  return e.a == 0 ? 0.0 : e.a * ipow(u, e.a - 1) * ipow(v, e.b);
}

double SHF::PascalgetdFctdv(int k, double u, double v)
{
  const Exp2 e = pascalExponents(k);
  return e.b == 0 ? 0.0 : e.b * ipow(u, e.a) * ipow(v, e.b - 1);
}

double SHF::PascalgetdFctduu(int k, double u, double v)
{
  const Exp2 e = pascalExponents(k);
  return monomialDerivative(e.a, e.b, 2, 0, u, v);
}

double SHF::PascalgetdFctduv(int k, double u, double v)
{
  const Exp2 e = pascalExponents(k);
  return monomialDerivative(e.a, e.b, 1, 1, u, v);
}

double SHF::PascalgetdFctdvv(int k, double u, double v)
{
  const Exp2 e = pascalExponents(k);
  return monomialDerivative(e.a, e.b, 0, 2, u, v);
}

double SHF::PascalgetdFctGeneral(int k, int n, int m, double u, double v)
{
  checkDerivativeOrders(n, m);
  const Exp2 e = pascalExponents(k);
  return monomialDerivative(e.a, e.b, n - m, m, u, v);
}

// ---------------------------------------------------------------------------
// Orthonormal triangle functions

double SHF::PascalgetFctOrthogonal(int k, double u, double v)
{
  checkTriangleIndex(k);
  return k < kExtendedFrom ? triangleOrthogonal<double>(k, u, v, 0, 0)
                           : triangleOrthogonal<long double>(k, u, v, 0, 0);
}

double SHF::PascalgetdFctduOrthogonal(int k, double u, double v)
{
  checkTriangleIndex(k);
  return k < kExtendedFrom ? triangleOrthogonal<double>(k, u, v, 1, 0)
                           : triangleOrthogonal<long double>(k, u, v, 1, 0);
}

double SHF::PascalgetdFctdvOrthogonal(int k, double u, double v)
{
  checkTriangleIndex(k);
  return k < kExtendedFrom ? triangleOrthogonal<double>(k, u, v, 0, 1)
                           : triangleOrthogonal<long double>(k, u, v, 0, 1);
}

double SHF::PascalgetdFctGeneralOrthogonal(int k, int n, int m, double u, double v)
{
  checkTriangleIndex(k);
  checkDerivativeOrders(n, m);
  return k < kExtendedFrom ? triangleOrthogonal<double>(k, u, v, n - m, m)
                           : triangleOrthogonal<long double>(k, u, v, n - m, m);
}

void SHF::PascalgetAllOrthogonal(int nf, double u, double v, double* values, double* du, double* dv)
{
  if (nf < 0 || nf > nbTriangleFunctions)
    throw "number of orthonormal triangle functions out of range (0 to 45, orders up to 8)";
  if (nf <= kExtendedFrom)
    triangleOrthogonalAll<double>(nf, u, v, values, du, dv);
  else
    triangleOrthogonalAll<long double>(nf, u, v, values, du, dv);
}

// ---------------------------------------------------------------------------
// Tetrahedron monomials and orthonormal functions

double SHF::getTetFct(int k, double u, double v, double w)
{
  if (k < 0) throw "tetrahedron monomial index is negative";
  if (k >= kTetTable) return 0.0;
  const Exp3& e = kTet[k];
  return ipow(u, e.a) * ipow(v, e.b) * ipow(w, e.c);
}

double SHF::getTetdFctdu(int k, double u, double v, double w) { return tetDerivative(k, 0, u, v, w); }
double SHF::getTetdFctdv(int k, double u, double v, double w) { return tetDerivative(k, 1, u, v, w); }
double SHF::getTetdFctdw(int k, double u, double v, double w) { return tetDerivative(k, 2, u, v, w); }

double SHF::getTetFctOrthogonal(int k, double u, double v, double w)
{
  checkTetIndex(k);
  const double* row = myTetOrtho[k];
  double s = 0.0;
  for (int i = 0; i <= k; ++i) s += row[i] * getTetFct(i, u, v, w);
  return s;
}

double SHF::getTetdFctduOrthogonal(int k, double u, double v, double w)
{
  checkTetIndex(k);
  const double* row = myTetOrtho[k];
  double s = 0.0;
  for (int i = 1; i <= k; ++i) s += row[i] * tetDerivative(i, 0, u, v, w);
  return s;
}

double SHF::getTetdFctdvOrthogonal(int k, double u, double v, double w)
{
  checkTetIndex(k);
  const double* row = myTetOrtho[k];
  double s = 0.0;
  for (int i = 1; i <= k; ++i) s += row[i] * tetDerivative(i, 1, u, v, w);
  return s;
}

double SHF::getTetdFctdwOrthogonal(int k, double u, double v, double w)
{
  checkTetIndex(k);
  const double* row = myTetOrtho[k];
  double s = 0.0;
  for (int i = 1; i <= k; ++i) s += row[i] * tetDerivative(i, 2, u, v, w);
  return s;
}

void SHF::getTetAllOrthogonal(int nf, double u, double v, double w, double* values, double* du, double* dv,
                              double* dw)
{
  if (nf < 0 || nf > nbTetFunctions)
    throw "number of orthonormal tetrahedron functions out of range (0 to 35, orders up to 4)";
  double pu[maxTetOrder + 1], pv[maxTetOrder + 1], pw[maxTetOrder + 1];
  pu[0] = pv[0] = pw[0] = 1.0;
  for (int i = 1; i <= maxTetOrder; ++i) {
    pu[i] = pu[i - 1] * u;
    pv[i] = pv[i - 1] * v;
    pw[i] = pw[i - 1] * w;
  }
  double m[nbTetFunctions], mu[nbTetFunctions], mv[nbTetFunctions], mw[nbTetFunctions];
  for (int i = 0; i < nf; ++i) {
    const Exp3& e = kTet[i];
    m[i] = pu[e.a] * pv[e.b] * pw[e.c];
    mu[i] = e.a ? e.a * pu[e.a - 1] * pv[e.b] * pw[e.c] : 0.0;
    mv[i] = e.b ? e.b * pu[e.a] * pv[e.b - 1] * pw[e.c] : 0.0;
    mw[i] = e.c ? e.c * pu[e.a] * pv[e.b] * pw[e.c - 1] : 0.0;
  }
  for (int k = 0; k < nf; ++k) {
    const double* row = myTetOrtho[k];
    double s = 0.0, su = 0.0, sv = 0.0, sw = 0.0;
    for (int i = 0; i <= k; ++i) {
      s += row[i] * m[i];
      su += row[i] * mu[i];
      sv += row[i] * mv[i];
      sw += row[i] * mw[i];
    }
    if (values) values[k] = s;
    if (du) du[k] = su;
    if (dv) dv[k] = sv;
    if (dw) dw[k] = sw;
  }
}

// ---------------------------------------------------------------------------
// Quadrilateral and hexahedron functions

double SHF::getQFct(int k, double u, double v, KORA::mFace*)
{
  const Exp2 e = quadOrders(k);
  return LegendrePolynomial(e.a, u) * LegendrePolynomial(e.b, v);
}

double SHF::getQdFctdu(int k, double u, double v, KORA::mFace*)
{
  const Exp2 e = quadOrders(k);
  return _dLegendrePolynomial(e.a, u) * LegendrePolynomial(e.b, v);
}

double SHF::getQdFctdv(int k, double u, double v, KORA::mFace*)
{
  const Exp2 e = quadOrders(k);
  return LegendrePolynomial(e.a, u) * _dLegendrePolynomial(e.b, v);
}

double SHF::getHexFct(int k, double u, double v, double w) { return hexProduct(hexFactors(k), 0, u, v, w); }
double SHF::getHexdFctdu(int k, double u, double v, double w) { return hexProduct(hexFactors(k), 1, u, v, w); }
double SHF::getHexdFctdv(int k, double u, double v, double w) { return hexProduct(hexFactors(k), 2, u, v, w); }
double SHF::getHexdFctdw(int k, double u, double v, double w) { return hexProduct(hexFactors(k), 4, u, v, w); }

// ---------------------------------------------------------------------------
// One-variable monomials

double SHF::PascalgetFct(int k, double x)
{
  switch (k) {
  case -2:
  case -1: return 0.0;
  case 0: return 1.0;
  case 1: return x;
  case 2: return x * x;
  case 3: return x * x * x;
  default: break;
  }
  if (k < 0) throw "one-variable monomial index below -2";
  double r = x * x * x;
  for (int i = 3; i < k; ++i) r *= x;
  return r;
}

double SHF::PascalgetdFctdu(int k, double x)
{
  if (k < -2) throw "one-variable monomial index below -2";
  if (k <= 0) return 0.0;
  return k * PascalgetFct(k - 1, x);
}

double SHF::PascalgetdFctduu(int k, double x)
{
  if (k < -2) throw "one-variable monomial index below -2";
  if (k <= 1) return 0.0;
  return k * (k - 1) * PascalgetFct(k - 2, x);
}

// ---------------------------------------------------------------------------
// Sizes

int SHF::getSize(int p, int dim)
{
  if (p < 0) return 0;
  switch (dim) {
  case 1: return p + 1;
  case 2: return (p + 1) * (p + 2) / 2;
  case 3: return (p + 1) * (p + 2) * (p + 3) / 6;
  default: throw "shape-function list size: dimension must be 1, 2 or 3";
  }
}

int SHF::getQSize(int p, int dim)
{
  if (p < 0) return 0;
  switch (dim) {
  case 1: return p + 1;
  case 2: return (p + 1) * (p + 1);
  case 3: return (p + 1) * (p + 1) * (p + 1);
  default: throw "shape-function list size: dimension must be 1, 2 or 3";
  }
}

// ---------------------------------------------------------------------------
// Kind-dispatching getters

double SHF::getFct(int k, double u, KORA::mEdge*)
{
  if (FunctionSpace != PASCAL && FunctionSpace != ORTHOGONAL_TRIANGLE) unknownKind();
  return PascalgetFct(k, u);
}

double SHF::getdFctdu(int k, double u, KORA::mEdge*)
{
  if (FunctionSpace != PASCAL && FunctionSpace != ORTHOGONAL_TRIANGLE) unknownKind();
  return PascalgetdFctdu(k, u);
}

double SHF::getdFctduu(int k, double u, KORA::mEdge*)
{
  if (FunctionSpace != PASCAL && FunctionSpace != PASCAL_1D && FunctionSpace != ORTHOGONAL_TRIANGLE) unknownKind();
  return PascalgetdFctduu(k, u);
}

double SHF::getFct(int k, double u, double v, KORA::mFace*)
{
  switch (FunctionSpace) {
  case PASCAL: return PascalgetFct(k, u, v);
  case ORTHOGONAL_TRIANGLE: return PascalgetFctOrthogonal(k, u, v);
  default: unknownKind();
  }
}

double SHF::getdFctdu(int k, double u, double v, KORA::mFace*)
{
  switch (FunctionSpace) {
  case PASCAL: return PascalgetdFctdu(k, u, v);
  case ORTHOGONAL_TRIANGLE: return PascalgetdFctduOrthogonal(k, u, v);
  default: unknownKind();
  }
}

double SHF::getdFctdv(int k, double u, double v, KORA::mFace*)
{
  switch (FunctionSpace) {
  case PASCAL: return PascalgetdFctdv(k, u, v);
  case ORTHOGONAL_TRIANGLE: return PascalgetdFctdvOrthogonal(k, u, v);
  default: unknownKind();
  }
}

double SHF::getdFctGeneral(int k, int n, int m, double u, double v, KORA::mFace*)
{
  switch (FunctionSpace) {
  case PASCAL: return PascalgetdFctGeneral(k, n, m, u, v);
  case ORTHOGONAL_TRIANGLE: return PascalgetdFctGeneralOrthogonal(k, n, m, u, v);
  default: unknownKind();
  }
}

double SHF::getdFctduu(int, double, double, KORA::mFace*) { throw "sh fct not coded yet"; }
double SHF::getdFctduv(int, double, double, KORA::mFace*) { throw "sh fct not coded yet"; }
double SHF::getdFctdvv(int, double, double, KORA::mFace*) { throw "sh fct not coded yet"; }
