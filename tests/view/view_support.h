// A view without a window for the behaviour tests: document, headless host
// and behaviour, optionally drawing into the shared off-screen context.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "render/headless_gl.h"
#include "scene/scene3d.h"
#include "view/behaviour.h"
#include "view/document.h"
#include "view/headless_host.h"

// The one off-screen context of the test binary, at w x h, current.
HeadlessGL& view_test_gl(int w, int h);

struct TestView {
    // with_gl: frames are drawn at w x h; otherwise the host has no context.
    explicit TestView(bool with_scene = true, bool with_gl = false, int w = 64, int h = 48);
    CQuorvelDoc doc;
    std::unique_ptr<HeadlessHost> host;
    std::unique_ptr<ViewBehaviour> view;

    SCENE3D& scene() { return *doc.scene(); }
    CAMERA3D& cam() { return *doc.scene()->m_camera; }
    // Appends a quad facing the camera and gives it.
    OBJECT3D* add_square(float x0, float y0, float x1, float y1, float z = 0.f);
};
