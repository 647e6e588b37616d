// The metric tensor and the metric field: sorting construction, transforms,
// interpolation, metric mid-points and ownership of attached metrics.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "adapt_fixtures.h"
#include "mAttachableDataContainer.h"
#include "mEntity.h"
#include "metricField.h"

using namespace adapttest;

namespace {

struct SortCase {
  double dirs[3][3];
  double h[3];
  double sorted[3];
  double e[3][3];
};

TEST(Metric, SortingConstructionOrdersSizesAndBuildsRightHandedFrame) {
  const SortCase cases[] = {
      {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {3, 1, 2}, {1, 2, 3}, {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}}},
      // Tie of the two larger sizes: the middle direction is at (k + 2) mod 3.
      {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {1, 1, 1}, {1, 1, 1}, {{1, 0, 0}, {0, 0, 1}, {0, -1, 0}}},
      {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {2, 1, 1}, {1, 1, 2}, {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}}},
      // Neither unit nor orthogonal: one Gram-Schmidt step.
      {{{1, 0, 0}, {1, 1, 0}, {0, 0, 1}}, {1, 2, 3}, {1, 2, 3}, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
      {{{2, 0, 0}, {0, 0, 5}, {0, 7, 0}}, {4, 0.5, 9}, {0.5, 4, 9}, {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}},
  };
  for (const SortCase& c : cases) {
    const metric m(c.dirs, c.h);
    expectVec(m.h, c.sorted[0], c.sorted[1], c.sorted[2]);
    for (int i = 0; i < 3; ++i) expectVec(m.e[i], c.e[i][0], c.e[i][1], c.e[i][2]);
  }
}

TEST(Metric, TransformDirectionalSizeAndAspectRatio) {
  const double h[3] = {1, 2, 3};
  const metric m(identity, h);
  const double y4[3] = {0, 4, 0}, y3[3] = {0, 3, 0}, x1[3] = {1, 0, 0};
  double t[3];
  m.transform(y4, t);
  expectVec(t, 0, 2, 0);
  EXPECT_DOUBLE_EQ(m.directionalSize(y3), 4.0);  // squared size along e[1]
  EXPECT_DOUBLE_EQ(m.directionalSize(x1), 1.0);
  const metric iso(2.0);
  const double any[3] = {0.3, -1.7, 2.2};
  EXPECT_NEAR(iso.directionalSize(any), 4.0, 1e-14);

  const double h2[3] = {1, 2, 4};
  const metric a(identity, h2);
  EXPECT_DOUBLE_EQ(a.aspectRatio(3), 4.0);
  EXPECT_DOUBLE_EQ(a.aspectRatio(2), 2.0);

  metric s(&a);
  s.scale(0.5);
  expectVec(s.h, 0.5, 1, 2);
  s.scale(2, 3.0);  // one size alone, no re-sorting
  expectVec(s.h, 0.5, 1, 6);
}

TEST(MetricField, InterpolationBlendsSizesAndNeverCancelsDirections) {
  const metric m1(1.0), m3(3.0);
  metric* out = nullptr;
  metricField::interpolate(&m1, &m3, 0.5, &out);
  ASSERT_NE(out, nullptr);
  expectVec(out->h, 2, 2, 2);
  delete out;

  const double h[3] = {1, 2, 3};
  const metric a(identity, h);
  metricField::interpolate(&a, &m3, 0.0, &out);
  expectVec(out->h, 1, 2, 3);
  delete out;

  // The same lines pointing the other way: the blend takes m2's directions.
  const double flipped[3][3] = {{-1, 0, 0}, {0, -1, 0}, {0, 0, 1}};
  const metric b(flipped, h);
  metricField::interpolate(&a, &b, 0.5, &out);
  ASSERT_TRUE(out->finite());
  expectVec(out->e[0], -1, 0, 0);
  expectVec(out->e[1], 0, -1, 0);
  delete out;

  // Frames whose first two directions swap blend to parallel vectors: the
  // result must still be a proper metric.
  const double swapped[3][3] = {{0, 1, 0}, {1, 0, 0}, {0, 0, 1}};
  const metric c(swapped, h);
  metricField::interpolate(&a, &c, 0.5, &out);
  EXPECT_TRUE(out->finite());
  expectVec(out->h, 1, 2, 3);
  delete out;

  // A missing metric: the other one is used; none gives none.
  metricField::interpolate(nullptr, &m3, 0.25, &out);
  ASSERT_NE(out, nullptr);
  expectVec(out->h, 3, 3, 3);
  delete out;
  metricField::interpolate(nullptr, nullptr, 0.25, &out);
  EXPECT_EQ(out, nullptr);
}

TEST(MetricField, CenterPointLiesNearerTheSmallerSize) {
  const double x0[3] = {0, 0, 0}, x1[3] = {3, 0, 0};
  const metric m0(1.0), m1(4.0);
  double p[3];
  metric* m = nullptr;
  metricField::centerPoint(x0, x1, &m0, &m1, p, &m);
  expectVec(p, 1, 0, 0);
  ASSERT_NE(m, nullptr);
  expectVec(m->h, 2, 2, 2);
  delete m;

  // With one metric missing: the midpoint and the metric that is there.
  metricField::centerPoint(x0, x1, &m0, nullptr, p, &m);
  expectVec(p, 1.5, 0, 0);
  ASSERT_NE(m, nullptr);
  expectVec(m->h, 1, 1, 1);
  delete m;
}

