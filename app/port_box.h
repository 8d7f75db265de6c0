// A drop-down of the COM numbers that shows the device behind each one
// ("COM2 – sim", "COM1 – /dev/ttyUSB0"). Closed, it shows as much of the
// current entry as fits, ending in "…"; open, its list is wide enough for
// every entry whole.
#pragma once

#include <QComboBox>

namespace solwire {

class PortNames;

class PortBox : public QComboBox {
  Q_OBJECT
 public:
  PortBox(int portCount, QWidget* parent = nullptr);

  // Names each entry with its COM number and the device path it resolves to.
  void showPaths(const PortNames& names);

  // The entry's text: "COM6 – /dev/ttyS5".
  static QString entryText(int comNumber, const QString& path);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showPopup() override;
};

}  // namespace solwire
