// Unit cube in NX x NY x NZ transfinite cells (N along every axis unless
// given): hexahedra when Hex is 1, tetrahedra (each cube split into six by
// Gmsh) when Hex is 0. Every boundary face carries the tag 11, the volume
// the tag 1.
DefineConstant[ N = 2, Hex = 1 ];
DefineConstant[ NX = N, NY = N, NZ = N ];
Point(1) = {0, 0, 0, 1};
Point(2) = {1, 0, 0, 1};
Point(3) = {1, 1, 0, 1};
Point(4) = {0, 1, 0, 1};
Line(1) = {1, 2};
Line(2) = {2, 3};
Line(3) = {3, 4};
Line(4) = {4, 1};
Line Loop(5) = {1, 2, 3, 4};
Plane Surface(6) = {5};
Transfinite Line{1, 3} = NX + 1;
Transfinite Line{2, 4} = NY + 1;
Transfinite Surface{6};
If (Hex)
  Recombine Surface{6};
  out[] = Extrude {0, 0, 1} { Surface{6}; Layers{NZ}; Recombine; };
Else
  out[] = Extrude {0, 0, 1} { Surface{6}; Layers{NZ}; };
EndIf
Physical Surface(11) = {6, out[0], out[2], out[3], out[4], out[5]};
Physical Volume(1) = {out[1]};
