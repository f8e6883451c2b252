// A flat curve of the 2D drawing board that can be attached to an object
// (the extrusion keeps its profile this way).
#pragma once
#include <vector>

struct Point2D {
    float x = 0.f, y = 0.f;
};

struct Shape2D {
    int kind = 0;
    std::vector<Point2D> points;
};
