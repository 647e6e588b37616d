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

std::vector<Exps> tetMonomials()
{
  return {{0, 0, 0},
          {1, 0, 0}, {0, 1, 0}, {0, 0, 1},
          {2, 0, 0}, {0, 2, 0}, {0, 0, 2}, {1, 1, 0}, {1, 0, 1}, {0, 1, 1},
          {3, 0, 0}, {0, 3, 0}, {0, 0, 3}, {2, 1, 0}, {2, 0, 1}, {1, 2, 0}, {0, 2, 1}, {1, 0, 2}, {0, 1, 2},
          {1, 1, 1},
          {4, 0, 0}, {0, 4, 0}, {0, 0, 4}, {3, 1, 0}, {3, 0, 1}, {1, 3, 0}, {0, 3, 1}, {1, 0, 3}, {0, 1, 3},
          {2, 2, 0}, {2, 0, 2}, {0, 2, 2}, {2, 1, 1}, {1, 2, 1}, {1, 1, 2}};
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

void build(const char* name, const std::vector<Exps>& monomials, int dim, const char* what)
{
  const Mat g = gram(monomials, dim);
  const Mat l = cholesky(g);
  const Mat c = orthonormalCoefficients(l);
  const Table plain = roundTable(c, l, false);
  std::fprintf(stderr, "%s: plain rounding residual %.3e\n", name, gramResidual(plain, g, g.size()));
  emit(name, c, g, roundTable(c, l, true), what);
}

} // namespace

int main()
{
  const std::vector<Exps> tri = triangleMonomials(45);
  const std::vector<Exps> tet = tetMonomials();

  std::printf("// Orthonormal coefficient tables of the triangle and tetrahedron bases.\n");
  std::printf("// Generated by tools/gen_ortho_tables.cpp (exact monomial integrals, quad\n");
  std::printf("// precision Cholesky, rounding that keeps the double table orthonormal);\n");
  std::printf("// do not edit by hand.\n");
  std::printf("// Row k holds the coefficients of monomials 0..k of function k; row 0 is the\n");
  std::printf("// constant 1, rows 1.. are orthonormal on the reference element and\n");
  std::printf("// orthogonal to the constant.\n\n");
  std::printf("#include \"SHF.h\"\n\n");
  build("myGramSchmidtTriangle", tri, 2,
        "Triangle (0,0),(1,0),(0,1); Pascal monomials u^(n-j) v^j, degree <= 8.");
  build("myTetOrtho", tet, 3,
        "Tetrahedron (0,0,0),(1,0,0),(0,1,0),(0,0,1); tetrahedron monomials, degree <= 4.");
  return 0;
}
