#include "views/set_form.h"

#include <QCloseEvent>
#include <QEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QToolButton>
#include <algorithm>

#include "views/qt_text.h"
#include "protocol/entry_rules.h"
#include "protocol/link_controller.h"
#include "protocol/value_format.h"
#include "views/origin_label.h"
#include "views/origin_rules.h"
#include "views/texts/set_texts.h"

namespace solwire {

// Hands a committed cell text to the window's entry handling, and tells it
// when an edit begins.
class SetEntryDelegate : public QStyledItemDelegate {
 public:
  SetEntryDelegate(Tsetform& form, EditorGrid grid) : QStyledItemDelegate(&form), form_(form), grid_(grid) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    form_.editStarted(index.data().toString());
    return QStyledItemDelegate::createEditor(parent, option, index);
  }

  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
    const auto* line = qobject_cast<QLineEdit*>(editor);
    const QString kept = form_.sgridSetEditText(grid_, index.row(), line ? line->text() : QString());
    model->setData(index, kept, Qt::EditRole);
  }

 private:
  Tsetform& form_;
  EditorGrid grid_;
};

namespace {

constexpr int kButtonTop = 2;
constexpr int kButtonHeight = 25;
constexpr int kSendWidth = 58;
constexpr QRgb kWaitingColour = qRgb(255, 225, 150);
constexpr QRgb kTakenColour = qRgb(150, 230, 150);
constexpr QRgb kNotTakenColour = qRgb(240, 140, 140);
const QColor kMarkedValueColour(128, 128, 128);
constexpr int kStatusFontSize = 9;

// An arrow into a memory chip: the picture of "write to the regulator", in
// the four looks of the send button (up, disabled, pressed, held down).
QPixmap sendPicture(QColor arrow, QColor chip, QColor backdrop) {
  QPixmap picture(40, 19);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  if (backdrop.alpha() > 0) {
    p.setPen(Qt::NoPen);
    p.setBrush(backdrop);
    p.drawRoundedRect(QRectF(0.5, 0.5, 39, 18), 3, 3);
  }
  p.setPen(QPen(chip.darker(140), 1));
  p.setBrush(chip);
  p.drawRect(QRectF(24.5, 3.5, 12, 12));
  for (int pin = 0; pin < 3; ++pin) {
    p.drawLine(QPointF(27.5 + 3 * pin, 1), QPointF(27.5 + 3 * pin, 3.5));
    p.drawLine(QPointF(27.5 + 3 * pin, 15.5), QPointF(27.5 + 3 * pin, 18));
  }
  QPainterPath head;
  head.moveTo(22, 9.5);
  head.lineTo(15, 4);
  head.lineTo(15, 15);
  head.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(arrow);
  p.drawRect(QRectF(3, 7.5, 12, 4));
  p.drawPath(head);
  return picture;
}

QIcon sendGlyph() {
  QIcon icon;
  icon.addPixmap(sendPicture(QColor(20, 140, 40), QColor(70, 70, 90), Qt::transparent), QIcon::Normal, QIcon::Off);
  icon.addPixmap(sendPicture(QColor(160, 160, 160), QColor(190, 190, 190), Qt::transparent), QIcon::Disabled,
                 QIcon::Off);
  icon.addPixmap(sendPicture(QColor(40, 200, 60), QColor(90, 90, 120), Qt::transparent), QIcon::Active, QIcon::Off);
  const QPixmap held = sendPicture(QColor(230, 130, 0), QColor(70, 70, 90), QColor(255, 235, 180));
  icon.addPixmap(held, QIcon::Normal, QIcon::On);
  icon.addPixmap(held, QIcon::Active, QIcon::On);
  icon.addPixmap(sendPicture(QColor(160, 160, 160), QColor(190, 190, 190), Qt::transparent), QIcon::Disabled,
                 QIcon::On);
  return icon;
}

QColor tintColour(CellTint tint) {
  switch (tint) {
    case CellTint::Waiting: return QColor::fromRgb(kWaitingColour);
    case CellTint::Taken: return QColor::fromRgb(kTakenColour);
    default: return QColor::fromRgb(kNotTakenColour);
  }
}

}  // namespace

