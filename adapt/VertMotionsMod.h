// Moves a few vertices (at most six) to their targets in one step. The
// caller judges the motion beforehand: the operator checks nothing and
// reports nothing to the change callback. A target is a position for a
// vertex inside the domain, and (u, v, patch) for a vertex on a model face.
#ifndef DG_ADAPT_VERTMOTIONSMOD_H
#define DG_ADAPT_VERTMOTIONSMOD_H

#include "LocMeshMod.h"

class VertMotionsMod : public LocMeshMod {
 public:
  static constexpr int maxMotions = 6;

  VertMotionsMod(KORA::pMesh m, metricField* f);
  VertMotionsMod(KORA::pMesh m, metricField* f, int n, KORA::pEntity* vertices, double (*targets)[3]);
  VertMotionsMod(KORA::pMesh m, metricField* f, KORA::pEntity v1, KORA::pEntity v2, double* t1, double* t2);
  // Copies the flags, limits, callback and motions; not the measures nor the results.
  VertMotionsMod(const VertMotionsMod& other);
  VertMotionsMod& operator=(const VertMotionsMod&) = delete;

  // Appends a motion; beyond six it says so on standard error and keeps nothing.
  void insert(KORA::pEntity vertex, const double* target);
  int inList(KORA::pEntity vertex) const;
  // The i-th vertex, null when i is not below the number of motions.
  KORA::pEntity vertex(int i) const;
  int numMotions() const { return count; }

  int topoCheck() override { return 0; }
  int geomCheck() override { return 0; }
  int sizeCheck() override { return 0; }
  void getAffectedRgns(KORA::pPList*) override {}
  // Moves every vertex whose motion is allowed; 1.
  int apply() override;
  int apply(KORA::pPList*) override { return 0; }
  KORA::modType type() override { return KORA::VERTEXMOTION; }

 private:
  KORA::pEntity vertices[maxMotions] = {};
  int count = 0;
  double targets[maxMotions][3] = {};
};

#endif
