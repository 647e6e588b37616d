// Unit square of triangles for the conformal adaptation tests: every corner
// and side is a group of its own (corners 1001-1004, sides 1-4), the surface
// is group 100. Made with: gmsh -2 -format msh1.
SetFactory("OpenCASCADE");
Rectangle(1) = {0, 0, 0, 1, 1};
Mesh.CharacteristicLengthMax = 0.05;
For k In {1:4}
  Physical Point(1000 + k) = {k};
  Physical Curve(k) = {k};
EndFor
Physical Surface(100) = {1};
