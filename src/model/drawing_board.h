// The 2D drawing board of the view: flat shapes entered with the mouse in
// window pixels (points, lines, polylines, circles, rectangles, Hermite
// splines and their bicubic patch, pictures), the grid and its snapping, and
// the slide show of pictures.
//
// The board draws nothing itself: Render lists what a paint shows, and the
// clicks leave what they draw at once in an overlay list that stays on the
// window until the view next repaints it from scratch (DropOverlay).
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "model/board_draw.h"
#include "model/shape2d.h"

class CTexture;

// One line of the slide-show list: a picture file and its display time.
struct SlideEntry {
    std::string name;
    int ms = 0;
    bool bad = false;   // could not be read when its turn came
};

// The list "listeimages.txt": pairs of a file name (one word of at most
// kMaxSlideName characters) and a display time in milliseconds, at most
// kMaxSlides pairs. Reading stops at the first pair that is not of that
// form. 0 with "Unable to open file for reading %s" when the file cannot be
// opened.
constexpr int kMaxSlides = 100;
constexpr int kMaxSlideName = 63;
int ReadSlideList(const std::string& path, std::vector<SlideEntry>& out);

// A picture file read into a new image (file order turned to display order),
// tagged as a board picture (kind 10); null when it cannot be read.
std::shared_ptr<CTexture> LoadBoardPicture(const std::string& path);

// Spline curve: the points drawn for spline s (a move to P0, then lines
// through the points for t = i/N, i = 0 ... N), and N, the number of
// segments: the squared distance between the end points times 0.005, at
// least 1.
int SplineCurve(const Spline2D& s, std::vector<PointI>* pts = nullptr);

// Fills the patch's net from its two splines (CMatrix products).
void ComputePatchNet(SplinePatch2D& patch);

class DrawingBoard {
public:
    enum Mode { ModeNone = 0, ModePoints = 4, ModeLines = 6, ModeCircle = 7, ModeSplines = 9,
                ModePolylines = 11, ModeRectangle = 12 };

    ShapeList shapes;
    int m_mode = ModeNone;
    int m_step = 0;                 // position in the mode's click sequence
    PointI m_current{0, 0};         // end of the last shape; start of the next spline
    PointI m_origin{-1, -1};        // first click; (-1, -1) while unset
    PointI m_grid{20, 20};
    int m_grid_shown = 1;
    int m_snap = 1;
    int m_pen_width = 1;
    Shape2D m_tmp;                  // shape being entered
    Spline2D m_tmp_spline;          // spline being entered
    SplinePatch2D m_patch;          // last patch built
    int m_slide_period = 0;         // display time of the current slide (ms)

    DrawingBoard();

    Pen2D pen(BoardPen which) const { return BoardPenOf(which, m_pen_width); }

    // Drawing-mode commands. Points keeps the click step; the others
    // restart their click sequence.
    void SetMode(int mode);
    // "Clear": no mode, no shapes, click step 0; the overlay goes too.
    void Clear();

    // Nearest grid node when snapping is on (a remainder of exactly half a
    // step goes down); p unchanged otherwise.
    PointI Snap(PointI p) const;
    // Left click at client point (x, y) while the board is shown.
    void Click(int x, int y);

    // "Spline 3D": a patch between the last two shapes when both are
    // splines; 1 when built (stored as a shape and drawn), 0 otherwise.
    int MakePatch();
    // "Picture": reads the file and places it at (0, 0); 1 when added.
    int AddPicture(const std::string& path);

    // What a paint of a W x H window shows, appended to out: the grid, and
    // with a mode set the current point, the origin and every shape; then
    // the overlay. Sets the origin to the current point while unset.
    void Render(int w, int h, DrawList& out);
    // How one shape is drawn (i is its place in the list).
    void RenderShape(size_t i, DrawList& out) const;

    const DrawList& overlay() const { return m_overlay; }
    void DropOverlay() { m_overlay.clear(); }

    // Slide show from the list file (pictures named without a folder are
    // beside the list): reads the list, places the first
    // picture, hides the grid and takes its display time as the period.
    // 1 when the first picture is shown (the view then starts its timer
    // with m_slide_period).
    int StartSlideShow(const std::string& list = "listeimages.txt");
    // Timer tick: the next slide (after the last, the first again) is shown
    // and its display time becomes the period, returned; 0 when no slide is
    // left that can be read (the view then stops its timer).
    int NextSlide();
    int slideCount() const { return (int)m_slides.size(); }
    int slideIndex() const { return m_slide_index; }
    const std::shared_ptr<const CTexture>& currentSlide() const { return m_slide; }

    // Shortest timer period a slide can ask for (ms), as window timers are.
    static constexpr int kMinSlidePeriod = 10;

private:
    void add(std::unique_ptr<Shape2D> s);
    void draw_now(DrawOp op);
    void show_picture(std::shared_ptr<const CTexture> img);

    DrawList m_overlay;
    std::vector<SlideEntry> m_slides;
    int m_slide_index = 0;
    std::shared_ptr<const CTexture> m_slide;
};
