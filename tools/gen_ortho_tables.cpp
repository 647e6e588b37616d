// Generator of the orthonormal coefficient tables of the triangle and
// tetrahedron bases (dg/OrthoTables.cpp).
//
// Build and run by hand (not part of the default build):
//   g++ -std=c++20 -O2 -o gen_ortho_tables tools/gen_ortho_tables.cpp
//   ./gen_ortho_tables > dg/OrthoTables.cpp
//
// Method. The monomials of each family are orthonormalised in their index
// order in the L2 product of the reference simplex. The Gram matrix of the
// monomials is known exactly (int u^a v^b = a! b! / (a+b+2)! on the triangle,
// int u^a v^b w^c = a! b! c! / (a+b+c+3)! on the tetrahedron); its Cholesky
// factor G = L L^T gives the coefficients C = L^-1 (lower triangular, positive
// diagonal), which is Gram-Schmidt in index order. Everything is computed in
// __float128 (113-bit mantissa): the monomial Gram matrices are ill
// conditioned, so double precision would lose most of its digits. Row 0 is
// then replaced by the unnormalised constant 1, and the quad coefficients are
// rounded to double so that the double table itself stays orthonormal to
// round-off (see roundTable). The program checks C G C^T against
// diag(|T|, 1, 1, ...) in quad precision, for the quad and the double tables,
// and prints the residuals on standard error.
//
// Higher degrees (triangles 9 to 12, tetrahedra 5 to 8). The same
// orthonormalisation of the monomials in index order is carried on, but the
// monomial expansion cannot serve there: its coefficients reach 1e10 and
// cancel to values of order 1, more than double or long double can hold. Each
// function of degree n is orthogonal to every polynomial of lower degree, so
// it is a combination of the collapsed-coordinate (Dubiner) products of
// degree n alone, which are orthogonal, bounded and evaluated stably by
// three-term recurrences. Gram-Schmidt in index order is done on the
// components of the degree-n monomials along those products, all integrals
// by a collapsed Gauss rule in quad precision (exact for these degrees). The
// block tables give each function, of every degree, as its combination of the
// (unnormalised) products of its degree; for degrees up to 8 and 4 they are
// the same functions as the monomial tables above, which the program checks.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

using quad = __float128;