Tsetform::Tsetform(LinkController& link, Feedback& feedback, QWidget* parent)
    : QWidget(parent, Qt::Tool), link_(link), feedback_(feedback) {
  setObjectName("setform");
  Panel1 = new QFrame(this);
  Panel1->setObjectName("Panel1");
  Panel1->setFrameShape(QFrame::StyledPanel);
  conbutton = addListButton("conbutton");
  Calbutton = addListButton("Calbutton");
  sendbutton = new QToolButton(Panel1);
  sendbutton->setObjectName("sendbutton");
  sendbutton->setCheckable(true);
  sendbutton->setIcon(sendGlyph());
  sendbutton->setIconSize(QSize(40, 19));
  Label1 = new QLabel(Panel1);
  Label1->setObjectName("Label1");
  Label2 = new QLabel(Panel1);
  Label2->setObjectName("Label2");
  sgrid1 = addGrid("sgrid1", EditorGrid::Labels);
  sgrid2 = addGrid("sgrid2", EditorGrid::Values);
  sgrid3 = addGrid("sgrid3", EditorGrid::Units);
  Originlab = new QLabel(this);
  Originlab->setObjectName("Originlab");
  Statuslab = new QLabel(this);
  Statuslab->setObjectName("Statuslab");

  watchMouse(Panel1, std::nullopt);
  for (QWidget* child : {static_cast<QWidget*>(conbutton), static_cast<QWidget*>(Calbutton),
                         static_cast<QWidget*>(sendbutton), static_cast<QWidget*>(Label1),
                         static_cast<QWidget*>(Label2)})
    watchMouse(child, std::nullopt);
  connect(conbutton, &QToolButton::clicked, this, &Tsetform::conbuttonClick);
  connect(Calbutton, &QToolButton::clicked, this, &Tsetform::CalbuttonClick);
  connect(sendbutton, &QToolButton::clicked, this, &Tsetform::sendbuttonClick);
  connect(sgrid1, &QTableWidget::cellPressed, this, [this] { sgrid1Click(); });

  move(300, 104);
  conbutton->setChecked(true);
  showList(EditorList::Settings);
}

QToolButton* Tsetform::addListButton(const char* name) {
  auto* button = new QToolButton(Panel1);
  button->setObjectName(name);
  button->setCheckable(true);
  button->setAutoExclusive(true);
  return button;
}

QTableWidget* Tsetform::addGrid(const char* name, EditorGrid which) {
  auto* grid = new QTableWidget(0, 1, this);
  grid->setObjectName(name);
  grid->horizontalHeader()->hide();
  grid->verticalHeader()->hide();
  grid->horizontalHeader()->setStretchLastSection(true);
  grid->verticalHeader()->setMinimumSectionSize(kEditorRowHeight);
  grid->verticalHeader()->setDefaultSectionSize(kEditorRowHeight);
  grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->setFrameShape(QFrame::NoFrame);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  if (which != EditorGrid::Labels) grid->setItemDelegate(new SetEntryDelegate(*this, which));
  watchMouse(grid->viewport(), which);
  return grid;
}

void Tsetform::watchMouse(QWidget* widget, std::optional<EditorGrid> grid) {
  widget->setMouseTracking(true);
  widget->setProperty("editorGrid", grid ? static_cast<int>(*grid) : -1);
  widget->installEventFilter(this);
}

// sgrid1MouseMove, sgrid2MouseMove, sgrid3MouseMove and the panel's: the
// column under the mouse is the one that takes typing.
bool Tsetform::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
    const int grid = watched->property("editorGrid").toInt();
    pointerOver(grid < 0 ? std::nullopt : std::optional<EditorGrid>(static_cast<EditorGrid>(grid)));
  }
  return QWidget::eventFilter(watched, event);
}

