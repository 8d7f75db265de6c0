// Where a window goes when it is first shown: the rules as plain functions of
// rectangles, so that they are tested without a screen.
//
// Each window names its place as a position on the desktop laid out for a
// main window at the top-left corner whose frame ends at kDescribedMainBottom
// (the current-state window "at 0, 104" sits right under it). Here the same
// position is taken from the main window's frame as it really is: the left
// from its left edge, the top from the lowest its frame ever reaches (its
// tallest panel open). A window described higher up than that (the history
// window at the desktop's corner) goes straight below the main window, so
// that nothing covers its tool bar, and no panel the main window opens later
// covers the window.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

namespace solwire {

inline constexpr int kDescribedMainBottom = 104;

// The frame's top-left corner for a window described at `described`.
// `mainFrame` is the main window's frame now, `mainTallestBottom` the lowest
// desktop row its frame covers with its tallest panel open.
QPoint placeBelowMainWindow(const QRect& mainFrame, int mainTallestBottom, QPoint described);

// Whether a remembered frame can be put back: enough of its top edge (where
// the title bar is grabbed) lies on one of the screens' available areas.
bool liesOnScreen(const QRect& frame, const QList<QRect>& screens);

// The top-left corner of `frame` moved left and up as far as needed to lie
// within `screen` (a small screen), but never above `highestTop`: a window
// taller than the room left below that keeps its top there.
QPoint keptOnScreen(const QRect& frame, const QRect& screen, int highestTop);

}  // namespace solwire
