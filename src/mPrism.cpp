#include "mPrism.h"

#include <cstdio>

#include "mEdge.h"
#include "mException.h"
#include "mFace.h"
#include "mVertex.h"

namespace KORA {

const int mPrism::Tev[9][2] = {{0, 1}, {0, 2}, {1, 2}, {3, 4}, {3, 5}, {4, 5}, {0, 3}, {1, 4}, {2, 5}};
const int mPrism::Tef[9][2] = {{0, 2}, {0, 4}, {0, 3}, {1, 2}, {1, 4}, {1, 3}, {2, 4}, {2, 3}, {3, 4}};
const int mPrism::Tfv[5][4] = {{0, 1, 2, -1}, {3, 5, 4, -1}, {0, 3, 4, 1}, {1, 4, 5, 2}, {0, 2, 5, 3}};
const int mPrism::Tfe[5][4] = {{0, 1, 2, -1}, {3, 4, 5, -1}, {6, 3, 7, 0}, {7, 5, 8, 2}, {6, 1, 8, 4}};
const int mPrism::Tve[6][2] = {{0, 1}, {0, 2}, {1, 2}, {3, 4}, {3, 5}, {4, 5}};
const int mPrism::Tvf[6][3] = {{0, 2, 4}, {0, 2, 3}, {0, 3, 4}, {1, 2, 4}, {1, 2, 3}, {1, 3, 4}};

mPrism::mPrism(mVertex* v1, mVertex* v2, mVertex* v3, mVertex* v4, mVertex* v5, mVertex* v6, gEntity* g)
    : mRegion() {
  mVertex* v[6] = {v1, v2, v3, v4, v5, v6};
  mAdjacencyContainer& l = createAdjacency(0, 6);
  iD = 0;
  for (int k = 0; k < 6; ++k) {
    l.add(v[k]);
    iD += v[k]->getRAND();
  }
  theClassification = g;
}

mPrism::mPrism() : mRegion() {}

mPrism::~mPrism() {}

int mPrism::getNbTemplates(int dim) const {
  switch (dim) {
    case 0:
      return 6;
    case 1:
      return 9;
    case 2:
      return 5;
    default: {
      char text[256];
      std::snprintf(text, sizeof(text),
                    "trying to ask for adjacency list of level %d for a prism when it's not created", dim);
      throw new mException(__LINE__, "src/mPrism", text);
    }
  }
}

mEntity* mPrism::getTemplate(int i, int dim, int with) const {
  if (dim == 0) return vertexTemplate(i, Tve[i][0], Tve[i][1], Tvf[i][0], Tvf[i][1], Tvf[i][2]);
  if (dim == 1) return edgeTemplate(Tev[i][0], Tev[i][1], Tef[i][0], Tef[i][1]);
  if (dim == 2) {
    const bool tri = Tfv[i][3] == -1;
    const int n = tri ? 3 : 4;
    if (with == 0) {
      mVertex* v[4] = {nullptr, nullptr, nullptr, nullptr};
      for (int k = 0; k < n; ++k) v[k] = static_cast<mVertex*>(getTemplate(Tfv[i][k], 0, 0));
      if (tri) return new mFace(v[0], v[1], v[2], theClassification);
      return new mFace(v[0], v[1], v[2], v[3], theClassification);
    }
    if (with == 1) {
      if (!isAdjacencyCreated(1))
        throw new mException(__LINE__, "src/mPrism", "the edges of this prism are not created");
      const mAdjacencyContainer& e = theAdjacencies[1];
      mEdge* ed[4] = {nullptr, nullptr, nullptr, nullptr};
      for (int k = 0; k < n; ++k) ed[k] = static_cast<mEdge*>(e[Tfe[i][k]]);
      if (tri) return new mFace(ed[0], ed[1], ed[2], theClassification);
      return new mFace(ed[0], ed[1], ed[2], ed[3], theClassification);
    }
    throw new mException(__LINE__, "src/mPrism", "weird adjacency asked");
  }
  return nullptr;
}

void mPrism::print() const {
  int id[6];
  for (int k = 0; k < 6; ++k) {
    const mEntity* v = get(0, k);
    id[k] = v ? v->getId() : 0;
  }
  std::printf("prism %ld with vertices %d %d %d %d %d %d \n", (long)iD, id[0], id[1], id[2], id[3], id[4], id[5]);
}

}  // namespace KORA
