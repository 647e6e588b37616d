#include "SensorKinds.h"

#include "DGSensor.h"
#include "IntegrationSensor.h"
#include "LineSensors.h"
#include "NormSensor.h"
#include "PointSensors.h"
#include "TecplotSensor.h"

using KORA::mPoint;

DGSensor *makeLineSensor(const char *fileName, const mPoint &p1, const mPoint &p2, int nbPoints,
                         double period) {
  return new DGLineSensor(fileName, p1, p2, nbPoints, period);
}

DGSensor *makeLineSensorTecplot(const char *fileName, const mPoint &p1, const mPoint &p2,
                                int nbPoints, double period, const char *title) {
  return new DGLineSensorTecplot(fileName, p1, p2, nbPoints, period, title);
}

DGSensor *makeQuadrangleSensorTecplot(const char *fileName, const mPoint &p1, const mPoint &p2,
                                      const mPoint &p3, const mPoint &p4, int n1, int n2,
                                      double period, const char *title) {
  return new DGQuadrangleSensorTecplot(fileName, p1, p2, p3, p4, n1, n2, period, title);
}

DGSensor *makeNormSensor(const char *fileName, int normType, double period, int field) {
  return new DGNormSensor(fileName, static_cast<DGNormSensor::Type>(normType), period, field);
}

DGSensor *makeTecplotMesh(const char *fileName, double period) {
  return new DGTecplotmesh(fileName, period);
}

DGSensor *makeIntegrationSensor(const char *fileName, double period, const char *meshFileName) {
  return new DGIntegrationSensor(fileName, period, meshFileName);
}
