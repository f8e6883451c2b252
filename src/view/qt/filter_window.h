// The view's hidden "Filtre" window: a captioned window owned by the view,
// 300 x 200 at the view's top left corner, with both scroll bars. The image
// editor shows it after its Open.
#pragma once

class QWidget;

// The view's "Filtre" window, made hidden on first use; null without a view.
QWidget* ViewFilterWindow(QWidget* view);
