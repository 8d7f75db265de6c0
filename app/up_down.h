// An up-down control: two arrow buttons stepping a position within a range.
// `changing` is raised before each change, while the old position still holds.
#pragma once

#include <QWidget>

class QToolButton;

namespace solwire {

class UpDown : public QWidget {
  Q_OBJECT
 public:
  UpDown(int minimum, int maximum, QWidget* parent = nullptr);

  int position() const { return position_; }
  // Sets the position without raising any signal (values are clamped).
  void setPosition(int position);
  void stepBy(int steps);

 signals:
  void changing();
  void changed(int position);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  int minimum_;
  int maximum_;
  int position_;
  QToolButton* up_;
  QToolButton* down_;
};

}  // namespace solwire
