#include "mHex.h"

#include <cstdio>

#include "mEdge.h"
#include "mException.h"
#include "mFace.h"
#include "mVertex.h"

namespace KORA {

const int mHex::Tev[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {0, 4}, {1, 5},
                              {2, 6}, {3, 7}, {4, 5}, {5, 6}, {6, 7}, {7, 4}};
const int mHex::Tef[12][2] = {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {1, 4}, {1, 2},
                              {2, 3}, {3, 4}, {1, 5}, {2, 5}, {3, 5}, {4, 5}};
const int mHex::Tfv[6][4] = {{0, 3, 2, 1}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}, {4, 5, 6, 7}};
const int mHex::Tfe[6][4] = {{3, 2, 1, 0}, {0, 5, 8, 4}, {1, 6, 9, 5}, {2, 7, 10, 6}, {3, 4, 11, 7}, {8, 9, 10, 11}};
const int mHex::Tve[8][2] = {{0, 3}, {0, 1}, {1, 2}, {2, 3}, {4, 8}, {5, 9}, {6, 10}, {7, 11}};
const int mHex::Tvf[8][3] = {{0, 1, 4}, {0, 1, 2}, {0, 2, 3}, {0, 3, 4},
                             {1, 4, 5}, {1, 2, 5}, {2, 3, 5}, {3, 4, 5}};

mHex::mHex(mVertex* v1, mVertex* v2, mVertex* v3, mVertex* v4, mVertex* v5, mVertex* v6, mVertex* v7,
           mVertex* v8, gEntity* g)
    : mRegion() {
  mVertex* v[8] = {v1, v2, v3, v4, v5, v6, v7, v8};
  mAdjacencyContainer& l = createAdjacency(0, 8);
  iD = 0;
  for (int k = 0; k < 8; ++k) {
    l.add(v[k]);
    iD += v[k]->getRAND();
  }
  theClassification = g;
}

mHex::mHex() : mRegion() {}

mHex::~mHex() {}

int mHex::getNbTemplates(int dim) const {
  switch (dim) {
    case 0:
      return 8;
    case 1:
      return 12;
    case 2:
      return 6;
    default: {
      char text[256];
      std::snprintf(text, sizeof(text),
                    "trying to ask for adjacency list of level %d for an hex when it's not created", dim);
      throw new mException(__LINE__, "src/mHex", text);
    }
  }
}

mEntity* mHex::getTemplate(int i, int dim, int with) const {
  if (dim == 0) return vertexTemplate(i, Tve[i][0], Tve[i][1], Tvf[i][0], Tvf[i][1], Tvf[i][2]);
  if (dim == 1) return edgeTemplate(Tev[i][0], Tev[i][1], Tef[i][0], Tef[i][1]);
  if (dim == 2) {
    if (with == 0) {
      mVertex* v[4];
      for (int k = 0; k < 4; ++k) v[k] = static_cast<mVertex*>(getTemplate(Tfv[i][k], 0, 0));
      return new mFace(v[0], v[1], v[2], v[3], theClassification);
    }
    if (with == 1) {
      if (!isAdjacencyCreated(1))
        throw new mException(__LINE__, "src/mHex", "the edges of this hex are not created");
      const mAdjacencyContainer& e = theAdjacencies[1];
      return new mFace(static_cast<mEdge*>(e[Tfe[i][0]]), static_cast<mEdge*>(e[Tfe[i][1]]),
                       static_cast<mEdge*>(e[Tfe[i][2]]), static_cast<mEdge*>(e[Tfe[i][3]]), theClassification);
    }
    throw new mException(__LINE__, "src/mHex", "weird adjacency asked");
  }
  return nullptr;
}

void mHex::print() const {
  int id[8];
  for (int k = 0; k < 8; ++k) {
    const mEntity* v = get(0, k);
    id[k] = v ? v->getId() : 0;
  }
  std::printf("hex %ld with vertices %d %d %d %d %d %d %d %d\n", (long)iD, id[0], id[1], id[2], id[3], id[4], id[5],
              id[6], id[7]);
}

}  // namespace KORA
