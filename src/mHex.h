#ifndef KORA_MHEX_H
#define KORA_MHEX_H

#include "mRegion.h"

namespace KORA {

class mVertex;

// Hexahedron: vertices 0..3 one quadrilateral, 4..7 the opposite one,
// vertex k+4 joined to vertex k.
class mHex : public mRegion {
public:
  static const int Tev[12][2];
  static const int Tef[12][2];
  static const int Tfv[6][4];
  static const int Tfe[6][4];
  static const int Tve[8][2];
  static const int Tvf[8][3];

  mHex(mVertex* v1, mVertex* v2, mVertex* v3, mVertex* v4, mVertex* v5, mVertex* v6, mVertex* v7,
       mVertex* v8, gEntity* g);
  mHex();
  ~mHex() override;

  int getNbTemplates(int dim) const override;
  mEntity* getTemplate(int i, int dim, int with) const override;
  mType getType() const override { return HEX; }
  void print() const override;
  int getDim() const { return 3; }
};

}  // namespace KORA

#endif
