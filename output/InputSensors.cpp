#include "InputSensors.h"

#include "DGAnalysis.h"
#include "DGGmshSensor.h"
#include "EnsightSensor.h"
#include "GlobalParamManager.h"
#include "LineSensors.h"
#include "Parser.h"
#include "PointSensors.h"

bool createInputSensor(const SensorRequest &r) {
  DGAnalysis *analysis = GlobalParamManager::Instance()->analysis;
  if (!analysis) return false;
  const char *name = r.name.c_str();
  DGSensor *sensor = nullptr;
  if (r.type == "Gmsh") {
    sensor = new DGGmshSensor(name, r.sampleRate, true);
  } else if (r.type == "Ensight") {
    const char *fields[1] = {r.quantity.c_str()};
    sensor = new DGEnsightSensor(name, fields, 1, r.sampleRate, 50, 50, 5);
  } else if (r.type == "Line" && r.numPoint >= 2) {
    sensor = new DGLineSensor(name, r.points[0], r.points[1], r.nbSamples, r.sampleRate);
  } else if (r.type == "Point" && r.numPoint >= 1) {
    sensor = new DGPointSensor(name, r.points[0], r.sampleRate);
  }
  if (!sensor) return false;
  sensor->setFunct(r.quantity.c_str());
  // The analysis holds the sensor for the rest of the process.
  analysis->addSensor(sensor);
  return true;
}

void installInputSensors() { Input_CreateSensor = &createInputSensor; }
