#include "views/read_form.h"

#include <QCloseEvent>
#include <QFile>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "app/qt_text.h"
#include "protocol/link_environment.h"
#include "store/rich_text_file.h"
#include "store/rich_text_qt.h"
#include "store/rtf_reader.h"
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

// Text holds no NUL bytes; an RTF file may, inside its binary data.
bool looksBinary(const fs::path& path) {
  constexpr std::streamsize kHeadBytes = 8000;
  std::ifstream in(path, std::ios::binary);
  std::string head(static_cast<std::size_t>(kHeadBytes), '\0');
  in.read(head.data(), kHeadBytes);
  head.resize(static_cast<std::size_t>(in.gcount()));
  return !looksLikeRtf(head) && head.find('\0') != std::string::npos;
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
  Readedit->setLineWrapMode(QTextEdit::NoWrap);
  Readedit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Readedit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Readedit->setMinimumHeight(kTextHeight);
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

void TReadform::applyLanguage(int language, const QFont& font) {
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
  const fs::path path = toPath(fileName_);
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (status.type() == fs::file_type::not_found) return showProblem(ReadText::FileMissing);
  if (error) return showProblem(ReadText::FileUnreadable, error.message());
  // Reading a pipe or a device could wait forever or never end.
  if (!fs::is_regular_file(status) || looksBinary(path)) return showProblem(ReadText::NotADataFile);
  TextFormat plainText;
  plainText.fontName = font_.family().toStdString();
  if (font_.pointSizeF() > 0) plainText.pointSize = font_.pointSizeF();
  try {
    showDocument(loadRichTextFile(path, plainText));
  } catch (const RichTextFileError& failure) {
    showProblem(ReadText::FileUnreadable, failure.reason());
  }
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
  if (print_) print_(*Readedit->document(), qtText(readText(ReadText::PrintTitle)[language_]));
}

void TReadform::BitBtn2Click() { close(); }

void TReadform::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  FormActivate();
}

void TReadform::closeEvent(QCloseEvent* event) {
  emit closedByOperator();
  QWidget::closeEvent(event);
}

}  // namespace solwire
