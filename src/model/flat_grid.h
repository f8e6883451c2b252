// The flat grid of quads in the plane y = 0 that the "Mesh" commands add.
#pragma once

class OBJECT3D;

// Replaces the object's points and faces by an n x p grid (n along x with
// spacing ax, p along z with spacing az): n*p points row by row, (n-1)(p-1)
// quads closed by -1, wound (m, m+1, m+1+n, m+n) for orientation 1 and the
// other way otherwise. Normals and texture arrays are dropped; the object
// is marked for recompilation. 0 (object unchanged) when n or p is below 1
// or the grid would be absurdly large.
int make_flat_grid(OBJECT3D& o, float ax, float az, int n, int p, int orientation);