namespace {

quad qabs(quad x) { return x < 0 ? -x : x; }

quad qsqrt(quad x)
{
  if (x <= 0) return 0;
  quad r = std::sqrt(static_cast<double>(x));
  for (int i = 0; i < 4; ++i) r = (r + x / r) / 2;
  return r;
}

quad factorial(int n)
{
  quad f = 1;
  for (int i = 2; i <= n; ++i) f *= i;
  return f;
}

struct Exps { int a, b, c; };

// Exact integral of u^a v^b w^c over the reference simplex of dimension dim.
quad simplexIntegral(const Exps& e, int dim)
{
  quad num = factorial(e.a) * factorial(e.b) * factorial(e.c);
  return num / factorial(e.a + e.b + e.c + dim);
}

std::vector<Exps> triangleMonomials(int count)
{
  std::vector<Exps> m;
  for (int n = 0; static_cast<int>(m.size()) < count; ++n)
    for (int j = 0; j <= n && static_cast<int>(m.size()) < count; ++j) m.push_back({n - j, j, 0});
  return m;
}

// Tetrahedron monomials of degree <= maxDegree. Within a degree, the sorted
// exponent patterns (partitions into at most three parts) come in decreasing
// lexicographic order, (4), (3,1), (2,2), (2,1,1); within a pattern, its parts
// taken from the largest down (equal parts in increasing variable order) are
// placed on variables (u = 0, v = 1, w = 2), and the placements come in
// increasing lexicographic order of those variables: (3,1,0), (3,0,1),
// (1,3,0), (0,3,1), (1,0,3), (0,1,3).
std::vector<Exps> tetMonomials(int maxDegree)
{
  std::vector<Exps> m;
  for (int n = 0; n <= maxDegree; ++n)
    for (int p0 = n; p0 >= 0; --p0)
      for (int p1 = std::min(p0, n - p0); p1 >= 0; --p1) {
        const int p2 = n - p0 - p1;
        if (p2 > p1) continue;
        const int parts[3] = {p0, p1, p2};
        // Positions of the parts, lexicographic; equal parts in increasing
        // positions so that each placement appears once.
        for (int x = 0; x < 3; ++x)
          for (int y = 0; y < 3; ++y)
            for (int z = 0; z < 3; ++z) {
              if (x == y || x == z || y == z) continue;
              const int pos[3] = {x, y, z};
              bool once = true;
              for (int i = 0; i + 1 < 3; ++i)
                for (int j = i + 1; j < 3; ++j)
                  if (parts[i] == parts[j] && pos[i] > pos[j]) once = false;
              if (!once) continue;
              int e[3] = {0, 0, 0};
              for (int i = 0; i < 3; ++i) e[pos[i]] = parts[i];
              m.push_back({e[0], e[1], e[2]});
            }
      }
  return m;
}


using Mat = std::vector<std::vector<quad>>;

Mat gram(const std::vector<Exps>& m, int dim)
{
  const size_t n = m.size();
  Mat g(n, std::vector<quad>(n));
  for (size_t i = 0; i < n; ++i)
    for (size_t j = 0; j < n; ++j)
      g[i][j] = simplexIntegral({m[i].a + m[j].a, m[i].b + m[j].b, m[i].c + m[j].c}, dim);
  return g;
}

// Cholesky factor L of G = L L^T.
Mat cholesky(const Mat& g)
{
  const size_t n = g.size();
  Mat l(n, std::vector<quad>(n, 0));
  for (size_t j = 0; j < n; ++j) {
    quad d = g[j][j];
    for (size_t k = 0; k < j; ++k) d -= l[j][k] * l[j][k];
    if (d <= 0) {
      std::fprintf(stderr, "Gram matrix not positive definite at %zu\n", j);
      std::exit(1);
    }
    l[j][j] = qsqrt(d);
    for (size_t i = j + 1; i < n; ++i) {
      quad s = g[i][j];
      for (size_t k = 0; k < j; ++k) s -= l[i][k] * l[j][k];
      l[i][j] = s / l[j][j];
    }
  }
  return l;
}

// Coefficients of the orthonormalised monomials: C = L^-1, row 0 replaced by
// the constant 1.
Mat orthonormalCoefficients(const Mat& l)
{
  const size_t n = l.size();
  Mat c(n, std::vector<quad>(n, 0));
  for (size_t k = 0; k < n; ++k) {
    c[k][k] = 1 / l[k][k];
    for (size_t i = k + 1; i < n; ++i) {
      quad s = 0;
      for (size_t j = k; j < i; ++j) s += l[i][j] * c[j][k];
      c[i][k] = -s / l[i][i];
    }
  }
  c[0][0] = 1;
  // Coefficients that are exactly zero come out as quad round-off; clear them.
  for (size_t k = 0; k < n; ++k) {
    quad big = 0;
    for (size_t i = 0; i <= k; ++i) big = qabs(c[k][i]) > big ? qabs(c[k][i]) : big;
    for (size_t i = 0; i <= k; ++i)
      if (qabs(c[k][i]) < big * 1e-20) c[k][i] = 0;
  }
  return c;
}

// Largest deviation of C G C^T from diag(g00, 1, 1, ...), coefficients taken as given.
template <class T>
double gramResidual(const std::vector<std::vector<T>>& c, const Mat& g, size_t n)
{
  quad worst = 0;
  for (size_t p = 0; p < n; ++p)
    for (size_t q = 0; q < n; ++q) {
      quad s = 0;
      for (size_t i = 0; i <= p; ++i)
        for (size_t j = 0; j <= q; ++j) s += static_cast<quad>(c[p][i]) * g[i][j] * static_cast<quad>(c[q][j]);
      quad expect = (p == q) ? (p == 0 ? g[0][0] : quad(1)) : quad(0);
      if (qabs(s - expect) > worst) worst = qabs(s - expect);
    }
  return static_cast<double>(worst);
}

using Table = std::vector<std::vector<double>>;

// Rounds the quad coefficients to double. Plain rounding of each coefficient
// leaves an error function sum_i e_i m_i whose components along the
// orthonormal functions add up from every coefficient; with coefficients up to
// 1e7 that spoils orthonormality at about 1e-11. Instead each row is rounded
// from its highest monomial down, and each lower coefficient absorbs the
// component along its own function of the errors already made (nearest-plane
// rounding): the component along function j is then bounded by the rounding of
// coefficient j alone. Monomial m_i = sum_{j<=i} L[i][j] f_j.
Table roundTable(const Mat& c, const Mat& l, bool compensate)
{
  const size_t n = c.size();
  Table d(n, std::vector<double>(n, 0.0));
  for (size_t k = 0; k < n; ++k) {
    std::vector<quad> e(k + 1, 0);
    for (size_t jj = k + 1; jj-- > 0;) {
      quad target = c[k][jj];
      if (compensate && target != 0) { // exact zeros stay zero
        quad t = 0;
        for (size_t i = jj + 1; i <= k; ++i) t += e[i] * l[i][jj];
        target -= t / l[jj][jj];
      }
      d[k][jj] = static_cast<double>(target);
      e[jj] = static_cast<quad>(d[k][jj]) - c[k][jj];
    }
  }
  return d;
}

void emit(const char* name, const Mat& c, const Mat& g, const Table& d, const char* what)
{
  const size_t n = c.size();
  std::printf("// %s\n", what);
  std::printf("const double %s[%zu][%zu] = {\n", name, n, n);
  for (size_t i = 0; i < n; ++i) {
    std::printf("    {");
    for (size_t j = 0; j <= i; ++j) std::printf("%s%.17g", j ? ", " : "", d[i][j]);
    std::printf("},\n");
  }
  std::printf("};\n\n");
  std::fprintf(stderr, "%s: quad residual %.3e\n", name, gramResidual(c, g, n));
  for (size_t m = 1; m <= n; ++m) {
    double big = 0;
    for (size_t j = 0; j < m; ++j) big = std::fmax(big, std::fabs(d[m - 1][j]));
    std::fprintf(stderr, "  first %2zu functions: double-table residual %.3e, largest coefficient %.3e\n", m,
                 gramResidual(d, g, m), big);
  }
}

Table build(const char* name, const std::vector<Exps>& monomials, int dim, const char* what)
{
  const Mat g = gram(monomials, dim);
  const Mat l = cholesky(g);
  const Mat c = orthonormalCoefficients(l);
  const Table plain = roundTable(c, l, false);
  std::fprintf(stderr, "%s: plain rounding residual %.3e\n", name, gramResidual(plain, g, g.size()));
  const Table d = roundTable(c, l, true);
  emit(name, c, g, d, what);
  return d;
}


// ---------------------------------------------------------------------------
// Collapsed-coordinate products and their block tables.

// Legendre polynomial of degree m in x/t times t^m, for m = 0..n.
template <class T>
void homogeneousLegendre(int n, T x, T t, T* out)
{
  out[0] = 1;
  if (n >= 1) out[1] = x;
  for (int m = 1; m < n; ++m) out[m + 1] = ((2 * m + 1) * x * out[m] - m * t * t * out[m - 1]) / (m + 1);
}

// Jacobi polynomial P_m^(alpha,0) of y/s times s^m, for m = 0..n (alpha >= 1).
template <class T>
void homogeneousJacobi(int n, int alpha, T y, T s, T* out)
{
  const int a = alpha;
  out[0] = 1;
  if (n >= 1) out[1] = ((a + 2) * y + a * s) / 2;
  for (int m = 1; m < n; ++m) {
    const T c1 = T((2 * m + a + 1) * (2 * m + a + 2) * (2 * m + a));
    const T c0 = T((2 * m + a + 1) * a * a);
    const T c2 = T(2 * m * (m + a) * (2 * m + a + 2));
    const T d = T(2 * (m + 1) * (m + a + 1) * (2 * m + a));
    out[m + 1] = ((c1 * y + c0 * s) * out[m] - c2 * s * s * out[m - 1]) / d;
  }
}

// Products of degree n, in block order: triangle (p, q) with q = 0..n,
// p = n - q: L_p(2u+v-1, 1-v) P_q^(2p+1,0)(2v-1); tetrahedron (p, q, r) with r
// = 0..n, q = 0..n-r, p = n-q-r: L_p(2u+v+w-1, 1-v-w) P_q^(2p+1,0)(2v+w-1,
// 1-w) P_r^(2p+2q+2,0)(2w-1).
template <class T>
void productsOfDegree(int dim, int n, T u, T v, T w, T* out)
{
  T L[16], J[16], H[16];
  int j = 0;
  if (dim == 2) {
    homogeneousLegendre(n, T(2 * u + v - 1), T(1 - v), L);
    for (int q = 0; q <= n; ++q) {
      const int p = n - q;
      homogeneousJacobi(q, 2 * p + 1, T(2 * v - 1), T(1), J);
      out[j++] = L[p] * J[q];
    }
    return;
  }
  homogeneousLegendre(n, T(2 * u + v + w - 1), T(1 - v - w), L);
  for (int r = 0; r <= n; ++r)
    for (int q = 0; q <= n - r; ++q) {
      const int p = n - q - r;
      homogeneousJacobi(q, 2 * p + 1, T(2 * v + w - 1), T(1 - w), H);
      homogeneousJacobi(r, 2 * p + 2 * q + 2, T(2 * w - 1), T(1), J);
      out[j++] = L[p] * H[q] * J[r];
    }
}

int blockSize(int dim, int n) { return dim == 2 ? n + 1 : (n + 1) * (n + 2) / 2; }

quad qpow(quad x, int a)
{
  quad r = 1;
  for (int i = 0; i < a; ++i) r *= x;
  return r;
}

// n-point Gauss-Legendre rule on [-1, 1] in quad precision.
void gaussLegendreQuad(int n, std::vector<quad>& x, std::vector<quad>& g)
{
  x.assign(n, 0);
  g.assign(n, 0);
  for (int i = 0; i < n; ++i) {
    quad r = std::cos(M_PI * (i + 0.75) / (n + 0.5));
    quad dp = 0;
    for (int it = 0; it < 60; ++it) {
      quad p0 = 1, p1 = r;
      for (int k = 2; k <= n; ++k) {
        const quad p2 = ((2 * k - 1) * r * p1 - (k - 1) * p0) / k;
        p0 = p1;
        p1 = p2;
      }
      dp = n * (r * p1 - p0) / (r * r - 1);
      const quad dx = p1 / dp;
      r -= dx;
      if (qabs(dx) < 1e-33) break;
    }
    {
      quad p0 = 1, p1 = r;
      for (int k = 2; k <= n; ++k) {
        const quad p2 = ((2 * k - 1) * r * p1 - (k - 1) * p0) / k;
        p0 = p1;
        p1 = p2;
      }
      dp = n * (r * p1 - p0) / (r * r - 1);
    }
    x[i] = r;
    g[i] = 2 / ((1 - r * r) * dp * dp);
  }
}

struct QPoint { quad u, v, w, weight; };

// Collapsed Gauss rule on the reference simplex, n points per direction.
std::vector<QPoint> simplexRule(int dim, int n)
{
  std::vector<quad> x, g;
  gaussLegendreQuad(n, x, g);
  std::vector<QPoint> pts;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      for (int k = 0; k < (dim == 3 ? n : 1); ++k) {
        const quad u = (1 + x[i]) / 2;
        const quad v = (1 + x[j]) / 2 * (1 - u);
        if (dim == 2) {
          pts.push_back({u, v, 0, g[i] * g[j] * (1 - u) / 4});
        } else {
          const quad w = (1 + x[k]) / 2 * (1 - u - v);
          pts.push_back({u, v, w, g[i] * g[j] * g[k] * (1 - u) * (1 - u - v) / 8});
        }
      }
  return pts;
}

void buildBlocks(const char* name, const std::vector<Exps>& monomials, int dim, int maxDegree,
                 const char* monomialName, const Table& monomialTable, const char* what)
{
  const int nf = static_cast<int>(monomials.size());
  const int width = blockSize(dim, maxDegree);
  const std::vector<QPoint> rule = simplexRule(dim, 16);
  // First index and degree of each function.
  std::vector<int> degree(nf);
  for (int k = 0; k < nf; ++k) degree[k] = monomials[k].a + monomials[k].b + monomials[k].c;
  // Integrals: products against products (norms and orthogonality) and
  // monomials against products of the monomial's degree.
  std::vector<std::vector<quad>> norm(maxDegree + 1), R(nf);
  for (int n = 0; n <= maxDegree; ++n) norm[n].assign(blockSize(dim, n), 0);
  for (int k = 0; k < nf; ++k) R[k].assign(blockSize(dim, degree[k]), 0);
  quad worstCross = 0;
  std::vector<std::vector<std::vector<quad>>> cross(maxDegree + 1);
  for (int n = 0; n <= maxDegree; ++n)
    cross[n].assign(blockSize(dim, n), std::vector<quad>(blockSize(dim, n), 0));
  for (const QPoint& pt : rule) {
    std::vector<std::vector<quad>> psi(maxDegree + 1);
    for (int n = 0; n <= maxDegree; ++n) {
      psi[n].assign(blockSize(dim, n), 0);
      productsOfDegree<quad>(dim, n, pt.u, pt.v, pt.w, psi[n].data());
      for (int a = 0; a < blockSize(dim, n); ++a)
        for (int b = 0; b < blockSize(dim, n); ++b) cross[n][a][b] += pt.weight * psi[n][a] * psi[n][b];
    }
    for (int k = 0; k < nf; ++k) {
      const Exps& e = monomials[k];
      const quad m = qpow(pt.u, e.a) * qpow(pt.v, e.b) * qpow(pt.w, e.c);
      for (size_t j = 0; j < R[k].size(); ++j) R[k][j] += pt.weight * m * psi[degree[k]][j];
    }
  }
  for (int n = 0; n <= maxDegree; ++n)
    for (int a = 0; a < blockSize(dim, n); ++a) {
      norm[n][a] = qsqrt(cross[n][a][a]);
      for (int b = 0; b < a; ++b) {
        const quad c = qabs(cross[n][a][b]) / qsqrt(cross[n][a][a] * cross[n][b][b]);
        worstCross = c > worstCross ? c : worstCross;
      }
    }
  std::fprintf(stderr, "%s: largest cosine between products of one degree %.3e\n", name,
               static_cast<double>(worstCross));
  // Gram-Schmidt of the monomials' components along the normalised products,
  // block by block in index order (twice, for round-off).
  std::vector<std::vector<quad>> Q(nf);
  for (int k = 0; k < nf; ++k) {
    const int n = degree[k];
    std::vector<quad> q(R[k].size());
    for (size_t j = 0; j < q.size(); ++j) q[j] = R[k][j] / norm[n][j];
    for (int pass = 0; pass < 2; ++pass)
      for (int i = 0; i < k; ++i) {
        if (degree[i] != n) continue;
        quad d = 0;
        for (size_t j = 0; j < q.size(); ++j) d += q[j] * Q[i][j];
        for (size_t j = 0; j < q.size(); ++j) q[j] -= d * Q[i][j];
      }
    quad len = 0;
    for (const quad& c : q) len += c * c;
    len = qsqrt(len);
    for (quad& c : q) c /= len;
    Q[k] = q;
  }
  // Coefficients on the unnormalised products; function 0 is the constant 1.
  Table d(nf, std::vector<double>(width, 0.0));
  for (int k = 0; k < nf; ++k)
    for (size_t j = 0; j < Q[k].size(); ++j) d[k][j] = static_cast<double>(Q[k][j] / norm[degree[k]][j]);
  d[0][0] = 1.0;
  // Checks in quad precision: the double table's Gram matrix, and agreement
  // with the monomial table on the rows that one has.
  quad worstGram = 0, worstAgree = 0;
  std::vector<std::vector<quad>> G(nf, std::vector<quad>(nf, 0));
  for (const QPoint& pt : rule) {
    std::vector<quad> f(nf, 0);
    std::vector<std::vector<quad>> psi(maxDegree + 1);
    for (int n = 0; n <= maxDegree; ++n) {
      psi[n].assign(blockSize(dim, n), 0);
      productsOfDegree<quad>(dim, n, pt.u, pt.v, pt.w, psi[n].data());
    }
    for (int k = 0; k < nf; ++k)
      for (size_t j = 0; j < Q[k].size(); ++j) f[k] += static_cast<quad>(d[k][j]) * psi[degree[k]][j];
    for (int a = 0; a < nf; ++a)
      for (int b = 0; b <= a; ++b) G[a][b] += pt.weight * f[a] * f[b];
    for (size_t k = 0; k < monomialTable.size(); ++k) {
      quad s = 0;
      for (size_t i = 0; i <= k; ++i) {
        const Exps& e = monomials[i];
        s += static_cast<quad>(monomialTable[k][i]) * qpow(pt.u, e.a) * qpow(pt.v, e.b) * qpow(pt.w, e.c);
      }
      worstAgree = qabs(s - f[k]) > worstAgree ? qabs(s - f[k]) : worstAgree;
    }
  }
  const quad measure = dim == 2 ? quad(1) / 2 : quad(1) / 6;
  for (int a = 0; a < nf; ++a)
    for (int b = 0; b <= a; ++b) {
      const quad expect = a == b ? (a == 0 ? measure : quad(1)) : quad(0);
      worstGram = qabs(G[a][b] - expect) > worstGram ? qabs(G[a][b] - expect) : worstGram;
    }
  std::fprintf(stderr, "%s: double-table Gram residual %.3e; largest difference from %s %.3e\n", name,
               static_cast<double>(worstGram), monomialName, static_cast<double>(worstAgree));

  std::printf("// %s\n", what);
  std::printf("const double %s[%d][%d] = {\n", name, nf, width);
  for (int k = 0; k < nf; ++k) {
    std::printf("    {");
    for (size_t j = 0; j < Q[k].size(); ++j) std::printf("%s%.17g", j ? ", " : "", d[k][j]);
    std::printf("},\n");
  }
  std::printf("};\n\n");
}

} // namespace

