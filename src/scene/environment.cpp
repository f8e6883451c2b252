#include "scene/environment.h"

#include <algorithm>
#include <cmath>

namespace {
// Colour along a list of (angle, colour) stops; past the last stop the last
// colour holds.
Vec3 along(const std::vector<Vec3>& colours, const std::vector<float>& angles, double a)
{
    if (colours.empty()) return Vec3();
    double prev_angle = 0.0;
    for (size_t i = 1; i < colours.size(); ++i) {
        if (i - 1 >= angles.size()) break;
        double next_angle = angles[i - 1];
        if (a <= next_angle) {
            double span = next_angle - prev_angle;
            float t = span > 0 ? (float)((a - prev_angle) / span) : 1.f;
            t = std::clamp(t, 0.f, 1.f);
            return colours[i - 1] * (1.f - t) + colours[i] * t;
        }
        prev_angle = next_angle;
    }
    size_t last = std::min(colours.size(), angles.size() + 1) - 1;
    return colours[last];
}
} // namespace

Vec3 SceneBackground::colour_at(double theta) const
{
    if (!ground.empty()) {
        double from_nadir = M_PI - theta;
        double reach = ground_angle.empty() ? 0.0 : ground_angle[std::min(ground_angle.size(), ground.size() - 1) - 1];
        if (ground.size() == 1 || ground_angle.empty()) reach = 0.0;
        if (from_nadir <= reach) return along(ground, ground_angle, from_nadir);
    }
    return along(sky, sky_angle, theta);
}
