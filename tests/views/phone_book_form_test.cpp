// The phone book window on the offscreen platform: loading sorts and numbers,
// typing marks it changed and adding does not, deleting the only entry, Save
// and Save As, a cancelled Open, dialling the digits of a number, closing
// over changes, a cell whose editor is still open when a command runs, and
// the question at program exit.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QTimer>
#include <QTableWidget>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <fstream>
#include <sstream>

#include "modem/csv_writer.h"
#include "views/phone_book_form.h"

namespace solwire {
namespace {

class PhoneBookFormTest : public ::testing::Test {
 protected:
  QString pathOf(const char* name) const { return dir.filePath(name); }
  void writeFile(const QString& path, const std::string& text) {
    std::ofstream(path.toStdString(), std::ios::binary) << text;
  }
  std::string contentsOf(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }

  // A window whose dialogs answer from the test's queues.
  std::unique_ptr<TfrmPhoneBook> open(const QString& file) {
    auto form = std::make_unique<TfrmPhoneBook>(file, &owner);
    form->dialogs.openFile = [this](QWidget*) { return takeFront(openAnswers); };
    form->dialogs.saveFile = [this](QWidget*) -> std::optional<QString> {
      if (saveAnswers.empty()) return std::nullopt;
      return takeFront(saveAnswers);
    };
    form->dialogs.confirm = [this](QWidget*, const QString& question) {
      questions.push_back(question);
      return confirmAnswer;
    };
    form->dialogs.ask = [this](QWidget*, const QString& question) {
      questions.push_back(question);
      return askAnswer;
    };
    form->dialogs.inform = [this](QWidget*, const QString& message) { messages.push_back(message); };
    form->OnDial = [this](const QString& text, const QString& digits) { dials.push_back(text + "|" + digits); };
    return form;
  }
  static QString takeFront(std::deque<QString>& queue) {
    if (queue.empty()) return {};
    QString front = queue.front();
    queue.pop_front();
    return front;
  }
  // Opens the cell's editor and types into it, without leaving the cell.
  static void typeWithoutLeaving(TfrmPhoneBook& form, int row, int column, const QString& text) {
    form.PhoneGrid->setCurrentCell(row, column);
    form.PhoneGrid->editItem(form.PhoneGrid->item(row, column));
    auto* editor = qobject_cast<QLineEdit*>(form.PhoneGrid->indexWidget(form.PhoneGrid->currentIndex()));
    ASSERT_NE(editor, nullptr) << "no editor opened on the cell";
    editor->setText(text);
  }
  static bool editorOpen(const TfrmPhoneBook& form) {
    return form.PhoneGrid->indexWidget(form.PhoneGrid->currentIndex()) != nullptr;
  }
  static QStringList namesOf(const TfrmPhoneBook& form) {
    QStringList names;
    for (int row = 0; row < form.PhoneGrid->rowCount(); ++row)
      names << form.PhoneGrid->item(row, 0)->text() + ":" + form.PhoneGrid->item(row, 1)->text();
    return names;
  }

