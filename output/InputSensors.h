#ifndef DG_INPUTSENSORS_H
#define DG_INPUTSENSORS_H

// Sensors asked for by the "Sensor" blocks of the input language. The parser
// calls them through its hook Input_CreateSensor, which this library sets
// when it is loaded (installInputSensors sets it again explicitly).

struct SensorRequest;

// Creates the sensor of a checked block, binds it to the block's quantity
// and adds it to the analysis of the global context: "Gmsh" a DGGmshSensor
// with every field enabled, "Ensight" a DGEnsightSensor of the one quantity
// (files numbered from 50 by 50 on 5 digits), "Line" a DGLineSensor between
// the two points, "Point" a DGPointSensor. False for any other kind and for a
// context without analysis.
bool createInputSensor(const SensorRequest &request);
// Points the parser's hook at createInputSensor.
void installInputSensors();

#endif
