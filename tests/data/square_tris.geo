lc = 0.25;
Point(1) = {0, 0, 0, lc}; Point(2) = {1, 0, 0, lc}; Point(3) = {1, 1, 0, lc}; Point(4) = {0, 1, 0, lc};
Line(1) = {1, 2}; Line(2) = {2, 3}; Line(3) = {3, 4}; Line(4) = {4, 1};
Curve Loop(1) = {1, 2, 3, 4}; Plane Surface(1) = {1};
Physical Point(1) = {1}; Physical Point(2) = {2}; Physical Point(3) = {3}; Physical Point(4) = {4};
Physical Curve(11) = {1}; Physical Curve(12) = {2}; Physical Curve(13) = {3}; Physical Curve(14) = {4};
Physical Surface(100) = {1};
