#include "metricField.h"

#include <cmath>
#include <cstdio>
#include <typeinfo>

#include "MT_vector.h"
#include "mAttachableDataContainer.h"
#include "mEntity.h"

using namespace KORA;

namespace {
// The holder of a vertex's metric in the vertex's fast data slot. It does not
// own a metric handed over to it, as the mesh data holder does not: the field
// does.
class metricSlot final : public mAttachableData {
 public:
  metricSlot(const metricField* f, metric* mm) : field(f), m(mm), own(0.0) {}
  // A slot that holds its metric in its own block: the look-up reaches the
  // metric without a further jump through memory.
  metricSlot(const metricField* f, const metric& value) : field(f), m(&own), own(value) {}
  ~metricSlot() override = default;
  bool holdsOwn() const { return m == &own; }
  const metricField* field;
  metric* m;  // &own, or a metric handed over by a caller
  metric own;
};

// The field's slot on the vertex, or null (no slot, or the slot holds
// something else, or another field's metric).
metricSlot* slotOf(mEntity* v, const metricField* f) {
  mAttachableData* d = v->getFastData();
  if (!d || typeid(*d) != typeid(metricSlot)) return nullptr;
  auto* s = static_cast<metricSlot*>(d);
  return s->field == f ? s : nullptr;
}
}  // namespace

metricField::metricField(pMesh m) : mesh(m), metricId(MD_newMeshDataId("pointer_To_Attached_Metric")) {}

metricField::~metricField() {
  VIter it = M_vertexIter(mesh);
  while (pVertex v = VIter_next(it)) deleteMetric(v);
  VIter_delete(it);
  MD_deleteMeshDataId(metricId);
}

// A metric made by the field itself goes into the vertex's own slot block
// when the slot is free or already the field's.
void metricField::setOwn(pVertex v, const metric& value) {
  if (metricSlot* s = slotOf(v, this)) {
    if (!s->holdsOwn()) delete s->m;
    s->own = value;
    s->m = &s->own;
    return;
  }
  void* old = nullptr;
  if (!v->getFastData() && !EN_getDataPtr(v, metricId, &old)) {
    v->attachFastData(new metricSlot(this, value));
    return;
  }
  attachMetric(v, new metric(value));
}

// A metric with a size that is not finite and positive, or a direction that
// is not finite, would poison every length measured with it: it is refused
// and the vertex keeps what it had.
void metricField::setMetric(pVertex v, const double e[3][3], const double h[3]) {
  const metric m(e, h);
  if (m.finite())
    setOwn(v, m);
  else
    std::fprintf(stderr, "Warning: degenerate metric not attached (metricField::%s)\n", "setMetric");
}

void metricField::setSize(pVertex v, double size) {
  const metric m(size);
  if (m.finite())
    setOwn(v, m);
  else
    std::fprintf(stderr, "Warning: degenerate metric not attached (metricField::%s)\n", "setSize");
}

void metricField::attachMetric(pVertex v, metric* m) {
  if (metricSlot* s = slotOf(v, this)) {
    if (s->m != m && !s->holdsOwn()) delete s->m;
    s->m = m;
    return;
  }
  void* old = nullptr;
  if (!v->getFastData() && !EN_getDataPtr(v, metricId, &old)) {
    v->attachFastData(new metricSlot(this, m));
    return;
  }
  if (EN_getDataPtr(v, metricId, &old)) {
    delete static_cast<metric*>(old);
    EN_modifyDataPtr(v, metricId, m);
  } else {
    EN_attachDataPtr(v, metricId, m);
  }
}

void metricField::adoptMetric(pVertex v, metric* m) {
  setOwn(v, *m);
  delete m;
}

metric* metricField::getMetric(pVertex v) const {
  if (metricSlot* s = slotOf(v, this)) return s->m;
  void* p = nullptr;
  if (!EN_getDataPtr(v, metricId, &p)) return nullptr;
  return static_cast<metric*>(p);
}

