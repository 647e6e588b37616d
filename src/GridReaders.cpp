// Two simple inputs: a plain tetrahedral grid (counts, points, tetrahedra by
// vertex numbers from 1) and the "ids_2_tag" mapping file of model entities.
#include <cstdio>
#include <istream>
#include <iostream>
#include <memory>
#include <string>

#include "KORA_Util.h"
#include "mException.h"
#include "mMesh.h"

namespace KORA {

namespace {
[[noreturn]] void gridFail(int line, const std::string& text) {
  throw new mException(line, "src/mKORA", text.c_str());
}
}  // namespace

void KORA_Util::importBriselGrid(std::istream& in, mMesh* m) {
  int nv = 0, nt = 0, third = 0;
  if (!(in >> nv >> nt >> third) || nv < 0 || nt < 0) gridFail(__LINE__, "cannot read the grid sizes");
  std::cout << "o Grid sizes: " << nv << " " << nt << " " << third << std::endl;
  std::cout << "o Reading vertices ... " << std::endl;
  for (int i = 0; i < nv; ++i) {
    double x, y, z;
    if (!(in >> x >> y >> z))
      gridFail(__LINE__, "cannot read the coordinates of grid vertex " + std::to_string(i));
    m->createVertex(i, x, y, z, nullptr);
  }
  std::cout << "o Reading Tets ... " << std::endl;
  for (int i = 0; i < nt; ++i) {
    int a, b, c, d;
    if (!(in >> a >> b >> c >> d))
      gridFail(__LINE__, "cannot read the vertices of grid tetrahedron " + std::to_string(i));
    m->createTetWithVertices(a - 1, b - 1, c - 1, d - 1, nullptr);
  }
  std::cout << "o Reading done ... " << std::endl;
}

void KORA_Util::setMappingFile(const char* fileName, mMesh* m) {
  const char* name = fileName ? fileName : "";
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(name, "r"), &std::fclose);
  if (!f) {
    throw mException(__LINE__, "src/mKORA",
                     mFormat("Cannot open ids_2_tag Mapping file %s\n", name).c_str());
  }
  char kind[256], w2[256], w4[256], w5[256];
  int tag = 0, id = 0;
  // A record that does not match ends the read, as does the end of the file.
  while (std::fscanf(f.get(), "%255s %255s %d %255s %255s %d", kind, w2, &tag, w4, w5, &id) == 6) {
    const std::string k(kind);
    int level = -1;
    if (k == "vertex") level = 0;
    else if (k == "edge") level = 1;
    else if (k == "face") level = 2;
    else if (k == "region") level = 3;
    if (level >= 0) m->getGEntity(id, level, tag);
  }
}

}  // namespace KORA
