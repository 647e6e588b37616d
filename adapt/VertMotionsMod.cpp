#include "VertMotionsMod.h"

#include <iostream>

#include "AdaptUtil.h"
#include "MT_mark.h"

using namespace KORA;

VertMotionsMod::VertMotionsMod(pMesh m, metricField* f) : LocMeshMod(m, f, nullptr, nullptr, nullptr) {}

VertMotionsMod::VertMotionsMod(pMesh m, metricField* f, int n, pEntity* vs, double (*ts)[3])
    : LocMeshMod(m, f, nullptr, nullptr, nullptr) {
  for (int i = 0; i < n; ++i) insert(vs[i], ts[i]);
}

VertMotionsMod::VertMotionsMod(pMesh m, metricField* f, pEntity v1, pEntity v2, double* t1, double* t2)
    : LocMeshMod(m, f, nullptr, nullptr, nullptr) {
  insert(v1, t1);
  insert(v2, t2);
}

VertMotionsMod::VertMotionsMod(const VertMotionsMod& other) : LocMeshMod(other) {
  shpMeasure = nullptr;
  sizMeasure = nullptr;
  results = nullptr;
  count = other.count;
  for (int i = 0; i < count; ++i) {
    vertices[i] = other.vertices[i];
    for (int k = 0; k < 3; ++k) targets[i][k] = other.targets[i][k];
  }
}

void VertMotionsMod::insert(pEntity v, const double* target) {
  if (count == maxMotions) {
    std::cerr << "VertMotionMod::insert - number of vertices to be moved exceeds 4" << std::endl;
    return;
  }
  vertices[count] = v;
  for (int k = 0; k < 3; ++k) targets[count][k] = target[k];
  ++count;
}

int VertMotionsMod::inList(pEntity v) const {
  for (int i = 0; i < count; ++i)
    if (vertices[i] == v) return 1;
  return 0;
}

pEntity VertMotionsMod::vertex(int i) const { return i >= 0 && i < count ? vertices[i] : nullptr; }

int VertMotionsMod::apply() {
  for (int i = 0; i < count; ++i) {
    pVertex v = vertices[i];
    if (!EN_okTo(3, v)) continue;
    switch (V_whatInType(v)) {
      case 2:
        // The position on a model face follows its parameters, which the mesh
        // interface cannot store: the vertex stays where it is.
        try {
          P_setParam2(V_point(v), targets[i][0], targets[i][1], static_cast<int>(targets[i][2]));
        } catch (...) {
          std::cerr << "VertMotionsMod::apply - the parameters of a vertex on a model face cannot be set"
                    << std::endl;
        }
        break;
      case 3:
        AdaptUtil::move_vertex(v, targets[i]);
        break;
      default:
        std::cerr << "moving vertex classified on model vertex and model edge is not permitted" << std::endl;
        break;
    }
  }
  return 1;
}
