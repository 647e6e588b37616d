// Unit cube of tetrahedra for the conformal adaptation tests: every corner,
// edge and side is a group of its own (corners 1001-1008, edges 2001-2012,
// sides 1-6), the volume is group 100. Made with: gmsh -3 -format msh1.
SetFactory("OpenCASCADE");
Box(1) = {0, 0, 0, 1, 1, 1};
Mesh.CharacteristicLengthMax = 0.15;
For k In {1:8}
  Physical Point(1000 + k) = {k};
EndFor
For k In {1:12}
  Physical Curve(2000 + k) = {k};
EndFor
For k In {1:6}
  Physical Surface(k) = {k};
EndFor
Physical Volume(100) = {1};
