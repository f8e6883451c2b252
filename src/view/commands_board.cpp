// Commands of the 2D drawing board ("2D Modelling" menu, and "2D Polygon"
// and "Extrude" of the drawing), and the board's hand-offs from the view.
#include <memory>

#include "model/drawing_board.h"
#include "model/extrude.h"
#include "scene/object3d.h"
#include "scene/scene3d.h"
#include "view/behaviour.h"
#include "view/board_view.h"
#include "view/commands.h"
#include "view/document.h"

DrawingBoard& board_of(ViewBehaviour& v)
{
    if (!v.m_board) v.m_board = new DrawingBoard();
    return *v.m_board;
}

void destroy_board(DrawingBoard* board) { delete board; }

bool board_left_click(ViewBehaviour& v, int x, int y)
{
    if (!v.m_2d_mode) return false;
    board_of(v).Click(x, y);
    v.host().redraw();
    return true;
}

void board_start_slide_show(ViewBehaviour& v)
{
    DrawingBoard& b = board_of(v);
    const int started = b.StartSlideShow(v.doc().in_folder("listeimages.txt"));
    v.m_2d_mode = true;
    if (started) v.host().start_timer(TIMER_SLIDE_SHOW, b.m_slide_period);
    v.host().redraw();
}

void board_slide_tick(ViewBehaviour& v)
{
    if (!v.m_board) {
        v.host().stop_timer(TIMER_SLIDE_SHOW);
        return;
    }
    const int period = v.m_board->NextSlide();
    if (period > 0)
        v.host().start_timer(TIMER_SLIDE_SHOW, period);
    else
        v.host().stop_timer(TIMER_SLIDE_SHOW);
    v.host().redraw();
}

namespace {
// The board's entries in the view's handlers.
const bool k_hooks_set = [] {
    ViewHooks& h = view_hooks();
    h.start_slide_show = [](ViewBehaviour& v) {
        board_start_slide_show(v);
        return 1;   // the board starts timer 3 itself, with the first slide's time
    };
    h.slide_show_tick = board_slide_tick;
    h.board_click = [](ViewBehaviour& v, int x, int y) { board_left_click(v, x, y); };
    return true;
}();
} // namespace

void board_paint_list(ViewBehaviour& v, DrawList& out)
{
    if (v.m_board) v.m_board->Render(v.m_gl.width, v.m_gl.height, out);
}

namespace {
template <int Mode>
void set_mode(ViewBehaviour& v)
{
    board_of(v).SetMode(Mode);
}

void spline_3d(ViewBehaviour& v)
{
    if (board_of(v).MakePatch()) v.host().redraw();
}

void picture(ViewBehaviour& v)
{
    DrawingBoard& b = board_of(v);
    b.m_step = 0;
    FileDialogRequest r;
    r.title = "File to load";
    r.filter = "JPEG File (*.jpg)|*.jpg;|All files (*.*)|*.*||";
    if (!v.host().file_dialog(r)) return;
    WaitCursor wait(v.host());
    if (b.AddPicture(r.path)) v.host().redraw();
}

void clear(ViewBehaviour& v)
{
    board_of(v).Clear();
    v.host().redraw(true);
}

void options(ViewBehaviour& v)
{
    DrawingBoard& b = board_of(v);
    BoardOptionsRequest r;
    r.snap = b.m_snap;
    v.host().run_modal(r);
    // The dialog's button acts as it is clicked, whichever way it closes.
    b.m_snap = r.snap ? 1 : 0;
}

void polygon_2d(ViewBehaviour& v)
{
    board_of(v);
    v.m_2d_mode = !v.m_2d_mode;
    // A whole repaint: what the clicks drew on the window goes with it.
    v.m_board->DropOverlay();
    v.host().redraw();
}

void extrude_drawing(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    if (!s || !v.m_board || v.m_board->shapes.empty()) return;
    auto wall = std::make_unique<OBJECT3D>();
    if (!ExtrudeDrawing(*wall, v.m_board->shapes)) return;
    if (!s->add_object(wall.get())) return;
    OBJECT3D* o = wall.release();
    // The wall's box, centre and world bounds, as every generator gives them.
    o->compute_bounds();
    o->compute_center();
    s->compute_world_bounds(s->nbobjects - 1);
    for (int i = 0; i < s->nbobjects; ++i)
        if (OBJECT3D* o = s->get_object(i)) o->m_needs_rebuild = 1;
    v.host().redraw();
}

void no_effect(ViewBehaviour&) {}

const CommandImpl k_impls[] = {
    {32855, set_mode<DrawingBoard::ModePoints>, nullptr},
    {32856, set_mode<DrawingBoard::ModeLines>, nullptr},
    {32873, set_mode<DrawingBoard::ModePolylines>, nullptr},
    {32868, set_mode<DrawingBoard::ModeCircle>, nullptr},
    {32857, set_mode<DrawingBoard::ModeSplines>, nullptr},
    {32858, set_mode<DrawingBoard::ModeRectangle>, nullptr},
    {32874, spline_3d, nullptr},
    {32871, picture, nullptr},
    {32870, clear, nullptr},
    {32872, options, nullptr},
    {32854, polygon_2d, nullptr},
    {40009, no_effect, nullptr},
    {40006, extrude_drawing, nullptr},
};
} // namespace

std::span<const CommandImpl> board_command_impls() { return k_impls; }
