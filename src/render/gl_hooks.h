#pragma once
// Lets the core release display lists and texture names through GL, and
// fill text outlines with the GL tessellator. Only the first call installs
// them: install before a file is read on another thread.
void install_gl_hooks();
