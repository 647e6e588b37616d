#ifndef KORA_MTET_H
#define KORA_MTET_H

#include "mRegion.h"

namespace KORA {

class mVertex;
class mFace;
class mTet;

// Signed volume ((p1-p0) x (p2-p0)) . (p3-p0) / 6.
double Volume(mTet* t);

// Tetrahedron, stored positively oriented.
class mTet : public mRegion {
public:
  // Local numbering: vertices of edge i, faces of edge i, vertices and edges
  // of face i (in the order given to the new face), two edges and three faces
  // at vertex i.
  static const int Tev[6][2];
  static const int Tef[6][2];
  static const int Tfv[4][3];
  static const int Tfe[4][3];
  static const int Tve[4][2];
  static const int Tvf[4][3];

  mTet(mVertex* v1, mVertex* v2, mVertex* v3, mVertex* v4, gEntity* g);
  mTet(mFace* f1, mFace* f2, mFace* f3, mFace* f4, gEntity* g);
  mTet();
  ~mTet() override;

  int getNbTemplates(int dim) const override;
  mEntity* getTemplate(int i, int dim, int with) const override;
  mType getType() const override { return TET; }
  void print() const override;
  int getDim() const { return 3; }
  double shapeMeasure() const { return 0.0; }
};

}  // namespace KORA

#endif
