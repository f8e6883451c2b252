#pragma once
// Lets the core release display lists and texture names through GL.
void install_gl_hooks();
