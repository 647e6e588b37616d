// EnSight geometry text: a fixed header, one line per vertex, then a block of
// triangles and a block of quadrilaterals (faces of every refinement level).
#include <cstdio>
#include <string>

#include "KORA_Util.h"
#include "mException.h"
#include "mMesh.h"
#include "mVertex.h"

namespace KORA {

void KORA_Util::exportEnsightFile(const char* fileName, mMesh* m, bool) {
  const char* name = fileName ? fileName : "";
  std::FILE* f = std::fopen(name, "w");
  if (!f) {
    const std::string text = std::string("cannot open the EnSight geometry file ") + name;
    throw new mException(__LINE__, "src/mKORA", text.c_str());
  }
  std::fprintf(f, "blbabl\n blbabl\n node id given\n element id given\n coordinate\n"
                  " # of unstructured node\n");
  for (mEntityHashTableIterator it = m->beginall(0), last = m->endall(0); it != last; ++it) {
    mEntity* e = *it;
    const mPoint p = static_cast<mVertex*>(e)->point();
    std::fprintf(f, "%8d %12.5e %12.5e %12.5e \n", e->getId(), p(0), p(1), p(2));
  }
  int nbTri = 0, nbQuad = 0;
  for (mEntityHashTableIterator it = m->beginall(2), last = m->endall(2); it != last; ++it) {
    if ((*it)->getType() == mEntity::TRI) ++nbTri;
    else if ((*it)->getType() == mEntity::QUAD) ++nbQuad;
  }
  for (int pass = 0; pass < 2; ++pass) {
    const mEntity::mType type = pass == 0 ? mEntity::TRI : mEntity::QUAD;
    if ((pass == 0 ? nbTri : nbQuad) == 0) continue;
    std::fprintf(f, pass == 0 ? "tria3 \n" : "quad4 \n");
    const int n = pass == 0 ? 3 : 4;
    for (mEntityHashTableIterator it = m->beginall(2), last = m->endall(2); it != last; ++it) {
      mEntity* face = *it;
      if (face->getType() != type) continue;
      std::fprintf(f, "%8d", face->getId());
      for (int i = 0; i < n; ++i) std::fprintf(f, "%8d", face->get(0, i)->getId());
      std::fprintf(f, "\n");
    }
  }
  const bool bad = std::ferror(f) != 0;
  if (std::fclose(f) != 0 || bad) {
    const std::string text = std::string("cannot write the EnSight geometry file ") + name;
    throw new mException(__LINE__, "src/mKORA", text.c_str());
  }
}

}  // namespace KORA
