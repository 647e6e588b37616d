// Front half of a cylinder of radius 1 (centre at the origin) in a Mach 3
// flow coming from the left: the gas between the cylinder's front (x <= 0)
// and an elliptic inflow boundary that lies upstream of the bow shock
// everywhere, cut off by the outflow line x = 0 above and below the body.
// Triangles; the mesh of the example is made with
//   gmsh -2 -format msh1 bow-shock.geo -o bow-shock.msh
// Boundary groups: 1 the cylinder (a wall), 2 the inflow ellipse, 3 the two
// outflow segments; every corner is a group of its own (101 to 104), so that
// the remeshing keeps the corners where the boundary turns. The gas is 10.

R = 1;        // cylinder radius
a = 2.6;      // ellipse half-axis upstream of the body (x)
b = 4.5;      // ellipse half-axis across the flow (y)
h = 0.2;      // element size of the initial mesh
hw = 0.1;     // element size along the cylinder

Point(1) = {0, 0, 0, hw};       // centre of both arcs
Point(2) = {0, -R, 0, hw};
Point(3) = {-R, 0, 0, hw};
Point(4) = {0, R, 0, hw};
Point(5) = {0, b, 0, h};
Point(6) = {-a, 0, 0, h};
Point(7) = {0, -b, 0, h};

Circle(1) = {2, 1, 3};          // the cylinder's front, bottom to top
Circle(2) = {3, 1, 4};
Line(3) = {4, 5};               // outflow, top
Ellipse(4) = {5, 1, 5, 6};      // inflow, top to bottom
Ellipse(5) = {6, 1, 5, 7};
Line(6) = {7, 2};               // outflow, bottom

Curve Loop(1) = {1, 2, 3, 4, 5, 6};
Plane Surface(1) = {1};

Physical Curve(1) = {1, 2};
Physical Curve(2) = {4, 5};
Physical Curve(3) = {3, 6};
Physical Point(101) = {2};
Physical Point(102) = {4};
Physical Point(103) = {5};
Physical Point(104) = {7};
Physical Surface(10) = {1};
