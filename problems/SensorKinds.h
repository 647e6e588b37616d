#ifndef DG_SENSORKINDS_H
#define DG_SENSORKINDS_H

// Construction of the sensor kinds that the problem set-ups add, one
// function per kind. Each returns a new sensor, owned by whoever adds it to
// the analysis; the set-ups skip a null result.

#include "mPoint.h"

class DGSensor;

// Column file of the fields at nbPoints equidistant points of p1-p2.
DGSensor *makeLineSensor(const char *fileName, const KORA::mPoint &p1, const KORA::mPoint &p2,
                         int nbPoints, double period);
// The same samples as Tecplot zones under a title.
DGSensor *makeLineSensorTecplot(const char *fileName, const KORA::mPoint &p1,
                                const KORA::mPoint &p2, int nbPoints, double period,
                                const char *title);
// A Tecplot zone of an n1 x n2 grid over the quadrangle p1 p2 p3 p4.
DGSensor *makeQuadrangleSensorTecplot(const char *fileName, const KORA::mPoint &p1,
                                      const KORA::mPoint &p2, const KORA::mPoint &p3,
                                      const KORA::mPoint &p4, int n1, int n2, double period,
                                      const char *title);
// Norm of one field of interest over the mesh: normType 0 L1, 1 L2,
// 2 maximum of the absolute value, 3 three values.
DGSensor *makeNormSensor(const char *fileName, int normType, double period, int field);
// Tecplot file of the solution on the mesh.
DGSensor *makeTecplotMesh(const char *fileName, double period);
// Integrals of the solution over the elements of a second mesh.
DGSensor *makeIntegrationSensor(const char *fileName, double period, const char *meshFileName);

#endif
