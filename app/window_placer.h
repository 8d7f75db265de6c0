// Puts each window in its place the first time it is shown, and tells where
// every window is, for the "Windows" section of the configuration.
//
// A window goes back where it was at the end of the last run when that place
// still lies on a screen; otherwise it goes where it describes itself,
// measured from the main window's frame and below it (window_placement.h).
// Either way this happens only once per run: after that the window stays
// where the operator leaves it, also while panels open and close.
#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <functional>
#include <optional>
#include <vector>

#include "store/config/config_store.h"

class QWidget;

namespace solwire {

class WindowPlacer : public QObject {
  Q_OBJECT
 public:
  // The main window's frame now, and the lowest desktop row it covers with
  // its tallest panel open.
  struct MainFrame {
    QRect frame;
    int tallestBottom = 0;
  };

  WindowPlacer(std::function<MainFrame()> mainFrame, QObject* parent = nullptr);

  // Places `window` when it is first shown: at `remembered` if that is on a
  // screen, else at `described` below the main window; with no `described`
  // position the window keeps the one it gave itself.
  void track(QWidget* window, PlacedWindow id, std::optional<WindowPlace> remembered,
             std::optional<QPoint> described);
  // Whether `window` is tracked already.
  bool tracks(const QWidget* window) const;
  // The place of every window shown this run; the others keep theirs.
  void recordInto(Configuration& configuration) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Tracked {
    QPointer<QWidget> window;
    PlacedWindow id;
    std::optional<WindowPlace> remembered;
    std::optional<QPoint> described;
    bool placed = false;
  };

  void place(Tracked& tracked);
  bool putBack(QWidget& window, const WindowPlace& place) const;
  void putBelowMainWindow(QWidget& window, QPoint described) const;

  std::function<MainFrame()> mainFrame_;
  std::vector<Tracked> tracked_;
};

}  // namespace solwire