void metricField::deleteMetric(pVertex v) {
  if (metricSlot* s = slotOf(v, this)) {
    if (!s->holdsOwn()) delete s->m;
    v->deleteFastData();
    return;
  }
  delete detachMetric(v);
}

metric* metricField::detachMetric(pVertex v) {
  if (metricSlot* s = slotOf(v, this)) {
    metric* m = s->holdsOwn() ? new metric(s->own) : s->m;
    v->deleteFastData();
    return m;
  }
  void* p = nullptr;
  if (!EN_getDataPtr(v, metricId, &p)) return nullptr;
  EN_deleteData(v, metricId);
  return static_cast<metric*>(p);
}

void metricField::moveMetric(pVertex from, pVertex to) {
  if (from == to) return;
  metricSlot* s = slotOf(from, this);
  if (s && s->holdsOwn()) {
    void* old = nullptr;
    if (slotOf(to, this) || (!to->getFastData() && !EN_getDataPtr(to, metricId, &old))) {
      deleteMetric(to);
      to->attachFastData(from->releaseFastData());
      return;
    }
  }
  if (metric* m = detachMetric(from)) attachMetric(to, m);
}

void metricField::interpolate(const metric* m1, const metric* m2, double t, metric** out) {
  if (!m1 || !m2) {
    const metric* m = m1 ? m1 : m2;
    *out = m ? new metric(m) : nullptr;
    return;
  }
  double d[3][3];
  for (int i = 0; i < 2; ++i) {
    // Opposite-pointing directions must not cancel.
    const double s = dotProd(m1->e[i], m2->e[i]) > 0.0 ? 1.0 : -1.0;
    for (int j = 0; j < 3; ++j) d[i][j] = t * m2->e[i][j] + s * (1.0 - t) * m1->e[i][j];
  }
  double e[3][3];
  normVt(d[0], e[0]);
  const double p = dotProd(e[0], d[1]);
  for (int j = 0; j < 3; ++j) d[1][j] -= p * e[0][j];
  normVt(d[1], e[1]);
  crossProd(e[0], e[1], e[2]);
  double h[3];
  for (int j = 0; j < 3; ++j) h[j] = t * m2->h[j] + (1.0 - t) * m1->h[j];
  metric* m = new metric(e, h);
  if (!m->finite()) {
    // The blend of the two frames degenerated (their first two directions
    // cross over): keep the frame of the nearer end with the blended sizes.
    delete m;
    m = new metric(t < 0.5 ? m1->e : m2->e, h);
  }
  *out = m;
}

void metricField::centerPoint(const double x0[3], const double x1[3], const metric* m0,
                              const metric* m1, double out[3], metric** outM) {
  double w = 0.5;
  if (m0 && m1) {
    double d[3];
    diffVt(x0, x1, d);
    const double l0 = m0->directionalSize(d), l1 = m1->directionalSize(d);
    const double r = std::pow(l1 / l0, 0.25);
    if (std::isfinite(r)) w = 1.0 / (1.0 + r);
  }
  for (int i = 0; i < 3; ++i) out[i] = (1.0 - w) * x0[i] + w * x1[i];
  interpolate(m0, m1, w, outM);
}

void metricField::centerPoint(pEdge edge, double out[3], metric** outM) const {
  pVertex a = E_vertex(edge, 0), b = E_vertex(edge, 1);
  double xa[3], xb[3];
  V_coord(a, xa);
  V_coord(b, xb);
  centerPoint(xa, xb, getMetric(a), getMetric(b), out, outM);
}

void metricField::centroid(pVertex v[4], double out[3], metric** outM) const {
  double x[4][3];
  for (int i = 0; i < 4; ++i) V_coord(v[i], x[i]);
  double p01[3], p23[3];
  metric *m01 = nullptr, *m23 = nullptr;
  centerPoint(x[0], x[1], getMetric(v[0]), getMetric(v[1]), p01, &m01);
  centerPoint(x[2], x[3], getMetric(v[2]), getMetric(v[3]), p23, &m23);
  centerPoint(p01, p23, m01, m23, out, outM);
  delete m01;
  delete m23;
}