void Tsetform::pointerOver(std::optional<EditorGrid> grid) {
  if (grid == EditorGrid::Labels) grid = std::nullopt;
  if (grid == underMouse_) return;
  underMouse_ = grid;
  applyEditability();
}

void Tsetform::applyEditability() {
  constexpr auto kTyping = QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                           QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed;
  sgrid2->setEditTriggers(acceptsTyping(list_, EditorGrid::Values, underMouse_) ? kTyping
                                                                                : QAbstractItemView::NoEditTriggers);
  sgrid3->setEditTriggers(acceptsTyping(list_, EditorGrid::Units, underMouse_) ? kTyping
                                                                               : QAbstractItemView::NoEditTriggers);
}

void Tsetform::applyLanguage(Language language, const QFont& font) {
  language_ = language;
  font_ = font;
  showList(list_);
}

// ---- The two lists ----------------------------------------------------------

void Tsetform::setdisplay() {
  followWrite();
  showList(list_);
}

void Tsetform::caldisplay() {
  followWrite();
  showList(list_);
}

// The cells are written afresh from the site data model; the entry waiting to
// be sent and the value of a write on its way stay on view over them.
void Tsetform::showList(EditorList list) {
  list_ = list;
  (list == EditorList::Settings ? conbutton : Calbutton)->setChecked(true);
  const EditorLayout layout = editorLayout(list);
  applyCaptions();
  placeComponents(layout);
  if (list == EditorList::Settings)
    fillSettings();
  else
    fillCalibration();
  showEntryAndWrite();
  paintTint();
  showStatus();
  updateSendButton();
  applyEditability();
}

void Tsetform::applyCaptions() {
  const QString family = font_.family();
  setFont(QFont(family, 10));
  const QFont listFont(family, listFontSize(language_));
  for (QWidget* widget : {static_cast<QWidget*>(sgrid1), static_cast<QWidget*>(conbutton),
                          static_cast<QWidget*>(Calbutton)})
    widget->setFont(listFont);
  for (QLabel* line : {Originlab, Statuslab}) line->setFont(QFont(family, kStatusFontSize));
  setWindowTitle(qtText(setText(SetText::Caption)[language_]));
  conbutton->setText(qtText(setText(SetText::ControlSettings)[language_]));
  sendbutton->setToolTip(qtText(kSendButtonHint[language_]));
  Calbutton->setText(qtText(setText(SetText::Calibration)[language_]));
  const bool calibration = list_ == EditorList::Calibration;
  Label1->setText(calibration ? qtText(setText(SetText::OHead)[language_]) : QString());
  Label2->setText(calibration ? qtText(setText(SetText::GHead)[language_]) : QString());
}

void Tsetform::placeComponents(const EditorLayout& layout) {
  setFixedSize(layout.width, layout.height);
  Panel1->setGeometry(0, 0, layout.width, layout.panelHeight);
  const int statusTop = layout.height - 2 * layout.statusLineHeight;
  const int gridHeight = statusTop - layout.panelHeight;
  sgrid1->setGeometry(0, layout.panelHeight, layout.labelsWidth, gridHeight);
  sgrid2->setGeometry(layout.labelsWidth, layout.panelHeight, layout.valuesWidth, gridHeight);
  sgrid3->setGeometry(layout.labelsWidth + layout.valuesWidth, layout.panelHeight, layout.unitsWidth, gridHeight);
  Originlab->setGeometry(4, statusTop, layout.width - 8, layout.statusLineHeight);
  Statuslab->setGeometry(4, statusTop + layout.statusLineHeight, layout.width - 8, layout.statusLineHeight);
  // The list buttons are as wide as their captions need.
  const int conWidth = std::max(130, conbutton->sizeHint().width());
  conbutton->setGeometry(2, kButtonTop, conWidth, kButtonHeight);
  Calbutton->setGeometry(4 + conWidth, kButtonTop, std::max(100, Calbutton->sizeHint().width()), kButtonHeight);
  sendbutton->setGeometry(layout.sendLeft, kButtonTop, kSendWidth, kButtonHeight);
  Label1->setGeometry(layout.oHeadLeft, layout.headTop, 24, 17);
  Label2->setGeometry(layout.gHeadLeft, layout.headTop, 24, 17);
}

