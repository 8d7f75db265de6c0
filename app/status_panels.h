// The main window's six-panel status bar: the hint under the mouse, the clock,
// the port and baud rate of the link in use, an empty panel, and the latest
// link status message.
#pragma once

#include <QFrame>
#include <QLabel>
#include <QString>
#include <array>

namespace solwire {

class StatusPanels : public QFrame {
  Q_OBJECT
 public:
  static constexpr int kPanelCount = 6;
  static constexpr std::array<int, kPanelCount> kPanelWidths{195, 154, 50, 49, 0, 150};

  explicit StatusPanels(QWidget* parent = nullptr);

  void setPanelText(int panel, const QString& text);
  QString panelText(int panel) const;
  // `text` as much of it as fits in the panel, ending in "…" when cut.
  QString fitted(int panel, const QString& text) const;
  // More about the message panel's text, shown when the mouse rests on it in
  // place of the text itself; empty gives the text back.
  void setMessageDetail(const QString& detail);

 signals:
  // Every text a panel is given, also when it is the text it had.
  void panelTextSet(int panel, const QString& text);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void placePanels();
  // The width panel `panel` takes in a bar as wide as this one.
  int panelWidth(int panel) const;
  void updateMessageToolTip();
  std::array<QLabel*, kPanelCount> panels_{};
  QString messageDetail_;
};

}  // namespace solwire
