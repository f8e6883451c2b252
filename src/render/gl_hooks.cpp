#include "render/gl_hooks.h"

#include <GL/gl.h>

#include "render/display_list.h"
#include "render/outline_tess.h"
#include "scene/glconst.h"

void install_gl_hooks()
{
    // Written once: a file may be being read on another thread, which only
    // looks at them.
    if (!gl_hooks().delete_list) gl_hooks().delete_list = [](unsigned list) { DeleteObjectList(list); };
    if (!gl_hooks().delete_textures)
        gl_hooks().delete_textures = [](int n, const unsigned* names) { glDeleteTextures(n, names); };
    install_outline_tessellator();
}
