#include "app/window_placement.h"

#include <algorithm>

namespace solwire {

namespace {

// How much of a frame's top edge must be on a screen to be grabbed and moved.
constexpr int kGrabWidth = 48;
constexpr int kGrabHeight = 16;

}  // namespace

QPoint placeBelowMainWindow(const QRect& mainFrame, int mainTallestBottom, QPoint described) {
  const int below = std::max(0, described.y() - kDescribedMainBottom);
  return {mainFrame.left() + described.x(), mainTallestBottom + 1 + below};
}

bool liesOnScreen(const QRect& frame, const QList<QRect>& screens) {
  const QRect topEdge(frame.left(), frame.top(), frame.width(), kGrabHeight);
  return std::any_of(screens.begin(), screens.end(), [&topEdge](const QRect& screen) {
    const QRect shown = topEdge & screen;
    return shown.width() >= std::min(kGrabWidth, topEdge.width()) && shown.height() >= kGrabHeight;
  });
}

QPoint keptOnScreen(const QRect& frame, const QRect& screen, int highestTop) {
  const int left = std::max(screen.left(), std::min(frame.left(), screen.right() + 1 - frame.width()));
  const int top = std::max({screen.top(), highestTop, std::min(frame.top(), screen.bottom() + 1 - frame.height())});
  return {left, top};
}

}  // namespace solwire
