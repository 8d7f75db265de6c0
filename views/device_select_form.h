// The line device selection dialog ("Device Selection"): a drop-down of the
// telephony line devices with OK and Cancel. The entry shown first is the
// current device when it is listed, else the first one.
#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QPushButton;

namespace solwire {

class TDeviceSelectionForm : public QDialog {
  Q_OBJECT
 public:
  TDeviceSelectionForm(const std::vector<std::string>& names, const std::string& current, QWidget* parent = nullptr);

  std::string chosenName() const;

  QComboBox* DeviceList = nullptr;
  QPushButton* OKBtn = nullptr;
  QPushButton* CancelBtn = nullptr;
};

// Shows the dialog modally: the chosen name on OK, nothing on Cancel (or
// with no device to choose from).
std::optional<std::string> ChooseDevice(QWidget* parent, const std::vector<std::string>& names,
                                        const std::string& current);

}  // namespace solwire
