#include "app/window_placer.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "app/window_placement.h"

namespace solwire {

namespace {

QList<QRect> availableScreenAreas() {
  QList<QRect> areas;
  for (const QScreen* screen : QGuiApplication::screens()) areas.append(screen->availableGeometry());
  return areas;
}

// The operator can change the size only of a window whose size is not fixed.
bool resizable(const QWidget& window) { return window.minimumSize() != window.maximumSize(); }

}  // namespace

WindowPlacer::WindowPlacer(std::function<MainFrame()> mainFrame, QObject* parent)
    : QObject(parent), mainFrame_(std::move(mainFrame)) {}

void WindowPlacer::track(QWidget* window, PlacedWindow id, std::optional<WindowPlace> remembered,
                         std::optional<QPoint> described) {
  if (!window || tracks(window)) return;
  tracked_.push_back({window, id, remembered, described});
  window->installEventFilter(this);
}

bool WindowPlacer::tracks(const QWidget* window) const {
  return std::any_of(tracked_.begin(), tracked_.end(), [window](const Tracked& t) { return t.window == window; });
}

// Qt sends Show before the window is mapped, so a window moved here appears
// in its place rather than jumping there.
bool WindowPlacer::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show) {
    for (Tracked& tracked : tracked_)
      if (tracked.window == watched && !tracked.placed) place(tracked);
  }
  return QObject::eventFilter(watched, event);
}

void WindowPlacer::place(Tracked& tracked) {
  tracked.placed = true;
  QWidget& window = *tracked.window;
  if (tracked.remembered && putBack(window, *tracked.remembered)) return;
  if (tracked.described) putBelowMainWindow(window, *tracked.described);
}

// Kept and put back without the frame: before a window is first mapped the
// window manager has not said how thick its frame is, and a position given
// with the frame would come back off by the height of the title bar.
bool WindowPlacer::putBack(QWidget& window, const WindowPlace& place) const {
  const QRect inside(place.left, place.top, place.width, place.height);
  if (!liesOnScreen(inside, availableScreenAreas())) return false;
  window.setGeometry(QRect(inside.topLeft(), resizable(window) ? inside.size() : window.size()));
  return true;
}

void WindowPlacer::putBelowMainWindow(QWidget& window, QPoint described) const {
  const MainFrame main = mainFrame_();
  const QPoint wanted = placeBelowMainWindow(main.frame, main.tallestBottom, described);
  const QScreen* screen = QGuiApplication::screenAt(main.frame.center());
  if (!screen) {
    window.move(wanted);
    return;
  }
  window.move(keptOnScreen(QRect(wanted, window.frameGeometry().size()), screen->availableGeometry(),
                           main.frame.bottom() + 1));
}

void WindowPlacer::recordInto(Configuration& configuration) const {
  for (const Tracked& tracked : tracked_) {
    if (!tracked.placed || !tracked.window) continue;
    const QRect inside = tracked.window->geometry();
    setWindowPlace(configuration, tracked.id, {inside.x(), inside.y(), inside.width(), inside.height()});
  }
}

}  // namespace solwire
