// Gmsh view of the metric field: three arrows per vertex along the principal
// directions, each as long as the size in that direction.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "AdaptUtil.h"

using namespace KORA;

int AdaptUtil::viewMetricField(pMesh mesh, const metricField* field) {
  const char* name = "mField.pos";
  FILE* f = std::fopen(name, "w");
  if (!f) {
    std::fprintf(stderr, "Error: cannot open \"%s\" for writing: %s\n", name, std::strerror(errno));
    return 0;
  }
  std::fprintf(f, "View \"metric\" {\n");
  VIter it = M_vertexIter(mesh);
  while (pVertex v = VIter_next(it)) {
    const metric* m = field ? field->getMetric(v) : nullptr;
    if (!m) continue;  // nothing to draw
    double x[3];
    V_coord(v, x);
    for (int i = 0; i < 3; ++i)
      std::fprintf(f, "VP(%8.5f,%8.5f,%8.5f){%8.5f,%8.5f,%8.5f};\n", x[0], x[1], x[2], m->h[i] * m->e[i][0],
                   m->h[i] * m->e[i][1], m->h[i] * m->e[i][2]);
    std::fprintf(f, "\n");
  }
  VIter_delete(it);
  std::fprintf(f, "};\n");
  const bool bad = std::ferror(f) != 0;
  if (std::fclose(f) != 0 || bad) {
    std::fprintf(stderr, "Error: writing \"%s\" failed\n", name);
    return 0;
  }
  return 1;
}
