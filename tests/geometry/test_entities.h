// Small owner of hand-built mesh entities for the geometry tests.
#ifndef DG_TESTS_GEOMETRY_TEST_ENTITIES_H
#define DG_TESTS_GEOMETRY_TEST_ENTITIES_H

#include <array>
#include <initializer_list>
#include <memory>
#include <vector>

#include "mEdge.h"
#include "mFace.h"
#include "mHex.h"
#include "mPrism.h"
#include "mTet.h"
#include "mVertex.h"

namespace geomtest {

using namespace KORA;

class Entities {
 public:
  ~Entities() {
    // Higher entities first: they refer to the vertices.
    for (auto it = others.rbegin(); it != others.rend(); ++it) it->reset();
    verts.clear();
  }
  mVertex *vertex(double x, double y, double z = 0.0) {
    verts.emplace_back(new mVertex(static_cast<int>(verts.size()) + 1, mPoint(x, y, z), nullptr));
    return verts.back().get();
  }
  std::vector<mVertex *> vertices(std::initializer_list<std::array<double, 3>> pts) {
    std::vector<mVertex *> v;
    for (const auto &p : pts) v.push_back(vertex(p[0], p[1], p[2]));
    return v;
  }
  template <class T>
  T *keep(T *e) {
    others.emplace_back(e);
    return e;
  }
  mEdge *edge(mVertex *a, mVertex *b) { return keep(new mEdge(a, b, nullptr)); }
  mFace *tri(const std::vector<mVertex *> &v) { return keep(new mFace(v[0], v[1], v[2], nullptr)); }
  mFace *quad(const std::vector<mVertex *> &v) {
    return keep(new mFace(v[0], v[1], v[2], v[3], nullptr));
  }
  mTet *tet(const std::vector<mVertex *> &v) { return keep(new mTet(v[0], v[1], v[2], v[3], nullptr)); }
  mHex *hex(const std::vector<mVertex *> &v) {
    return keep(new mHex(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], nullptr));
  }
  mPrism *prism(const std::vector<mVertex *> &v) {
    return keep(new mPrism(v[0], v[1], v[2], v[3], v[4], v[5], nullptr));
  }

 private:
  std::vector<std::unique_ptr<mVertex>> verts;
  std::vector<std::unique_ptr<mEntity>> others;
};

}  // namespace geomtest

#endif
