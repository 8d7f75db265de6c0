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

QString StatusPanels::fitted(int panel, const QString& text) const {
  if (panel < 0 || panel >= kPanelCount) return text;
  // Measured from the bar's width: a bar not yet shown has not placed its panels.
  const QLabel* label = panels_[static_cast<std::size_t>(panel)];
  const int room = panelWidth(panel) - 2 * label->frameWidth() - 2 * label->indent();
  return label->fontMetrics().elidedText(text, Qt::ElideRight, std::max(room, 0));
}

QString StatusPanels::panelText(int panel) const {
  if (panel < 0 || panel >= kPanelCount) return {};
  return panels_[static_cast<std::size_t>(panel)]->text();
}

void StatusPanels::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  placePanels();
}

int StatusPanels::panelWidth(int panel) const {
  if (panel < kPanelCount - 1) return kPanelWidths[static_cast<std::size_t>(panel)];
  int left = 0;
  for (int i = 0; i < kPanelCount - 1; ++i) left += kPanelWidths[static_cast<std::size_t>(i)];
  return std::max(0, width() - left);
}

void StatusPanels::placePanels() {
  int left = 0;
  for (int i = 0; i < kPanelCount; ++i) {
    const int width = panelWidth(i);
    QLabel* panel = panels_[static_cast<std::size_t>(i)];
    panel->setGeometry(left, 0, width, height());
    panel->setVisible(width > 0);
    left += width;
  }
}

}  // namespace solwire
