#pragma once
// Fills text outlines with the GLU tessellator (no GL context needed);
// installs it for the core's text shapes unless one is installed already.
void install_outline_tessellator();
