// Replays the drawing board's records on a Qt painter, the way the window
// device would draw them: pens by colour, width and style, crosses, dots,
// circles, rectangles with their inside in the default white brush, and
// pictures (bottom-up blocks) shown top line first.
#pragma once
#include "model/board_draw.h"

class QPainter;

void PaintBoard(QPainter& p, const DrawList& ops);
