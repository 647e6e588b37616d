#ifndef KORA_MVERTEX_H
#define KORA_MVERTEX_H

#include "mEntity.h"
#include "mPoint.h"

namespace KORA {

class mIdGenerator;

// A mesh vertex: a point and a pseudo-random hash key derived from its id.
class mVertex : public mEntity {
  // The store hands the key its probe has just computed to a new vertex of
  // the same id, instead of seeding the generator twice in a row.
  friend class mMesh;

protected:
  mPoint p;
  mutable int key;  // 0..99999999 once computed; KEY_NOT_COMPUTED before

public:
  static const int KEY_NOT_COMPUTED = 100000002;

  mVertex(int id, const mPoint& p, gEntity* g);
  mVertex(mIdGenerator& gen, const mPoint& p, gEntity* g);
  ~mVertex() override;

  // The key: the runtime's generator seeded with the id, one draw, |r| mod 1e8.
  // Computed on first use and kept.
  int getRAND() const;
  // Computes and keeps the key like getRAND, without reseeding the runtime's
  // generator: readers that make many vertices at once use it, then call
  // seedGeneratorAsKeyOf with the last id to leave the generator as the
  // per-vertex computations would have.
  void computeKeyQuietly() const { key = quietKeyOf(iD); }
  static int quietKeyOf(int id);
  bool keyComputed() const { return key != KEY_NOT_COMPUTED; }
  static void seedGeneratorAsKeyOf(int id);
  // Sets the id and recomputes the key for it at once.
  void setId(int id);
  // Gives the id back to the generator and sets it to 0 (key unchanged).
  void deleteId(mIdGenerator& gen);

  mPoint point() const { return p; }
  mPoint* ppoint() { return &p; }
  void move(const mPoint& np) { p = np; }

  int getDim() const { return 0; }
  int getLevel() const override { return 0; }
  mType getType() const override { return VERTEX; }
  void print() const override;
};

// Lexicographic order of vertex positions; coordinates within the tolerance
// of each other count as equal.
class VertexLexicographicLessThan {
public:
  double tolerance;
  explicit VertexLexicographicLessThan(double tol) : tolerance(tol) {}
  bool operator()(mVertex* a, mVertex* b) const;
};

}  // namespace KORA

#endif