  QTemporaryDir dir;
  QMainWindow owner;
  std::deque<QString> openAnswers;
  std::deque<QString> saveAnswers;
  bool confirmAnswer = true;
  PhoneBookAnswer askAnswer = PhoneBookAnswer::Cancel;
  QStringList questions;
  QStringList messages;
  QStringList dials;
};

TEST_F(PhoneBookFormTest, ALoadedFileIsSortedIgnoringCaseWithBlankNamesLastAndNumbered) {
  const QString file = pathOf("BOOK.CSV");
  writeFile(file, "1,Relay,555-103\r\n2,\"   \",555-9\r\n3,\"east pump\",555-101\r\n4,\"North Station\",555-102\r\n");
  owner.setGeometry(100, 50, 500, 300);
  auto form = open(file);
  EXPECT_EQ(namesOf(*form), (QStringList{"1:east pump", "2:North Station", "3:Relay", "4:   "}));
  EXPECT_EQ(form->windowTitle(), "Phone Book " + file);
  EXPECT_FALSE(form->Modified());
  EXPECT_EQ(form->x(), owner.frameGeometry().left());
  EXPECT_EQ(form->y(), owner.frameGeometry().top() + owner.frameGeometry().height()) << "just below its owner";
}

TEST_F(PhoneBookFormTest, TypingMarksTheBookChangedAddingDoesNotAndDeletingTheOnlyEntryLeavesOneEmptyRow) {
  const QString file = pathOf("ONE.CSV");
  writeFile(file, "1,Depot,123\r\n");
  auto form = open(file);
  form->AddNumber1Click();
  EXPECT_EQ(form->PhoneGrid->rowCount(), 2);
  EXPECT_FALSE(form->Modified()) << "adding a row is not a change";
  form->PhoneGrid->item(1, 1)->setText("Annex, \"B\"");
  EXPECT_TRUE(form->Modified());
  form->Refresh();
  EXPECT_EQ(namesOf(*form), (QStringList{"1:Annex, \"B\"", "2:Depot"}));

  form->PhoneGrid->setCurrentCell(1, 1);
  form->DeleteNumber1Click();
  EXPECT_EQ(questions.back(), "Are you REALLY sure you want to delete this phone number?");
  form->PhoneGrid->setCurrentCell(0, 1);
  form->DeleteNumber1Click();
  EXPECT_EQ(namesOf(*form), QStringList{"1:"});
  form->Save1Click();
  EXPECT_EQ(contentsOf(file), "1,,\r\n");
  EXPECT_FALSE(form->Modified());
}

TEST_F(PhoneBookFormTest, ANameWithACommaSurvivesSaveAsAndOpen) {
  auto form = open(QString());
  EXPECT_EQ(form->PhoneGrid->rowCount(), 7) << "a new phone book has seven numbered rows";
  form->PhoneGrid->item(0, 1)->setText("Pump, north");
  form->PhoneGrid->item(0, 2)->setText("(1) 2-3");
  saveAnswers.push_back(pathOf("NEW.CSV"));
  form->Save1Click();  // no file yet: Save As
  EXPECT_EQ(form->FileName(), pathOf("NEW.CSV"));
  EXPECT_TRUE(contentsOf(pathOf("NEW.CSV")).starts_with("1,\"Pump, north\",\"(1) 2-3\"\r\n2,,\r\n"));

  auto again = open(pathOf("NEW.CSV"));
  EXPECT_EQ(again->PhoneGrid->item(0, 1)->text(), "Pump, north");
  again->PhoneGrid->setCurrentCell(0, 2);
  again->DialbuttonClick();
  EXPECT_EQ(dials, QStringList{"(1) 2-3|123"});
}

TEST_F(PhoneBookFormTest, ACancelledOpenClearsTheFileNameSoSaveAsksForOne) {
  const QString file = pathOf("BOOK.CSV");
  writeFile(file, "1,Relay,555\r\n");
  auto form = open(file);
  openAnswers.push_back(QString());
  form->Open1Click();
  EXPECT_EQ(form->windowTitle(), "Phone Book ");
  EXPECT_EQ(form->rows().front().name, "Relay") << "nothing was loaded";
  form->Save1Click();  // with no file name: Save As, cancelled
  EXPECT_EQ(contentsOf(file), "1,Relay,555\r\n");
  saveAnswers.push_back(QString());
  form->SaveAs1Click();
  EXPECT_EQ(messages.back(), "Invalid File Name");
}

TEST_F(PhoneBookFormTest, BadFilesAndNumbersAreReportedAndChangeNothing) {
  const QString shortFile = pathOf("SHORT.CSV");
  writeFile(shortFile, "1,Relay\r\n");
  EXPECT_THROW(open(shortFile), CsvFileError) << "the main window then runs without a phone book";

  auto form = open(QString());
  form->PhoneGrid->item(0, 2)->setText("ext. -");
  form->PhoneGrid->setCurrentCell(0, 2);
  form->DialbuttonClick();
  EXPECT_EQ(messages.back(), "This is not a valid phone number");
  EXPECT_TRUE(dials.isEmpty());

  openAnswers.push_back(shortFile);
  form->Open1Click();
  EXPECT_TRUE(messages.back().contains("List index out of bounds (2)")) << messages.back().toStdString();
  EXPECT_EQ(form->PhoneGrid->item(0, 2)->text(), "ext. -");

  saveAnswers.push_back(pathOf("NO-FOLDER/BOOK.CSV"));
  form->SaveAs1Click();
  EXPECT_TRUE(messages.back().startsWith("The phone book was not saved")) << messages.back().toStdString();
  EXPECT_TRUE(form->Modified());
}

TEST_F(PhoneBookFormTest, ClosingOverChangesAsksAndNoKeepsTheWindowOpen) {
  auto form = open(QString());
  int closedByOperator = 0;
  QObject::connect(form.get(), &TfrmPhoneBook::closedByOperator, [&] { ++closedByOperator; });
  form->show();
  form->PhoneGrid->item(0, 1)->setText("Changed");
  confirmAnswer = false;
  form->Exit1Click();
  EXPECT_TRUE(form->isVisible());
  confirmAnswer = true;
  form->Exit1Click();
  EXPECT_FALSE(form->isVisible());
  EXPECT_FALSE(form->Modified());
  EXPECT_EQ(closedByOperator, 1);
  EXPECT_EQ(form->rows().front().name, "Changed") << "hidden, not emptied";
}

TEST_F(PhoneBookFormTest, TheTextOfACellStillBeingEditedIsWhatSaveSaveAsAndDialUse) {
  const QString file = pathOf("BOOK.CSV");
  writeFile(file, "1,Relay,555\r\n");
  auto form = open(file);
  form->show();

  typeWithoutLeaving(*form, 0, 1, "Relay North");
  form->Save1Click();
  EXPECT_EQ(contentsOf(file), "1,\"Relay North\",555\r\n");
  EXPECT_FALSE(editorOpen(*form));
  EXPECT_FALSE(form->Modified());

  typeWithoutLeaving(*form, 0, 2, "(01) 777");
  saveAnswers.push_back(pathOf("COPY.CSV"));
  form->SaveAs1Click();
  EXPECT_EQ(contentsOf(pathOf("COPY.CSV")), "1,\"Relay North\",\"(01) 777\"\r\n");

  typeWithoutLeaving(*form, 0, 2, "(02) 888");
  form->DialbuttonClick();
  EXPECT_EQ(dials, QStringList{"(02) 888|02888"});
  EXPECT_EQ(form->rows().front().number, "(02) 888");
}

TEST_F(PhoneBookFormTest, ACellStillBeingEditedIsAChangeForOpenExitAndHangup) {
  const QString file = pathOf("BOOK.CSV");
  writeFile(file, "1,Relay,555\r\n");
  auto form = open(file);
  form->show();
  confirmAnswer = false;

  typeWithoutLeaving(*form, 0, 1, "Depot");
  form->Open1Click();
  ASSERT_EQ(questions.size(), 1);
  EXPECT_TRUE(questions.back().contains("Opening another phone book")) << questions.back().toStdString();
  EXPECT_EQ(form->rows().front().name, "Depot");

  typeWithoutLeaving(*form, 0, 1, "Depot East");
  form->Exit1Click();
  ASSERT_EQ(questions.size(), 2);
  EXPECT_TRUE(questions.back().contains("close it without saving")) << questions.back().toStdString();
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->rows().front().name, "Depot East");

