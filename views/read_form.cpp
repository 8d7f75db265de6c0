#include "views/read_form.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <iterator>
#include <span>
#include <string>

#include "views/qt_text.h"
#include "protocol/link_environment.h"
#include "store/rich_text_qt.h"
#include "views/texts/read_texts.h"

namespace solwire {

namespace fs = std::filesystem;

namespace {

constexpr int kPanelHeight = 40;
constexpr int kTextHeight = 279;
constexpr int kButtonTop = 4;
constexpr int kFileLabelLeft = 8;
constexpr int kFileLabelRight = 488;
constexpr int kPictureSize = 24;
constexpr int kLoadbarLeft = 388;
constexpr int kLoadbarTop = 10;
// Readedit lays out what is put into it when the edit ends, which takes
// several times as long as putting it in: each turn of the event loop puts
// in as many paragraphs as the turns before did in about this long, both
// steps together.
constexpr double kShowSliceMs = 20;
constexpr std::size_t kFewestParagraphsPerTurn = 16;
constexpr std::size_t kMostParagraphsPerTurn = 4000;

QPen outline(const QColor& colour = Qt::black) {
  return QPen(colour, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QPixmap blankPicture() {
  QPixmap picture(kPictureSize, kPictureSize);
  picture.fill(Qt::transparent);
  return picture;
}

QPixmap printerPicture() {
  QPixmap picture = blankPicture();
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(outline());
  p.setBrush(Qt::white);
  p.drawRect(QRectF(7, 2, 10, 8));  // sheet going in
  p.setBrush(QColor(150, 150, 160));
  p.drawRoundedRect(QRectF(2, 9, 20, 9), 2, 2);  // body
  p.setBrush(Qt::white);
  p.drawRect(QRectF(6, 15, 12, 7));  // sheet coming out
  p.setPen(outline(QColor(0, 0, 160)));
  p.drawLine(QPointF(8, 18), QPointF(16, 18));
  return picture;
}

QPixmap closePicture() {
  QPixmap picture = blankPicture();
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(outline());
  p.setBrush(QColor(150, 100, 50));
  p.drawRect(QRectF(4, 3, 11, 18));  // door
  p.setBrush(QColor(200, 0, 0));
  p.drawPolygon(QPolygonF({{13, 10}, {17, 10}, {17, 7}, {22, 12}, {17, 17}, {17, 14}, {13, 14}}));
  return picture;
}

QPushButton* pictureButton(QWidget* parent, const char* name, const QPixmap& picture, int left) {
  auto* button = new QPushButton(parent);
  button->setObjectName(name);
  button->setIcon(picture);
  button->setIconSize(picture.size());
  button->setGeometry(left, kButtonTop, 60, 33);
  return button;
}

// The names the operator types are file names of this system.
fs::path toPath(const QString& name) { return fs::path(QFile::encodeName(name).toStdString()); }

ReadText lineFor(FileShowProblem problem) {
  switch (problem) {
    case FileShowProblem::Missing: return ReadText::FileMissing;
    case FileShowProblem::NotADataFile: return ReadText::NotADataFile;
    case FileShowProblem::Unreadable:
    case FileShowProblem::None: break;
  }
  return ReadText::FileUnreadable;
}

int percentOf(const RichTextPiece& piece) {
  return piece.bytesTotal == 0 ? 100 : static_cast<int>(piece.bytesDone * 100 / piece.bytesTotal);
}

}  // namespace

TReadform::TReadform(Feedback& feedback, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), feedback_(feedback) {
  setObjectName("Readform");
  Panel1 = new QFrame(this);
  Panel1->setObjectName("Panel1");
  Panel1->setFrameShape(QFrame::StyledPanel);
  Panel1->setFixedHeight(kPanelHeight);
  filelab = new QLabel(Panel1);
  filelab->setObjectName("filelab");
  filelab->setGeometry(kFileLabelLeft, 0, kFileLabelRight - kFileLabelLeft, kPanelHeight);
  filelab->setTextFormat(Qt::PlainText);
  BitBtn1 = pictureButton(Panel1, "BitBtn1", printerPicture(), 496);
  BitBtn2 = pictureButton(Panel1, "BitBtn2", closePicture(), 568);
  Readedit = new QTextEdit(this);
  Readedit->setObjectName("Readedit");
  Readedit->setReadOnly(true);
  // Nothing is typed here: an undo history of the file's pieces would only take memory.
  Readedit->setUndoRedoEnabled(false);
  Readedit->setLineWrapMode(QTextEdit::NoWrap);
  Readedit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Readedit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Readedit->setMinimumHeight(kTextHeight);
  Loadbar = new QProgressBar(Panel1);
  Loadbar->setObjectName("Loadbar");
  Loadbar->setGeometry(kLoadbarLeft, kLoadbarTop, kFileLabelRight - kLoadbarLeft, kPanelHeight - 2 * kLoadbarTop);
  Loadbar->setRange(0, 100);
  Loadbar->hide();
  showTimer_.setSingleShot(true);
  connect(&showTimer_, &QTimer::timeout, this, &TReadform::showSomeMore);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(Panel1);
  layout->addWidget(Readedit, 1);
  connect(BitBtn1, &QPushButton::clicked, this, &TReadform::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TReadform::BitBtn2Click);
  BitBtn1->setEnabled(false);
  FormCreate();
}

void TReadform::FormCreate() {
  move(0, 150);
  resize(640, kPanelHeight + kTextHeight);
  applyTexts();
}

void TReadform::showFile(const QString& fileName) {
  fileName_ = fileName;
  if (isVisible()) {
    FormActivate();
  } else {
    show();  // the show event reads the file
  }
  raise();
  activateWindow();
}

void TReadform::applyLanguage(Language language, const QFont& font) {
  language_ = language;
  font_ = font;
  if (isVisible()) applyTexts();
}

void TReadform::setPrintAction(PrintAction action) {
  print_ = std::move(action);
  BitBtn1->setEnabled(static_cast<bool>(print_));
}

void TReadform::FormActivate() {
  applyTexts();
  loadFile();
}

void TReadform::applyTexts() {
  setFont(font_);
  filelab->setFont(font_);
  Readedit->setFont(font_);
  filelab->setToolTip(qtText(readText(ReadText::FileLabelHint)[language_]));
  BitBtn1->setToolTip(qtText(readText(ReadText::PrintHint)[language_]));
  BitBtn2->setToolTip(qtText(readText(ReadText::CloseHint)[language_]));
  setWindowTitle(qtText(readText(ReadText::Caption)[language_]));
  showFileLabel();
}

// A name too long for the label keeps its start and its end.
void TReadform::showFileLabel() {
  const QString text = qtText(readText(ReadText::FileLabel)[language_]) + " " + fileName_;
  filelab->setText(QFontMetrics(filelab->font()).elidedText(text, Qt::ElideMiddle, filelab->width()));
}

void TReadform::loadFile() {
  stopLoading();
  shown_ = RichTextDocument();
  Readedit->document()->clear();
  loading_ = true;
  setLoadingShown(true);
  PieceReadOptions options;
  options.plainFormat.fontName = font_.family().toStdString();
  if (font_.pointSizeF() > 0) options.plainFormat.pointSize = font_.pointSizeF();
  loader_.load(
      toPath(fileName_), options, [this](RichTextPiece& piece) { pieceArrived(piece); },
      [this](FileShowProblem problem, const std::string& reason) { problemFound(problem, reason); });
}

void TReadform::pieceArrived(RichTextPiece& piece) {
  if (arrivedFontName_ != piece.fontName || arrivedTabTwips_ != piece.defaultTabTwips || arrived_.empty()) {
    arrivedFontName_ = piece.fontName;
    arrivedTabTwips_ = piece.defaultTabTwips;
    setDocumentDefaults(*Readedit->document(), arrivedFontName_, arrivedTabTwips_);
  }
  arrived_.insert(arrived_.end(), std::make_move_iterator(piece.paragraphs.begin()),
                  std::make_move_iterator(piece.paragraphs.end()));
  reserveForTheWholeFile(piece);
  pieceEnds_.push_back({arrived_.size(), percentOf(piece)});
  allArrived_ = piece.last;
  if (!showTimer_.isActive()) showTimer_.start(0);
}

// Moving the paragraphs of a long file to a larger vector takes a tenth of
// a second near its end: room for all of them is made early, from how many
// paragraphs the file has given per byte so far, and a quarter more.
void TReadform::reserveForTheWholeFile(const RichTextPiece& piece) {
  if (piece.bytesDone == 0 || piece.last) return;
  const double perByte = static_cast<double>(arrived_.size()) / static_cast<double>(piece.bytesDone);
  const auto expected = static_cast<std::size_t>(perByte * static_cast<double>(piece.bytesTotal) * 1.25);
  if (expected > arrived_.capacity()) arrived_.reserve(std::max(expected, arrived_.capacity() * 3 / 2));
}

void TReadform::problemFound(FileShowProblem problem, const std::string& reason) {
  stopLoading();
  showProblem(lineFor(problem), reason);
}

// Puts the next paragraphs that have arrived into Readedit, for a few
// milliseconds, as one edit, so that it is laid out once.
void TReadform::showSomeMore() {
  QElapsedTimer slice;
  slice.start();
  const bool firstScreen = inserted_ == 0;
  const std::size_t count = std::min(paragraphsPerTurn_, arrived_.size() - inserted_);
  QTextCursor cursor(Readedit->document());
  cursor.movePosition(QTextCursor::End);
  cursor.beginEditBlock();
  appendParagraphs(cursor, std::span(arrived_).subspan(inserted_, count), firstScreen);
  cursor.endEditBlock();
  inserted_ += count;
  adjustParagraphsPerTurn(count, slice.nsecsElapsed() / 1e6);
  if (firstScreen) Readedit->moveCursor(QTextCursor::Start);
  int percent = Loadbar->value();
  while (!pieceEnds_.empty() && pieceEnds_.front().paragraphs <= inserted_) {
    percent = pieceEnds_.front().percent;
    pieceEnds_.pop_front();
  }
  Loadbar->setValue(percent);
  if (inserted_ < arrived_.size()) {
    showTimer_.start(0);
  } else if (allArrived_) {
    finishLoading();
  }
}

// Towards the number that takes kShowSliceMs; halfway there each turn, so
// that one slow turn (another program busy) does not swing it far.
void TReadform::adjustParagraphsPerTurn(std::size_t count, double milliseconds) {
  if (count == 0) return;
  const double fitting = static_cast<double>(count) * kShowSliceMs / std::max(milliseconds, 0.1);
  const double next = (static_cast<double>(paragraphsPerTurn_) + fitting) / 2;
  paragraphsPerTurn_ = std::clamp(static_cast<std::size_t>(next), kFewestParagraphsPerTurn, kMostParagraphsPerTurn);
}

void TReadform::finishLoading() {
  shown_ = RichTextDocument(std::move(arrived_));
  shown_.setFontName(arrivedFontName_);
  shown_.setDefaultTabTwips(arrivedTabTwips_);
  stopLoading();
  if (printWhenLoaded_) {
    printWhenLoaded_ = false;
    BitBtn1Click();
  }
}

// Drops the read under way, if any, and what of it has arrived.
void TReadform::stopLoading() {
  loader_.cancel();
  showTimer_.stop();
  arrived_ = {};
  inserted_ = 0;
  paragraphsPerTurn_ = kFirstParagraphsPerTurn;
  pieceEnds_.clear();
  allArrived_ = false;
  loading_ = false;
  setLoadingShown(false);
}

// The bar sits at the end of the file label, which gives up room for it.
void TReadform::setLoadingShown(bool shown) {
  Loadbar->setValue(0);
  Loadbar->setVisible(shown);
  filelab->resize((shown ? kLoadbarLeft : kFileLabelRight) - kFileLabelLeft, kPanelHeight);
  showFileLabel();
}

void TReadform::showProblem(ReadText line, const std::string& reason) {
  TextFormat format;
  format.fontName = font_.family().toStdString();
  if (font_.pointSizeF() > 0) format.pointSize = font_.pointSizeF();
  RichTextDocument document;
  document.appendRun(readText(line)[language_], format);
  if (!reason.empty()) {
    document.endParagraph();
    document.appendRun(reason, format);
  }
  showDocument(document);
  feedback_.beep();
}

void TReadform::showDocument(const RichTextDocument& document) {
  shown_ = document;
  fillTextDocument(*Readedit->document(), document);
  Readedit->moveCursor(QTextCursor::Start);
}

void TReadform::BitBtn1Click() {
  if (loading_) {
    printWhenLoaded_ = true;
  } else if (print_) {
    print_(*Readedit->document(), qtText(readText(ReadText::PrintTitle)[language_]));
  }
}

void TReadform::BitBtn2Click() { close(); }

void TReadform::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  FormActivate();
}

// A file still being read is dropped, half shown as it is.
void TReadform::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (!loading_) return;
  stopLoading();
  printWhenLoaded_ = false;
  Readedit->document()->clear();
}

void TReadform::closeEvent(QCloseEvent* event) {
  emit closedByOperator();
  QWidget::closeEvent(event);
}

}  // namespace solwire
