#include "app/status_panels.h"

namespace solwire {

StatusPanels::StatusPanels(QWidget* parent) : QFrame(parent) {
  for (int i = 0; i < kPanelCount; ++i) {
    auto* panel = new QLabel(this);
    panel->setObjectName(QString("Statusb.panel%1").arg(i));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setTextFormat(Qt::PlainText);
    panel->setIndent(2);
    panels_[static_cast<std::size_t>(i)] = panel;
  }
  placePanels();
}

void StatusPanels::setPanelText(int panel, const QString& text) {
  if (panel < 0 || panel >= kPanelCount) return;
  QLabel* label = panels_[static_cast<std::size_t>(panel)];
  label->setText(text);
  if (panel == kPanelCount - 1) updateMessageToolTip();
  emit panelTextSet(panel, text);
}

void StatusPanels::setMessageDetail(const QString& detail) {
  messageDetail_ = detail;
  updateMessageToolTip();
}

// The message panel can be narrower than a long message: keep it readable.
void StatusPanels::updateMessageToolTip() {
  QLabel* message = panels_[kPanelCount - 1];
  message->setToolTip(messageDetail_.isEmpty() ? message->text() : messageDetail_);
}

QString StatusPanels::panelText(int panel) const {
  if (panel < 0 || panel >= kPanelCount) return {};
  return panels_[static_cast<std::size_t>(panel)]->text();
}

void StatusPanels::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  placePanels();
}

void StatusPanels::placePanels() {
  int left = 0;
  for (int i = 0; i < kPanelCount; ++i) {
    const bool last = i == kPanelCount - 1;
    const int width = last ? std::max(0, this->width() - left) : kPanelWidths[static_cast<std::size_t>(i)];
    QLabel* panel = panels_[static_cast<std::size_t>(i)];
    panel->setGeometry(left, 0, width, height());
    panel->setVisible(width > 0);
    left += width;
  }
}

}  // namespace solwire