void Tsetform::fillSettings() {
  const SiteData& data = link_.data();
  const int rows = entryRows(EditorList::Settings);
  for (QTableWidget* grid : {sgrid1, sgrid2, sgrid3}) grid->setRowCount(rows);
  for (int row = 0; row < rows; ++row) {
    const SettingRow& setting = settingRow(row);
    const auto value = data.settings[static_cast<std::size_t>(row)];
    setCell(sgrid1, row, qtText(setting.label[static_cast<std::size_t>(language_)]), false);
    setCell(sgrid2, row, QString::fromStdString(settingValueText(row, value, voltageMultiplierOf(data.origins.settings, data))), true);
    setCell(sgrid3, row, qtText(setting.unit[static_cast<std::size_t>(language_)]), false);
  }
}

void Tsetform::fillCalibration() {
  const CalibrationRecord& calibration = link_.data().calibration;
  const int rows = entryRows(EditorList::Calibration);
  for (QTableWidget* grid : {sgrid1, sgrid2, sgrid3}) grid->setRowCount(rows);
  for (int row = 0; row < rows; ++row) {
    const auto channel = static_cast<std::size_t>(row);
    setCell(sgrid1, row, qtText(calibrationChannelName(row, language_)), false);
    setCell(sgrid2, row, QString::fromStdString(hexByteText(calibration.g[channel])), true);
    setCell(sgrid3, row, QString::fromStdString(hexByteText(calibration.o[channel])), true);
  }
}

void Tsetform::setCell(QTableWidget* grid, int row, const QString& text, bool editable) {
  QTableWidgetItem* item = grid->item(row, 0);
  if (!item) {
    item = new QTableWidgetItem;
    grid->setItem(row, 0, item);
  }
  item->setText(text);
  item->setData(Qt::BackgroundRole, QVariant());
  item->setData(Qt::ForegroundRole, QVariant());
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (editable) flags |= Qt::ItemIsEditable;
  item->setFlags(flags);
}

QTableWidget* Tsetform::table(EditorGrid grid) const {
  return grid == EditorGrid::Labels ? sgrid1 : grid == EditorGrid::Values ? sgrid2 : sgrid3;
}

// The entry waiting to be sent shows as the rules make it of what was typed;
// the value of a write on its way shows until the list read back after it.
void Tsetform::showEntryAndWrite() {
  const auto show = [this](const Cell& cell, const QString& text) {
    if (cell.list != list_) return;
    if (QTableWidgetItem* item = table(cell.grid)->item(cell.row, 0)) item->setText(text);
  };
  if (entry_ && entry_->site == selectedSite()) {
    const MemoryEntry entry = evaluate(entry_->cell, entry_->text);
    if (entry.accepted()) show(entry_->cell, QString::fromStdString(entry.text));
  }
  if (writing() && written_->site == selectedSite()) show(written_->cell, written_->text);
}

CellTint Tsetform::cellTint(EditorGrid grid, int row) const {
  const Cell cell{list_, grid, row};
  if (writing() && written_->site == selectedSite() && written_->cell == cell) return CellTint::Waiting;
  if (!tint_ || tint_->cell != cell) return CellTint::None;
  return tint_->site == selectedSite() ? tint_->tint : CellTint::None;
}

