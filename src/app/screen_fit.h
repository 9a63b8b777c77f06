// Windows that fit the screen they are on: a window's designed minimum size
// is only a wish when the screen (at a large scale factor, or a small
// screen) has less room, so the minimum is cut to the available area and
// the window's content scrolls instead of leaving buttons off-screen.
#pragma once

#include <QRect>
#include <QSize>

class QScrollArea;
class QWidget;

namespace mosaicer {

// The available area (without panels and task bars) of the screen `window`
// is on, or of the primary screen; an empty size when there is no screen.
QSize AvailableScreenSize(const QWidget& window);
QRect AvailableScreenRect(const QWidget& window);

// Sets the window's minimum and maximum sizes to `minimum` and `maximum`
// (the minimum grown to what a scrolling body needs), each cut to the
// available screen area less the window manager's frame, and keeps the
// framed window on the screen, now and every time the window is
// shown (it may have moved to another screen). A maximum of
// QWIDGETSIZE_MAX on an axis means the screen's size on that axis.
void FitSizeLimits(QWidget& window, QSize minimum, QSize maximum);

// Makes a body for `window`'s controls that scrolls when the window is
// smaller than the body's own minimum: a frameless scroll area fills the
// window and holds the returned widget, on which the caller sets its layout.
QWidget* ScrollingBody(QWidget& window);

}  // namespace mosaicer
