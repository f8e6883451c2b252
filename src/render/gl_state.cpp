#include "render/gl_state.h"

#include <GL/gl.h>

#include "render/gl_hooks.h"
#include "scene/scene3d.h"

namespace {
// The GL lights a scene may use.
constexpr int k_gl_lights = 8;
} // namespace

void SetDefaultLight()
{
    const GLfloat ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    const GLfloat diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    const GLfloat specular[4] = {0.3f, 0.3f, 0.3f, 1.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glLightModelf(GL_LIGHT_MODEL_TWO_SIDE, 1.0f);
    const GLfloat position[4] = {1.f, 1.f, 1.f, 0.f};
    const GLfloat direction[3] = {-1.f, -1.f, -1.f};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, direction);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (GLfloat)GL_DECAL);
}

bool BuildLights(SCENE3D& scene)
{
    // The lights that shine drive GL_LIGHT0 onwards, in the order of the
    // list; a light that is off takes no GL light.
    int count = 0;
    for (const LIGHT3D* l : scene.m_lights) {
        if (count >= k_gl_lights) break;
        if (!l || !l->on) continue;
        GLenum id = (GLenum)(GL_LIGHT0 + count++);
        glEnable(id);
        if (l->type != LIGHT_DIRECTIONAL) {
            // The fourth component is always 0: every light is directional
            // as far as GL is concerned.
            const GLfloat pos[4] = {l->location.x, l->location.y, l->location.z, 0.f};
            glLightfv(id, GL_POSITION, pos);
        }
        if (l->type == LIGHT_DIRECTIONAL || l->type == LIGHT_SPOT) {
            const GLfloat dir[3] = {l->direction.x, l->direction.y, l->direction.z};
            glLightfv(id, GL_SPOT_DIRECTION, dir);
        }
        const Vec3& c = l->color;
        const GLfloat amb[4] = {0.2f * c.x, 0.2f * c.y, 0.2f * c.z, 1.f};
        const GLfloat dif[4] = {0.7f * c.x, 0.7f * c.y, 0.7f * c.z, 1.f};
        const GLfloat spe[4] = {0.1f * c.x, 0.1f * c.y, 0.1f * c.z, 1.f};
        glLightfv(id, GL_AMBIENT, amb);
        glLightfv(id, GL_DIFFUSE, dif);
        glLightfv(id, GL_SPECULAR, spe);
    }
    // A scene without lights, or whose every light is off, is lit by the
    // viewer's own light, as a VRML browser's headlight would light it.
    if (count == 0) {
        SetDefaultLight();
        count = 1;
    }
    // The GL lights above stay dark: a scene opened before this one may
    // have lit them.
    for (int k = count; k < k_gl_lights; ++k) glDisable((GLenum)(GL_LIGHT0 + k));
    return true;
}

void InitGlobalState(float r, float g, float b)
{
    install_gl_hooks();
    glClearColor(r, g, b, 1.f);
    SetDefaultLight();
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (GLfloat)GL_MODULATE);
    glEnable(GL_BLEND);
    glHint(GL_LINE_SMOOTH_HINT, GL_DONT_CARE);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_DONT_CARE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}
