// Particle trackers in a uniform flow: density 2, velocity (0.3, -0.2).
#include "DGSensor.h"
#include "Trackers.h"
#include "probe_fixture.h"

using namespace probetest;

namespace {

ProbeLaw *flowLaw() {
  ProbeLaw *law = new ProbeLaw;
  law->fields = 4;
  law->force = mVector(1.0, 2.0, 7.0);
  return law;
}

Field uniformFlow() {
  return Field(
      [](const mPoint &, double *v) {
        v[0] = 2.0;
        v[1] = 0.6;
        v[2] = -0.4;
        v[3] = 5.0;
      },
      0);
}

const std::string kHeader2d =
    "\n# Tracking the movement of a given particel \n"
    "VARIABLES= \"Time\" \"position 0\" \"position 1\" \"Velocity 0\" \"Velocity 1\" \n";

}  // namespace

TEST(ProbeTracker, MasslessParticleMovesByVelocityTimesStep) {
  TempDir dir;
  Scene scene(square(), 0, uniformFlow(), flowLaw());
  Scene::param().time.dt = 0.1;
  Scene::param().state.t = 0.25;
  MasslessParticleTracker tr(mPoint(0.5, 0.5), "track.dat");
  tr.addPoint(mPoint(4.0, 4.0), 123.0);  // outside the mesh: never moves, never written
  EXPECT_EQ(readFile("track.dat"), kHeader2d);
  scene.analysis.addTracker(&tr);
  testing::internal::CaptureStdout();
  scene.analysis.evalTrackers(0);
  Scene::param().state.t = 0.35;
  scene.analysis.evalTrackers(1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "v[0] = 0.300000, v[1] = -0.200000 \nv[0] = 0.300000, v[1] = -0.200000 \n");
  const std::vector<mPoint> at(tr.positions().begin(), tr.positions().end());
  EXPECT_NEAR(at[0].x(), 0.5 + 2 * 0.1 * 0.3, 1e-14);
  EXPECT_NEAR(at[0].y(), 0.5 - 2 * 0.1 * 0.2, 1e-14);
  EXPECT_EQ(at[1].x(), 4.0);
  EXPECT_EQ(readFile("track.dat"), kHeader2d +
                                       "ZONE T = \"t = 0.250000l \" \n "
                                       "0.250000 0.500000 0.500000 0.300000 -0.200000 \n"
                                       "ZONE T = \"t = 0.350000l \" \n "
                                       "0.350000 0.530000 0.480000 0.300000 -0.200000 \n");
  scene.analysis.trackers.clear();
}

TEST(ProbeTracker, InertialParticleStartsAtRestAndFollowsTheForce) {
  TempDir dir;
  Scene scene(square(), 0, uniformFlow(), flowLaw());
  Scene::param().time.dt = 0.1;
  Scene::param().state.t = 0.0;
  MassParticleTracker tr("mass.dat", 2.0);
  tr.addPoint(mPoint(0.5, 0.5), 0.0);
  // a = F / 2 = (0.5, 1, 0) in two dimensions (the z force is dropped).
  tr.eval(&scene.analysis, 2, 0, 0.0);
  Scene::param().state.t = 0.1;
  tr.eval(&scene.analysis, 2, 1, 0.1);
  const mPoint x = tr.positions().front();
  const mVector v = tr.velocities().front();
  // Verlet from rest: x1 = x0 + dt^2 a, x2 = 2 x1 - x0 + dt^2 a = x0 + 3 dt^2 a.
  EXPECT_NEAR(x.x(), 0.5 + 3 * 0.01 * 0.5, 1e-14);
  EXPECT_NEAR(x.y(), 0.5 + 3 * 0.01 * 1.0, 1e-14);
  EXPECT_EQ(x.z(), 0.0);
  EXPECT_NEAR(v[0], 2 * 0.1 * 0.5, 1e-14);
  EXPECT_NEAR(v[1], 2 * 0.1 * 1.0, 1e-14);
  EXPECT_EQ(v[2], 0.0);
  EXPECT_EQ(readFile("mass.dat"), kHeader2d +
                                      "ZONE T = \"t = 0.000000l \" \n "
                                      "0.000000 0.500000 0.500000 0.000000 0.000000 \n"
                                      "ZONE T = \"t = 0.100000l \" \n "
                                      "0.100000 0.505000 0.510000 0.050000 0.100000 \n");
}

TEST(ProbeTracker, EmptyTrackerWritesZoneLinesAndAMissingFileIsReported) {
  TempDir dir;
  Scene scene(square(), 0, uniformFlow(), flowLaw());
  Scene::param().state.t = 0.5;
  MasslessParticleTracker empty("empty.dat");
  empty.eval(&scene.analysis, 2, 0, 0.5);
  empty.eval(&scene.analysis, 2, 1, 0.5);
  EXPECT_EQ(readFile("empty.dat"),
            kHeader2d + "ZONE T = \"t = 0.500000l \" \n ZONE T = \"t = 0.500000l \" \n ");

  try {
    reportOutputFailures();  // nothing left over from elsewhere
  } catch (const std::string &) {
  }
  testing::internal::CaptureStderr();
  MasslessParticleTracker lost(mPoint(0.5, 0.5), "no-such-dir/track.dat");
  EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("Open file failed \n", 0), 0u);
  // The particle still moves when the file cannot be opened.
  Scene::param().time.dt = 1.0;
  testing::internal::CaptureStdout();
  lost.eval(&scene.analysis, 2, 0, 0.5);
  testing::internal::GetCapturedStdout();
  EXPECT_NEAR(lost.positions().front().x(), 0.8, 1e-14);
  // The file that could not be opened is reported once, at the sensors' turn.
  try {
    reportOutputFailures();
    ADD_FAILURE() << "the lost file was not reported";
  } catch (const std::string &e) {
    EXPECT_NE(e.find("no-such-dir/track.dat"), std::string::npos) << e;
  }
  EXPECT_NO_THROW(reportOutputFailures());
}
