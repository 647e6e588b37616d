// The unit square whose sides are physical lines but whose corners are not
// physical points.
lc = 0.1;
Point(1) = {0,0,0,lc}; Point(2) = {1,0,0,lc}; Point(3) = {1,1,0,lc}; Point(4) = {0,1,0,lc};
Line(1) = {1,2}; Line(2) = {2,3}; Line(3) = {3,4}; Line(4) = {4,1};
Line Loop(5) = {1,2,3,4}; Plane Surface(6) = {5};
Physical Line(1000) = {1}; Physical Line(2000) = {2}; Physical Line(3000) = {3}; Physical Line(4000) = {4};
Physical Surface(1) = {6};