TEST(MetricField, OwnsAttachedMetricsAndIsUnique) {
  MeshHolder mh;
  pVertex v[4] = {mh.vertex(0, 0, 0), mh.vertex(2, 0, 0), mh.vertex(0, 4, 0), mh.vertex(0, 0, 6)};
  {
    metricField field(mh.m);
    EXPECT_THROW({ metricField second(mh.m); }, int);
    try {
      metricField second(mh.m);
    } catch (int code) {
      EXPECT_EQ(code, 1);
    }
    EXPECT_EQ(field.getMetric(v[0]), nullptr);
    field.deleteMetric(v[0]);  // nothing attached: nothing happens
    const double h1[3] = {5, 5, 5}, h2[3] = {2, 3, 1};
    field.setMetric(v[0], identity, h1);
    field.setMetric(v[0], identity, h2);  // replaces (and frees) the first
    ASSERT_NE(field.getMetric(v[0]), nullptr);
    expectVec(field.getMetric(v[0])->h, 1, 2, 3);
    for (int i = 1; i < 4; ++i) field.setSize(v[i], 0.5);
    field.setSize(v[0], 0.5);

    // One common isotropic metric: the centroid is the mean of the points.
    double c[3];
    metric* m = nullptr;
    field.centroid(v, c, &m);
    expectVec(c, 0.5, 1, 1.5);
    ASSERT_NE(m, nullptr);
    expectVec(m->h, 0.5, 0.5, 0.5);
    delete m;
    field.deleteMetric(v[3]);
    EXPECT_EQ(field.getMetric(v[3]), nullptr);

    // Degenerate prescriptions are refused and reported; the old metric stays.
    const double zeroDirs[3][3] = {{0, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const double bad[][3] = {{1, 0, 2}, {1, -2, 3}, {1, NAN, 2}, {1, INFINITY, 2}};
    testing::internal::CaptureStderr();
    field.setMetric(v[1], zeroDirs, h2);
    for (const auto& h : bad) field.setMetric(v[1], identity, h);
    field.setSize(v[2], 0.0);
    field.setSize(v[3], NAN);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("degenerate metric"), std::string::npos);
    expectVec(field.getMetric(v[1])->h, 0.5, 0.5, 0.5);
    expectVec(field.getMetric(v[2])->h, 0.5, 0.5, 0.5);
    EXPECT_EQ(field.getMetric(v[3]), nullptr);
  }
  // The name was released: a new field can be made.
  metricField again(mh.m);
  EXPECT_EQ(again.getMetric(v[0]), nullptr);
}

// A vertex's metric lives in its fast data slot when that is free, else as
// mesh data: either way set, replace, detach and the field's end behave alike,
// and whatever else holds the slot is left as it was.
TEST(MetricField, MetricsBehaveAlikeWhereverTheVertexHoldsThem) {
  MeshHolder mh;
  pVertex freeSlot = mh.vertex(0, 0, 0), takenSlot = mh.vertex(1, 0, 0);
  auto* other = new KORA::mAttachableInt;
  other->i = 7;
  takenSlot->attachFastData(other);
  {
    metricField field(mh.m);
    for (pVertex v : {freeSlot, takenSlot}) {
      SCOPED_TRACE(v == freeSlot ? "free slot" : "taken slot");
      EXPECT_EQ(field.getMetric(v), nullptr);
      EXPECT_EQ(field.detachMetric(v), nullptr);
      field.setSize(v, 2.0);
      field.setSize(v, 0.5);  // replaces (and frees) the first
      ASSERT_NE(field.getMetric(v), nullptr);
      expectVec(field.getMetric(v)->h, 0.5, 0.5, 0.5);
      metric* m = field.detachMetric(v);
      ASSERT_NE(m, nullptr);
      EXPECT_EQ(field.getMetric(v), nullptr);
      // Handed over to the other vertex and back, as a collapse moves it.
      field.attachMetric(v == freeSlot ? takenSlot : freeSlot, m);
      EXPECT_EQ(field.getMetric(v == freeSlot ? takenSlot : freeSlot), m);
      field.attachMetric(v, field.detachMetric(v == freeSlot ? takenSlot : freeSlot));
      EXPECT_EQ(field.getMetric(v), m);
    }
    EXPECT_EQ(takenSlot->getFastData(), other);
  }
  // The field's end frees its metrics and the slots it took.
  EXPECT_EQ(freeSlot->getFastData(), nullptr);
  EXPECT_EQ(takenSlot->getFastData(), other);
  EXPECT_EQ(other->i, 7);
  metricField again(mh.m);
  EXPECT_EQ(again.getMetric(freeSlot), nullptr);
  EXPECT_EQ(again.getMetric(takenSlot), nullptr);
}

}  // namespace
