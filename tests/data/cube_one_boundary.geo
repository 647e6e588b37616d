// The unit cube whose whole boundary is one physical surface: corners and
// ridges are not model entities of their own.
SetFactory("OpenCASCADE");
Box(1) = {0,0,0,1,1,1};
Mesh.CharacteristicLengthMax = 0.3;
Physical Surface(1) = {1,2,3,4,5,6};
Physical Volume(2) = {1};