int main()
{
  const std::vector<Exps> tri = triangleMonomials(45);
  const std::vector<Exps> tet = tetMonomials(4);
  const std::vector<Exps> triAll = triangleMonomials(91);
  const std::vector<Exps> tetAll = tetMonomials(8);

  std::printf("// Orthonormal coefficient tables of the triangle and tetrahedron bases.\n");
  std::printf("// Generated by tools/gen_ortho_tables.cpp (exact monomial integrals, quad\n");
  std::printf("// precision Cholesky, rounding that keeps the double table orthonormal);\n");
  std::printf("// do not edit by hand.\n");
  std::printf("// Row k holds the coefficients of monomials 0..k of function k; row 0 is the\n");
  std::printf("// constant 1, rows 1.. are orthonormal on the reference element and\n");
  std::printf("// orthogonal to the constant.\n\n");
  std::printf("#include \"SHF.h\"\n\n");
  const Table triTable = build("myGramSchmidtTriangle", tri, 2,
                               "Triangle (0,0),(1,0),(0,1); Pascal monomials u^(n-j) v^j, degree <= 8.");
  const Table tetTable =
      build("myTetOrtho", tet, 3, "Tetrahedron (0,0,0),(1,0,0),(0,1,0),(0,0,1); tetrahedron monomials, degree <= 4.");
  std::printf("// The same functions up to degree 12 (triangle) and 8 (tetrahedron), row k\n");
  std::printf("// as its combination of the collapsed-coordinate products of its degree, in\n");
  std::printf("// block order (see SHF.cpp); quad-precision Gram-Schmidt of the monomials'\n");
  std::printf("// components along those products.\n\n");
  buildBlocks("myTriangleBlocks", triAll, 2, 12, "myGramSchmidtTriangle", triTable,
              "Triangle functions 0..90 (degree <= 12).");
  buildBlocks("myTetBlocks", tetAll, 3, 8, "myTetOrtho", tetTable,
              "Tetrahedron functions 0..164 (degree <= 8).");
  return 0;
}