// Values that are not the selected site's as last read are greyed; what the
// operator typed or wrote is not.
void Tsetform::paintTint() {
  const OriginLine origin = originLine(
      list_ == EditorList::Settings ? link_.data().origins.settings : link_.data().origins.calibration,
      selectedSite(), language_, localeTimeText);
  for (EditorGrid grid : {EditorGrid::Values, EditorGrid::Units}) {
    QTableWidget* table = this->table(grid);
    // The written cell is usually still the selected one: its highlight
    // would hide the tint.
    if (tint_ || writing()) table->clearSelection();
    const bool units = grid == EditorGrid::Units && editorLayout(list_).unitsGrey;
    for (int row = 0; row < table->rowCount(); ++row) {
      const CellTint tint = cellTint(grid, row);
      QTableWidgetItem* item = table->item(row, 0);
      if (!item) continue;
      if (tint != CellTint::None)
        item->setBackground(tintColour(tint));
      else if (units)
        item->setBackground(palette().color(QPalette::Button));
      else
        item->setData(Qt::BackgroundRole, QVariant());
      const bool typed = entry_ && entry_->site == selectedSite() && entry_->cell == Cell{list_, grid, row};
      if (origin.marked && !units && tint == CellTint::None && !typed)
        item->setForeground(kMarkedValueColour);
      else
        item->setData(Qt::ForegroundRole, QVariant());
    }
  }
}

void Tsetform::showStatus() {
  const RecordOrigin& origin =
      list_ == EditorList::Settings ? link_.data().origins.settings : link_.data().origins.calibration;
  showOriginLine(Originlab, originLine(origin, selectedSite(), language_, localeTimeText));
  QString notice;
  switch (editorNotice(sendCheck(), refusedDuringWrite_)) {
    case EditorNotice::None: break;
    case EditorNotice::EntryForOtherSite:
      notice = qtText(fillIn(setText(SetText::EntryForOtherSite)[language_], "site", std::to_string(entry_->site)));
      break;
    case EditorNotice::ReadBeforeSending: notice = qtText(setText(SetText::ReadBeforeSending)[language_]); break;
    case EditorNotice::WriteInProgress: notice = qtText(setText(SetText::WriteInProgress)[language_]); break;
  }
  Statuslab->setText(notice);
}

void Tsetform::endEditing() {
  // Closing the editors drops what was typed: the list is about to change.
  for (QTableWidget* grid : {sgrid2, sgrid3}) {
    if (QWidget* editor = grid->indexWidget(grid->currentIndex())) {
      QMetaObject::invokeMethod(grid, "closeEditor", Q_ARG(QWidget*, editor),
                                Q_ARG(QAbstractItemDelegate::EndEditHint, QAbstractItemDelegate::RevertModelCache));
    }
  }
}

// ---- Opening and the list buttons -----------------------------------------

// Activation shows the settings list, except while a calibration entry waits
// to be sent or a calibration write is on its way: they stay on view.
void Tsetform::FormActivate() {
  if (calibrationOnHold()) {
    showList(EditorList::Calibration);
    return;
  }
  conbutton->setChecked(true);
  list_ = EditorList::Settings;
  if (!link_.data().SettingsRead) link_.Getdata(Requester::SettingsView);
  showList(EditorList::Settings);
}

void Tsetform::conbuttonClick() {
  endEditing();
  list_ = EditorList::Settings;
  if (!link_.data().SettingsRead) link_.Getdata(Requester::SettingsView);
  showList(EditorList::Settings);
}

void Tsetform::CalbuttonClick() {
  endEditing();
  list_ = EditorList::Calibration;
  if (!link_.data().CalibrationRead) link_.Getdata(Requester::CalibrationButton);
  showList(EditorList::Calibration);
}

// sgrid1Click: the list shown is read again.
void Tsetform::sgrid1Click() {
  link_.Getdata(list_ == EditorList::Settings ? Requester::SettingsView : Requester::CalibrationButton);
}

bool Tsetform::calibrationOnHold() const {
  const bool entry = entry_ && entry_->site == selectedSite() && entry_->cell.list == EditorList::Calibration;
  return entry || (written_ && written_->cell.list == EditorList::Calibration);
}

