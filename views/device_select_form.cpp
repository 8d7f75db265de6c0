#include "views/device_select_form.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace solwire {

TDeviceSelectionForm::TDeviceSelectionForm(const std::vector<std::string>& names, const std::string& current,
                                           QWidget* parent)
    : QDialog(parent) {
  setObjectName("DeviceSelectionForm");
  setWindowTitle("Device Selection");
  DeviceList = new QComboBox(this);
  DeviceList->setObjectName("DeviceList");
  DeviceList->setMinimumWidth(260);
  for (const std::string& name : names) DeviceList->addItem(QString::fromStdString(name));
  const int shown = DeviceList->findText(QString::fromStdString(current), Qt::MatchExactly);
  DeviceList->setCurrentIndex(shown >= 0 ? shown : 0);

  OKBtn = new QPushButton("OK", this);
  OKBtn->setObjectName("OKBtn");
  OKBtn->setDefault(true);
  OKBtn->setEnabled(!names.empty());
  CancelBtn = new QPushButton("Cancel", this);
  CancelBtn->setObjectName("CancelBtn");
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(DeviceList);
  layout->addLayout(buttons);
}

std::string TDeviceSelectionForm::chosenName() const { return DeviceList->currentText().toStdString(); }

std::optional<std::string> ChooseDevice(QWidget* parent, const std::vector<std::string>& names,
                                        const std::string& current) {
  TDeviceSelectionForm form(names, current, parent);
  if (form.exec() != QDialog::Accepted || names.empty()) return std::nullopt;
  return form.chosenName();
}

}  // namespace solwire