  form->Save1Click();
  typeWithoutLeaving(*form, 0, 2, "556");
  form->HangupNumber1Click();
  EXPECT_EQ(form->rows().front().number, "556");
  EXPECT_TRUE(form->Modified());
  EXPECT_FALSE(editorOpen(*form));
}

TEST_F(PhoneBookFormTest, ALineBreakTypedOrPastedIntoACellIsStoredAsASpaceSoTheFileLoadsAgain) {
  auto form = open(QString());
  form->show();
  form->PhoneGrid->item(0, 1)->setText("North\r\nStation");
  form->PhoneGrid->item(0, 2)->setText("555\n101");
  typeWithoutLeaving(*form, 1, 1, "Relay\ryard");
  saveAnswers.push_back(pathOf("LINES.CSV"));
  form->SaveAs1Click();
  EXPECT_EQ(form->rows()[0].name, "North Station");
  EXPECT_EQ(form->rows()[0].number, "555 101");
  EXPECT_EQ(form->rows()[1].name, "Relay yard");
  EXPECT_EQ(form->PhoneGrid->item(0, 1)->text(), "North Station") << "the grid shows what is stored";
  EXPECT_EQ(form->PhoneGrid->item(1, 1)->text(), "Relay yard");

  std::unique_ptr<TfrmPhoneBook> again;
  ASSERT_NO_THROW(again = open(pathOf("LINES.CSV")));
  EXPECT_EQ(namesOf(*again).mid(0, 2), (QStringList{"1:North Station", "2:Relay yard"}));
}

TEST_F(PhoneBookFormTest, AtProgramExitYesSavesTheChangesNoDropsThemAndCancelKeepsTheProgramRunning) {
  const QString file = pathOf("BOOK.CSV");
  writeFile(file, "1,Relay,555\r\n");
  auto form = open(file);
  EXPECT_TRUE(form->closeForExit());
  EXPECT_TRUE(questions.isEmpty()) << "nothing changed, nothing to ask";

  form->show();
  typeWithoutLeaving(*form, 0, 1, "Depot");
  askAnswer = PhoneBookAnswer::Cancel;
  EXPECT_FALSE(form->closeForExit());
  EXPECT_EQ(questions, QStringList{"The contents of the phone book have changed.\r\n"
                                   "Do you want to save the changes before closing the program?"});
  EXPECT_TRUE(form->Modified());

  askAnswer = PhoneBookAnswer::No;
  EXPECT_TRUE(form->closeForExit());
  EXPECT_EQ(contentsOf(file), "1,Relay,555\r\n");

  askAnswer = PhoneBookAnswer::Yes;
  EXPECT_TRUE(form->closeForExit());
  EXPECT_EQ(contentsOf(file), "1,Depot,555\r\n");
  EXPECT_FALSE(form->Modified());
}

TEST_F(PhoneBookFormTest, AtProgramExitASaveThatIsCancelledOrFailsKeepsTheProgramRunning) {
  auto form = open(QString());
  form->PhoneGrid->item(0, 1)->setText("Depot");
  askAnswer = PhoneBookAnswer::Yes;
  EXPECT_FALSE(form->closeForExit()) << "no file yet: Save As, and its dialog was cancelled";
  saveAnswers.push_back(QString());
  EXPECT_FALSE(form->closeForExit());
  EXPECT_EQ(messages.back(), "Invalid File Name");
  saveAnswers.push_back(pathOf("NO-FOLDER/BOOK.CSV"));
  EXPECT_FALSE(form->closeForExit());
  EXPECT_TRUE(messages.back().startsWith("The phone book was not saved")) << messages.back().toStdString();
  EXPECT_TRUE(form->Modified());

  saveAnswers.push_back(pathOf("NEW.CSV"));
  EXPECT_TRUE(form->closeForExit());
  EXPECT_EQ(form->FileName(), pathOf("NEW.CSV"));
  EXPECT_TRUE(contentsOf(pathOf("NEW.CSV")).starts_with("1,Depot,\r\n"));

  ASSERT_TRUE(QDir(dir.path()).mkdir("FOLDER.CSV"));
  form->SetFileName(pathOf("FOLDER.CSV"));  // a name that exists but cannot be written over
  form->PhoneGrid->item(0, 2)->setText("556");
  EXPECT_FALSE(form->closeForExit());
  EXPECT_TRUE(messages.back().startsWith("The phone book was not saved")) << messages.back().toStdString();
}

// The message box the program shows: the button pressed is the answer, and
// Escape cancels.
TEST(PhoneBookStandardDialogs, TheExitQuestionAnswersWithTheButtonPressed) {
  QStringList shown;
  const auto answering = [&shown](const std::function<void(QMessageBox&)>& operatorDoes) {
    QTimer operatorHand;
    QObject::connect(&operatorHand, &QTimer::timeout, [&] {
      for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(window);
        if (box == nullptr || !box->isVisible()) continue;
        shown << box->text();
        operatorDoes(*box);
      }
    });
    operatorHand.start(10);
    return standardPhoneBookDialogs().ask(nullptr, "Save?");
  };
  const auto pressing = [](QMessageBox::StandardButton button) {
    return [button](QMessageBox& box) {
      QAbstractButton* offered = box.button(button);
      EXPECT_NE(offered, nullptr) << "the button is not offered";
      if (offered != nullptr) offered->click();
      else box.done(-1);
    };
  };
  EXPECT_EQ(answering(pressing(QMessageBox::Yes)), PhoneBookAnswer::Yes);
  EXPECT_EQ(answering(pressing(QMessageBox::No)), PhoneBookAnswer::No);
  EXPECT_EQ(answering(pressing(QMessageBox::Cancel)), PhoneBookAnswer::Cancel);
  EXPECT_EQ(answering([](QMessageBox& box) {
              QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
              QApplication::sendEvent(&box, &escape);
            }),
            PhoneBookAnswer::Cancel);
  EXPECT_EQ(shown, (QStringList{"Save?", "Save?", "Save?", "Save?"}));
}

}  // namespace
}  // namespace solwire
