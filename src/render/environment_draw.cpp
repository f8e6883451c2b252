#include "render/environment_draw.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "render/frame.h"
#include "scene/scene3d.h"

void ClearWithSky(const SCENE3D* scene, bool pick_pass)
{
    if (pick_pass || !scene || !scene->m_background.set || scene->m_background.sky.empty()) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        return;
    }
    GLfloat keep[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, keep);
    const Vec3& c = scene->m_background.sky[0];
    glClearColor(c.x, c.y, c.z, 1.f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(keep[0], keep[1], keep[2], keep[3]);
}

void DrawSky(const SCENE3D& scene, const GlView& v)
{
    const SceneBackground& b = scene.m_background;
    if (!b.set || !b.gradient()) return;
    // Bands of latitude from the zenith (theta 0) to the nadir (pi), cut at
    // every colour stop so that the ground's edge stays sharp.
    std::vector<double> cuts;
    for (int i = 0; i <= 36; ++i) cuts.push_back(M_PI * i / 36.0);
    for (float a : b.sky_angle) cuts.push_back(a);
    for (float a : b.ground_angle) cuts.push_back(M_PI - a);
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end(), [](double x, double y) { return std::fabs(x - y) < 1e-6; }),
               cuts.end());

    glPushAttrib(GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT | GL_CURRENT_BIT | GL_LIGHTING_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_FOG);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glShadeModel(GL_SMOOTH);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    const Vec3 R = scene.m_view_rot;
    glRotatef(R.x, 1.f, 0.f, 0.f);
    glRotatef(R.y, 0.f, 1.f, 0.f);
    glRotatef(R.z, 0.f, 0.f, 1.f);
    // Between the planes of this frame's depth range, whatever the scene's
    // size: at the geometric mean its corners (seen at most ~60 degrees off
    // the axis) still lie beyond the near plane and well before the far one.
    const double radius = std::sqrt(v.near_plane * v.far_plane);
    const int around = 72;
    for (size_t k = 0; k + 1 < cuts.size(); ++k) {
        double t0 = cuts[k], t1 = cuts[k + 1];
        if (t1 - t0 < 1e-9) continue;
        // Colours taken just inside the band: a stop's two sides may differ.
        const double eps = std::min(1e-4, (t1 - t0) / 4);
        Vec3 c0 = b.colour_at(t0 + eps), c1 = b.colour_at(t1 - eps);
        glBegin(GL_QUAD_STRIP);
        for (int j = 0; j <= around; ++j) {
            double phi = 2 * M_PI * j / around;
            glColor3f(c0.x, c0.y, c0.z);
            glVertex3d(radius * std::sin(t0) * std::cos(phi), radius * std::cos(t0), radius * std::sin(t0) * std::sin(phi));
            glColor3f(c1.x, c1.y, c1.z);
            glVertex3d(radius * std::sin(t1) * std::cos(phi), radius * std::cos(t1), radius * std::sin(t1) * std::sin(phi));
        }
        glEnd();
    }
    glPopMatrix();
    glPopAttrib();
}

bool ApplySceneFog(const SCENE3D& scene)
{
    const SceneFog& f = scene.m_scene_fog;
    if (!f.set) return false;
    glEnable(GL_FOG);
    const GLfloat colour[4] = {f.color.x, f.color.y, f.color.z, 1.f};
    glFogfv(GL_FOG_COLOR, colour);
    if (f.type == SceneFog::Exponential) {
        // Nearly hidden (5% left) at the visibility range.
        glFogi(GL_FOG_MODE, GL_EXP);
        glFogf(GL_FOG_DENSITY, 3.f / f.range);
    } else {
        glFogi(GL_FOG_MODE, GL_LINEAR);
        glFogf(GL_FOG_START, 0.f);
        glFogf(GL_FOG_END, f.range);
    }
    return true;
}