int Tsetform::selectedSite() const { return link_.controls().site; }

// ---- Entries ---------------------------------------------------------------

void Tsetform::editStarted(const QString& cellText) {
  editRevertText_ = cellText;
  if (tint_) {
    tint_.reset();
    paintTint();
  }
}

MemoryEntry Tsetform::evaluate(const Cell& cell, const std::string& text) const {
  if (cell.list == EditorList::Settings) return settingsEntry(link_.data(), cell.row, text);
  return calibrationEntry(cell.row, cell.grid == EditorGrid::Values ? CalibrationColumn::G : CalibrationColumn::O,
                          text);
}

// A refused text leaves the entry waiting to be sent as it was; an accepted
// one takes its place.
QString Tsetform::sgridSetEditText(EditorGrid grid, int row, const QString& value) {
  if (writing()) {
    refusedDuringWrite_ = true;
    showStatus();
    return editRevertText_;
  }
  const Cell cell{list_, grid, row};
  const std::string text = value.toStdString();
  const MemoryEntry entry = evaluate(cell, text);
  if (!entry.accepted()) return editRevertText_;
  entry_ = Entry{selectedSite(), cell, text};
  feedback_.beep();
  showStatus();
  updateSendButton();
  return QString::fromStdString(entry.text);
}

// ---- Sending ---------------------------------------------------------------

SendCheck Tsetform::sendCheck() const {
  SendCheck check;
  if (entry_) {
    check.entry = EntryOnHold{entry_->site, entry_->cell.list};
    const bool settings = entry_->cell.list == EditorList::Settings;
    const SiteData& data = link_.data();
    check.entryList = recordStanding(settings ? data.origins.settings : data.origins.calibration, selectedSite());
    check.entryListRead = settings ? data.SettingsRead : data.CalibrationRead;
  }
  check.shown = list_;
  check.selectedSite = selectedSite();
  check.writing = writing();
  return check;
}

void Tsetform::updateSendButton() {
  sendbutton->setEnabled(sending_ || sendAllowed(sendCheck()));
  sendbutton->setChecked(sending_);
}

void Tsetform::sendbuttonClick() {
  // A busy line drops the click; an entry not for this site or list, or not
  // yet to be sent, is not sent.
  if (link_.lineBusy() || !sendAllowed(sendCheck())) {
    updateSendButton();
    return;
  }
  const MemoryEntry entry = evaluate(entry_->cell, entry_->text);
  if (!entry.accepted() || link_.writeMemory(entry.address, entry.data) != WriteResult::Sent) {
    updateSendButton();  // a closed port: nothing sent, the entry may go later
    return;
  }
  written_ = WrittenCell{link_.lastWrite().number, selectedSite(), entry_->cell, QString::fromStdString(entry.text)};
  entry_.reset();
  tint_.reset();
  sending_ = true;
  showList(list_);
}

bool Tsetform::writing() const {
  const WriteCheck& write = link_.lastWrite();
  return written_ && written_->number == write.number && !write.settled();
}

// The controller's word on the write on its way: its 24 ticks are over (the
// button comes up), and once the list read back is in, whether the regulator
// took the byte.
void Tsetform::followWrite() {
  const WriteCheck& write = link_.lastWrite();
  const bool ours = written_ && written_->number == write.number;
  if (sending_ && (!ours || write.phase != WritePhase::Waiting)) sending_ = false;
  if (!ours || !write.settled()) return;
  const CellTint tint = readBackTint(write, selectedSite());
  if (tint != CellTint::None) tint_ = Tint{write.site, written_->cell, tint};
  written_.reset();
  refusedDuringWrite_ = false;
}

// ---- Window ------------------------------------------------------------------

void Tsetform::closeEvent(QCloseEvent* event) {
  emit closedByOperator();
  QWidget::closeEvent(event);
}

}  // namespace solwire
