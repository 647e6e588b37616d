// Structured mesh generator: writes a rectangle split into nx x ny cells,
// as quadrilaterals or as triangles (two per cell), in the sectioned ".msh"
// text layout that the solver reads ($NOD ... $ENDNOD, $ELM ... $ENDELM).
//
// Each element record is "number type modelTag 1 nodeCount node ids": type 1
// edge, 2 triangle, 3 quadrilateral. The boundary edges carry the model tags
// of their side, the elements the surface tag:
//   bottom (y = y0) 11, right (x = x1) 12, top (y = y1) 13, left (x = x0) 14,
//   surface 100 (each tag can be changed on the command line).
//
// usage: meshgen tri|quad nx ny x0 x1 y0 y1 output.msh
//        [bottom right top left surface]

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <string>

namespace {

int usage() {
  std::cerr << "usage: meshgen tri|quad nx ny x0 x1 y0 y1 output.msh "
               "[bottom right top left surface]\n";
  return 2;
}

bool toInt(const char *s, int &v) {
  char *end = nullptr;
  const long x = std::strtol(s, &end, 10);
  if (!end || *end || x < 1 || x > 100000) return false;
  v = static_cast<int>(x);
  return true;
}

bool toTag(const char *s, int &v) {
  char *end = nullptr;
  const long x = std::strtol(s, &end, 10);
  if (!end || *end || x < 1 || x > 1000000) return false;
  v = static_cast<int>(x);
  return true;
}

bool toDouble(const char *s, double &v) {
  char *end = nullptr;
  v = std::strtod(s, &end);
  return end && !*end;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 9 && argc != 14) return usage();
  const std::string kind = argv[1];
  if (kind != "tri" && kind != "quad") return usage();
  int nx = 0, ny = 0;
  double x0, x1, y0, y1;
  if (!toInt(argv[2], nx) || !toInt(argv[3], ny) || !toDouble(argv[4], x0) ||
      !toDouble(argv[5], x1) || !toDouble(argv[6], y0) || !toDouble(argv[7], y1) || !(x1 > x0) ||
      !(y1 > y0))
    return usage();
  int tags[5] = {11, 12, 13, 14, 100};
  if (argc == 14)
    for (int i = 0; i < 5; ++i)
      if (!toTag(argv[9 + i], tags[i])) return usage();

  std::ofstream out(argv[8]);
  if (!out) {
    std::cerr << "meshgen: cannot open " << argv[8] << " for writing\n";
    return 1;
  }
  out << std::setprecision(17);
  auto node = [nx](int i, int j) { return j * (nx + 1) + i + 1; };
  out << "$NOD\n" << (nx + 1) * (ny + 1) << "\n";
  for (int j = 0; j <= ny; ++j)
    for (int i = 0; i <= nx; ++i) {
      // The last row and column take the end coordinates exactly.
      const double x = i == nx ? x1 : x0 + (x1 - x0) * i / nx;
      const double y = j == ny ? y1 : y0 + (y1 - y0) * j / ny;
      out << node(i, j) << " " << x << " " << y << " 0\n";
    }
  out << "$ENDNOD\n";

  const bool tri = kind == "tri";
  const long count = 2L * nx + 2L * ny + static_cast<long>(nx) * ny * (tri ? 2 : 1);
  out << "$ELM\n" << count << "\n";
  long n = 1;
  auto edge = [&](int tag, int a, int b) {
    out << n++ << " 1 " << tag << " 1 2 " << a << " " << b << "\n";
  };
  for (int i = 0; i < nx; ++i) edge(tags[0], node(i, 0), node(i + 1, 0));
  for (int j = 0; j < ny; ++j) edge(tags[1], node(nx, j), node(nx, j + 1));
  for (int i = nx; i > 0; --i) edge(tags[2], node(i, ny), node(i - 1, ny));
  for (int j = ny; j > 0; --j) edge(tags[3], node(0, j), node(0, j - 1));
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i) {
      const int a = node(i, j), b = node(i + 1, j), c = node(i + 1, j + 1), d = node(i, j + 1);
      if (tri) {
        out << n++ << " 2 " << tags[4] << " 1 3 " << a << " " << b << " " << c << "\n";
        out << n++ << " 2 " << tags[4] << " 1 3 " << a << " " << c << " " << d << "\n";
      } else {
        out << n++ << " 3 " << tags[4] << " 1 4 " << a << " " << b << " " << c << " " << d
            << "\n";
      }
    }
  out << "$ENDELM\n";
  out.close();
  if (!out) {
    std::cerr << "meshgen: cannot write " << argv[8] << "\n";
    return 1;
  }
  return 0;
}
