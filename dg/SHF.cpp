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
    throw "orthonormal triangle function index out of range (0 to 90, orders up to 12)";
}

inline void checkTetIndex(int k)
{
  if (k < 0 || k >= SHF::nbTetFunctions)
    throw "orthonormal tetrahedron function index out of range (0 to 164, orders up to 8)";
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

// The first eight hexahedron functions as products of first-degree factors:
// bits of the factors present (u = 1, v = 2, w = 4).
constexpr int kHexFactors[8] = {0, 1, 2, 4, 1 | 2, 1 | 4, 2 | 4, 1 | 2 | 4};

inline void checkHexIndex(int k)
{
  if (k < 0 || k >= SHF::nbHexFunctions)
    throw "hexahedron function index out of range (0 to 2196, orders up to 12)";
}

inline int hexFactors(int k) { return kHexFactors[k]; }

// Legendre orders of every hexahedron index (see getHexOrders).
constexpr auto makeHexOrders()
{
  struct T { Exp3 e[SHF::nbHexFunctions]; } t{};
  int k = 0;
  for (int n = 0; n <= SHF::maxHexOrder; ++n)
    for (int d = n; d <= 3 * n; ++d)
      for (int i = n; i >= 0; --i)
        for (int j = n; j >= 0; --j) {
          const int l = d - i - j;
          if (l < 0 || l > n || (i != n && j != n && l != n)) continue;
          t.e[k++] = {i, j, l};
        }
  return t;
}
constexpr auto kHexOrders = makeHexOrders();

// Derivative (d = 0 value, 1, 2, 3: u, v, w) of the Legendre product of
// hexahedron index k >= 8.
inline double hexLegendre(int k, int d, double u, double v, double w)
{
  const Exp3& e = kHexOrders.e[k];
  const double a = d == 1 ? _dLegendrePolynomial(e.a, u) : LegendrePolynomial(e.a, u);
  const double b = d == 2 ? _dLegendrePolynomial(e.b, v) : LegendrePolynomial(e.b, v);
  const double c = d == 3 ? _dLegendrePolynomial(e.c, w) : LegendrePolynomial(e.c, w);
  return a * b * c;
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
  constexpr int P = 8, N = SHF::nbTriangleMonomialRows;
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

// ---------------------------------------------------------------------------
// Orthonormal functions from the collapsed-coordinate products of their
// degree (the same products, in the same block order, as the generator of the
// block tables).

// A value with its three first derivatives.
struct D4 {
  double f = 0, u = 0, v = 0, w = 0;
};
inline D4 operator+(const D4& a, const D4& b) { return {a.f + b.f, a.u + b.u, a.v + b.v, a.w + b.w}; }
inline D4 operator-(const D4& a, const D4& b) { return {a.f - b.f, a.u - b.u, a.v - b.v, a.w - b.w}; }
inline D4 operator*(double c, const D4& a) { return {c * a.f, c * a.u, c * a.v, c * a.w}; }
inline D4 operator*(const D4& a, const D4& b)
{
  return {a.f * b.f, a.u * b.f + a.f * b.u, a.v * b.f + a.f * b.v, a.w * b.f + a.f * b.w};
}

constexpr int kMaxDegree = 12;

// Legendre polynomial of degree m in x/t times t^m, m = 0..n.
inline void homogeneousLegendre(int n, const D4& x, const D4& t, D4* out)
{
  out[0] = {1, 0, 0, 0};
  if (n >= 1) out[1] = x;
  const D4 t2 = t * t;
  for (int m = 1; m < n; ++m) out[m + 1] = (1.0 / (m + 1)) * ((2 * m + 1.0) * (x * out[m]) - m * (t2 * out[m - 1]));
}

// Jacobi polynomial P_m^(a,0) of y/s times s^m, m = 0..n (a >= 1).
inline void homogeneousJacobi(int n, int a, const D4& y, const D4& s, D4* out)
{
  out[0] = {1, 0, 0, 0};
  if (n >= 1) out[1] = 0.5 * ((a + 2.0) * y + static_cast<double>(a) * s);
  const D4 s2 = s * s;
  for (int m = 1; m < n; ++m) {
    const double c1 = static_cast<double>((2 * m + a + 1) * (2 * m + a + 2) * (2 * m + a));
    const double c0 = static_cast<double>((2 * m + a + 1) * a * a);
    const double c2 = static_cast<double>(2 * m * (m + a) * (2 * m + a + 2));
    const double d = static_cast<double>(2 * (m + 1) * (m + a + 1) * (2 * m + a));
    out[m + 1] = (1.0 / d) * ((c1 * y + c0 * s) * out[m] - c2 * (s2 * out[m - 1]));
  }
}

// The products of degree n on the triangle, q = 0..n, p = n - q:
// L_p(2u+v-1, 1-v) P_q^(2p+1,0)(2v-1).
inline void triangleProducts(int n, double u, double v, D4* out)
{
  D4 L[kMaxDegree + 1], J[kMaxDegree + 1];
  homogeneousLegendre(n, {2 * u + v - 1, 2, 1, 0}, {1 - v, 0, -1, 0}, L);
  for (int q = 0; q <= n; ++q) {
    const int p = n - q;
    homogeneousJacobi(q, 2 * p + 1, {2 * v - 1, 0, 2, 0}, {1, 0, 0, 0}, J);
    out[q] = L[p] * J[q];
  }
}

// The products of degree n on the tetrahedron, r = 0..n, q = 0..n-r,
// p = n-q-r: L_p(2u+v+w-1, 1-v-w) P_q^(2p+1,0)(2v+w-1, 1-w) P_r^(2p+2q+2,0)(2w-1).
inline void tetProducts(int n, double u, double v, double w, D4* out)
{
  D4 L[kMaxDegree + 1], H[kMaxDegree + 1], J[kMaxDegree + 1];
  homogeneousLegendre(n, {2 * u + v + w - 1, 2, 1, 1}, {1 - v - w, 0, -1, -1}, L);
  int j = 0;
  for (int r = 0; r <= n; ++r)
    for (int q = 0; q <= n - r; ++q) {
      const int p = n - q - r;
      homogeneousJacobi(q, 2 * p + 1, {2 * v + w - 1, 0, 2, 1}, {1 - w, 0, 0, -1}, H);
      homogeneousJacobi(r, 2 * p + 2 * q + 2, {2 * w - 1, 0, 0, 2}, {1, 0, 0, 0}, J);
      out[j++] = L[p] * H[q] * J[r];
    }
}

// Degree of simplex function k and the first index of that degree.
inline int simplexDegree(int dim, int k, int& first)
{
  int n = 0;
  auto count = [dim](int m) { return dim == 2 ? (m + 1) * (m + 2) / 2 : (m + 1) * (m + 2) * (m + 3) / 6; };
  while (count(n) <= k) ++n;
  first = n == 0 ? 0 : count(n - 1);
  return n;
}

// Orthonormal simplex functions from..to-1 (values and derivatives; any
// output may be null) through the block tables.
void simplexFromBlocks(int dim, int from, int to, double u, double v, double w, double* values, double* du,
                       double* dv, double* dw)
{
  D4 psi[(kMaxDegree + 1) * (kMaxDegree + 2) / 2];
  int k = from;
  while (k < to) {
    int first;
    const int n = simplexDegree(dim, k, first);
    const int size = dim == 2 ? n + 1 : (n + 1) * (n + 2) / 2;
    if (dim == 2) triangleProducts(n, u, v, psi);
    else tetProducts(n, u, v, w, psi);
    for (; k < to && k < first + size; ++k) {
      const double* row = dim == 2 ? myTriangleBlocks[k] : myTetBlocks[k];
      D4 s;
      for (int j = 0; j < size; ++j) s = s + row[j] * psi[j];
      if (values) values[k] = s.f;
      if (du) du[k] = s.u;
      if (dv) dv[k] = s.v;
      if (dw) dw[k] = s.w;
    }
  }
}

// One function (d = 0 value, 1, 2, 3: derivative in u, v, w).
double simplexFromBlocks(int dim, int k, int d, double u, double v, double w)
{
  D4 psi[(kMaxDegree + 1) * (kMaxDegree + 2) / 2];
  int first;
  const int n = simplexDegree(dim, k, first);
  const int size = dim == 2 ? n + 1 : (n + 1) * (n + 2) / 2;
  if (dim == 2) triangleProducts(n, u, v, psi);
  else tetProducts(n, u, v, w, psi);
  const double* row = dim == 2 ? myTriangleBlocks[k] : myTetBlocks[k];
  D4 s;
  for (int j = 0; j < size; ++j) s = s + row[j] * psi[j];
  switch (d) {
  case 0: return s.f;
  case 1: return s.u;
  case 2: return s.v;
  default: return s.w;
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

void getHexOrders(int k, int& i, int& j, int& l)
{
  checkHexIndex(k);
  const Exp3& e = kHexOrders.e[k];
  i = e.a;
  j = e.b;
  l = e.c;
}

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
  if (k >= nbTriangleMonomialRows) return simplexFromBlocks(2, k, 0, u, v, 0.0);
  return k < kExtendedFrom ? triangleOrthogonal<double>(k, u, v, 0, 0)
                           : triangleOrthogonal<long double>(k, u, v, 0, 0);
}

double SHF::PascalgetdFctduOrthogonal(int k, double u, double v)
{
  checkTriangleIndex(k);
  if (k >= nbTriangleMonomialRows) return simplexFromBlocks(2, k, 1, u, v, 0.0);
  return k < kExtendedFrom ? triangleOrthogonal<double>(k, u, v, 1, 0)
                           : triangleOrthogonal<long double>(k, u, v, 1, 0);
}

double SHF::PascalgetdFctdvOrthogonal(int k, double u, double v)
{
  checkTriangleIndex(k);
  if (k >= nbTriangleMonomialRows) return simplexFromBlocks(2, k, 2, u, v, 0.0);
  return k < kExtendedFrom ? triangleOrthogonal<double>(k, u, v, 0, 1)
                           : triangleOrthogonal<long double>(k, u, v, 0, 1);
}

double SHF::PascalgetdFctGeneralOrthogonal(int k, int n, int m, double u, double v)
{
  checkTriangleIndex(k);
  checkDerivativeOrders(n, m);
  if (k >= nbTriangleMonomialRows) {
    if (n == 0) return simplexFromBlocks(2, k, 0, u, v, 0.0);
    if (n == 1) return simplexFromBlocks(2, k, m == 0 ? 1 : 2, u, v, 0.0);
    throw "derivatives of order 2 and more of the orthonormal triangle functions are given to degree 8 only";
  }
  return k < kExtendedFrom ? triangleOrthogonal<double>(k, u, v, n - m, m)
                           : triangleOrthogonal<long double>(k, u, v, n - m, m);
}

void SHF::PascalgetAllOrthogonal(int nf, double u, double v, double* values, double* du, double* dv)
{
  if (nf < 0 || nf > nbTriangleFunctions)
    throw "number of orthonormal triangle functions out of range (0 to 91, orders up to 12)";
  const int nm = nf < nbTriangleMonomialRows ? nf : nbTriangleMonomialRows;
  if (nm <= kExtendedFrom)
    triangleOrthogonalAll<double>(nm, u, v, values, du, dv);
  else
    triangleOrthogonalAll<long double>(nm, u, v, values, du, dv);
  if (nf > nm) simplexFromBlocks(2, nm, nf, u, v, 0.0, values, du, dv, nullptr);
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
  if (k >= nbTetMonomialRows) return simplexFromBlocks(3, k, 0, u, v, w);
  const double* row = myTetOrtho[k];
  double s = 0.0;
  for (int i = 0; i <= k; ++i) s += row[i] * getTetFct(i, u, v, w);
  return s;
}

double SHF::getTetdFctduOrthogonal(int k, double u, double v, double w)
{
  checkTetIndex(k);
  if (k >= nbTetMonomialRows) return simplexFromBlocks(3, k, 1, u, v, w);
  const double* row = myTetOrtho[k];
  double s = 0.0;
  for (int i = 1; i <= k; ++i) s += row[i] * tetDerivative(i, 0, u, v, w);
  return s;
}

double SHF::getTetdFctdvOrthogonal(int k, double u, double v, double w)
{
  checkTetIndex(k);
  if (k >= nbTetMonomialRows) return simplexFromBlocks(3, k, 2, u, v, w);
  const double* row = myTetOrtho[k];
  double s = 0.0;
  for (int i = 1; i <= k; ++i) s += row[i] * tetDerivative(i, 1, u, v, w);
  return s;
}

double SHF::getTetdFctdwOrthogonal(int k, double u, double v, double w)
{
  checkTetIndex(k);
  if (k >= nbTetMonomialRows) return simplexFromBlocks(3, k, 3, u, v, w);
  const double* row = myTetOrtho[k];
  double s = 0.0;
  for (int i = 1; i <= k; ++i) s += row[i] * tetDerivative(i, 2, u, v, w);
  return s;
}

void SHF::getTetAllOrthogonal(int nf, double u, double v, double w, double* values, double* du, double* dv,
                              double* dw)
{
  if (nf < 0 || nf > nbTetFunctions)
    throw "number of orthonormal tetrahedron functions out of range (0 to 165, orders up to 8)";
  if (nf > nbTetMonomialRows) {
    getTetAllOrthogonal(nbTetMonomialRows, u, v, w, values, du, dv, dw);
    simplexFromBlocks(3, nbTetMonomialRows, nf, u, v, w, values, du, dv, dw);
    return;
  }
  constexpr int P = 4;
  double pu[P + 1], pv[P + 1], pw[P + 1];
  pu[0] = pv[0] = pw[0] = 1.0;
  for (int i = 1; i <= P; ++i) {
    pu[i] = pu[i - 1] * u;
    pv[i] = pv[i - 1] * v;
    pw[i] = pw[i - 1] * w;
  }
  double m[nbTetMonomialRows], mu[nbTetMonomialRows], mv[nbTetMonomialRows], mw[nbTetMonomialRows];
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

double SHF::getHexFct(int k, double u, double v, double w)
{
  checkHexIndex(k);
  return k < 8 ? hexProduct(hexFactors(k), 0, u, v, w) : hexLegendre(k, 0, u, v, w);
}

double SHF::getHexdFctdu(int k, double u, double v, double w)
{
  checkHexIndex(k);
  return k < 8 ? hexProduct(hexFactors(k), 1, u, v, w) : hexLegendre(k, 1, u, v, w);
}

double SHF::getHexdFctdv(int k, double u, double v, double w)
{
  checkHexIndex(k);
  return k < 8 ? hexProduct(hexFactors(k), 2, u, v, w) : hexLegendre(k, 2, u, v, w);
}

double SHF::getHexdFctdw(int k, double u, double v, double w)
{
  checkHexIndex(k);
  return k < 8 ? hexProduct(hexFactors(k), 4, u, v, w) : hexLegendre(k, 3, u, v, w);
}

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
