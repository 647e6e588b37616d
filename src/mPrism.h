#ifndef KORA_MPRISM_H
#define KORA_MPRISM_H

#include "mRegion.h"

namespace KORA {

class mVertex;

// Prism: vertices 0..2 one triangle, 3..5 the opposite one, vertex k+3
// joined to vertex k. A fourth entry -1 in Tfv/Tfe marks a triangular face.
class mPrism : public mRegion {
public:
  static const int Tev[9][2];
  static const int Tef[9][2];
  static const int Tfv[5][4];
  static const int Tfe[5][4];
  static const int Tve[6][2];
  static const int Tvf[6][3];

  mPrism(mVertex* v1, mVertex* v2, mVertex* v3, mVertex* v4, mVertex* v5, mVertex* v6, gEntity* g);
  mPrism();
  ~mPrism() override;

  int getNbTemplates(int dim) const override;
  mEntity* getTemplate(int i, int dim, int with) const override;
  mType getType() const override { return PRISM; }
  void print() const override;
  int getDim() const { return 3; }
};

}  // namespace KORA

#endif
