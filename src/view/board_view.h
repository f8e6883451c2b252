// The 2D drawing board in the view: its commands live in the command table;
// these are the hand-offs of the view's handlers and paint, and the values
// of the "2D OPTIONS" dialog.
#pragma once
#include "model/board_draw.h"
#include "view/view_host.h"

class ViewBehaviour;
class DrawingBoard;

// "2D OPTIONS": the button "Ajust to Grid" flips `snap` each time it is
// clicked, at once (Cancel does not undo it); "Radio1" does nothing.
struct BoardOptionsRequest : DialogRequest {
    BoardOptionsRequest() : DialogRequest("2D OPTIONS") {}
    int snap = 1;
};

// The view's board, made on first use.
DrawingBoard& board_of(ViewBehaviour& v);

// Left button down: in 2D-drawing mode the click goes to the board (true:
// the handler stops there).
bool board_left_click(ViewBehaviour& v, int x, int y);
// F11: the slide show of "listeimages.txt" (in the working folder); the view
// shows the board and, when the first picture is shown, timer 3 runs with
// its display time.
void board_start_slide_show(ViewBehaviour& v);
// Tick of timer 3: the next slide, and the timer re-armed with its time
// (stopped when no slide can be read any more).
void board_slide_tick(ViewBehaviour& v);
// What a paint in 2D-drawing mode shows on the cleared window (the view's
// client size is taken from its frame inputs); nothing without a board.
void board_paint_list(ViewBehaviour& v, DrawList& out);
