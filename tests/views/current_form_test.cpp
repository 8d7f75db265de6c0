// The current-state window on the simulated line, through the real serial
// stack: a reading on activation or click, the wait label while it comes, and
// what the window shows when the reading fails, is asked for twice, or meets a
// site change.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPointer>

#include "tests/views/view_harness.h"
#include "protocol/status_messages.h"
#include "views/current_form.h"
#include "views/current_rules.h"

namespace solwire {
namespace {

class CurrentFormTest : public ::testing::Test {
 protected:
  explicit CurrentFormTest(test::ViewHarness::Options options = {}) : harness(std::move(options)) {
    form = new TCurrentform(harness.controller());
    QPointer<TCurrentform> window(form);
    harness.views.on.labelupdate = [window] { if (window) window->labelupdate(); };
    harness.views.on.hideCurrentStateWait = [window] { if (window) window->hideCurrentStateWait(); };
    QObject::connect(form, &TCurrentform::closedByOperator, [this] { ++closedByOperator; });
  }
  ~CurrentFormTest() override { delete form; }

  static test::ViewHarness::Options site(int number) {
    test::ViewHarness::Options options;
    options.site = number;
    return options;
  }
  int requestsSent() const {
    int sent = 0;
    for (const LinkStatus status : harness.views.statuses) sent += status == LinkStatus::RequestSent;
    return sent;
  }
  // What the labels show, in one string.
  std::string shown() const {
    std::string text;
    for (const QLabel* label : {form->Typelab, form->statenumlab, form->Chargelab, form->Loadlab, form->Camphrlab,
                                form->Lamphrlab, form->batvlab, form->maxminlab})
      text += label->text().toStdString() + "|";
    return text;
  }
  std::string expectedFromModel() const {
    const SiteData& data = harness.controller().data();
    const CurrentStateTexts t = currentStateTexts(data.scaling, data.current);
    return t.typelab + "|" + t.statenumlab + "|" + t.chargelab + "|" + t.loadlab + "|" + t.camphrlab + "|" +
           t.lamphrlab + "|" + t.batvlab + "|" + t.maxminlab + "|";
  }

  test::ViewHarness harness;
  TCurrentform* form = nullptr;
  int closedByOperator = 0;
};

class CurrentFormOnSite1 : public CurrentFormTest {
 protected:
  CurrentFormOnSite1() : CurrentFormTest(site(1)) {}
};

TEST_F(CurrentFormOnSite1, AClickShowsTheSitesValuesWithUnits) {
  const std::string before = shown();
  form->FormClick();
  EXPECT_TRUE(form->waiting());
  EXPECT_EQ(form->Waitlab->text(), "Wait For Transfer");
  ASSERT_TRUE(harness.settle());
  EXPECT_FALSE(form->waiting());
  EXPECT_EQ(harness.views.lastStatus(), LinkStatus::DataReceived);
  EXPECT_EQ(harness.controller().data().current.typeCode, 21) << "the reading came from site 1";
  EXPECT_NE(shown(), before);
  EXPECT_EQ(shown(), expectedFromModel());
  EXPECT_EQ(form->Typelab->text(), "24V");
  EXPECT_TRUE(form->batvlab->text().endsWith(" V"));
  EXPECT_TRUE(form->Chargelab->text().endsWith(" A"));
  EXPECT_TRUE(form->Loadlab->text().endsWith(" A"));
  EXPECT_TRUE(form->Camphrlab->text().endsWith(" Ah"));
  EXPECT_TRUE(form->Lamphrlab->text().endsWith(" Ah"));
  EXPECT_TRUE(form->maxminlab->text().contains("<>"));
  EXPECT_TRUE(form->statenumlab->text().startsWith(": "));
  EXPECT_EQ(form->windowTitle(), "Current State");
  EXPECT_EQ(form->Statelab->text(), "State");
}

TEST_F(CurrentFormTest, ActivationAsksOnceWhateverFollowsUntilTheReplyIsIn) {
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(form, &activate);
  EXPECT_TRUE(form->waiting());
  EXPECT_EQ(requestsSent(), 1);
  form->FormClick();
  QApplication::sendEvent(form, &activate);
  EXPECT_EQ(requestsSent(), 1);
  EXPECT_TRUE(form->waiting());
  ASSERT_TRUE(harness.settle());
  EXPECT_FALSE(form->waiting());
  EXPECT_EQ(requestsSent(), 1);
}

TEST_F(CurrentFormTest, AFailedReadingLeavesTheLastValuesOnView) {
  form->FormClick();
  ASSERT_TRUE(harness.settle());
  const std::string read = shown();
  harness.line().withBus([](sim::RegulatorBus& bus) { bus.site(0)->setFault(sim::Fault::Silent); });
  form->FormClick();
  EXPECT_TRUE(form->waiting());
  ASSERT_TRUE(harness.letTheTimeOutPass());
  EXPECT_FALSE(form->waiting());
  EXPECT_EQ(harness.views.lastStatus(), LinkStatus::CommFail);
  EXPECT_EQ(shown(), read);
}

TEST_F(CurrentFormTest, ASiteChangeWhileTheReadingIsOnItsWayEndsTheWait) {
  const std::string before = shown();
  form->FormClick();
  harness.selectSite(2);
  ASSERT_TRUE(harness.settle());
  EXPECT_FALSE(form->waiting());
  EXPECT_EQ(shown(), before) << "site 0's reading is not shown as site 2's";
  form->FormClick();
  ASSERT_TRUE(harness.settle());
  EXPECT_EQ(form->Typelab->text(), "12V");
  EXPECT_EQ(shown(), expectedFromModel());
}

TEST_F(CurrentFormTest, OnlyTheCloseBoxReleasesTheToolBarButton) {
  form->show();
  form->hide();
  EXPECT_EQ(closedByOperator, 0);
  form->show();
  form->close();
  EXPECT_EQ(closedByOperator, 1);
  EXPECT_TRUE(form->isHidden());
}

class CurrentFormAtStart : public CurrentFormTest {
 protected:
  CurrentFormAtStart() : CurrentFormTest(startHeld()) {}
  static test::ViewHarness::Options startHeld() {
    test::ViewHarness::Options options;
    options.endStartupHold = false;
    return options;
  }
};

TEST_F(CurrentFormAtStart, AClickBeforeTheFirstTickWaitsForItAndGetsItsReading) {
  form->FormClick();
  EXPECT_TRUE(form->waiting());
  EXPECT_EQ(requestsSent(), 0);
  harness.tick();
  EXPECT_EQ(requestsSent(), 1);
  ASSERT_TRUE(harness.settle());
  EXPECT_FALSE(form->waiting());
}

TEST_F(CurrentFormTest, CaptionsFollowTheLanguage) {
  form->applyLanguage(Language::Chinese, QFont("WenQuanYi Micro Hei", 12));
  EXPECT_EQ(form->windowTitle(), QString::fromUtf8("当前工作数据"));
  EXPECT_EQ(form->Statelab->text(), QString::fromUtf8("状态"));
  EXPECT_EQ(form->Waitlab->text(), QString::fromUtf8("等待正在传送"));
  form->FormClick();
  EXPECT_EQ(form->Chargelab->font().pointSize(), 12);
  form->applyLanguage(Language::French, QFont("Arial", 10));
  EXPECT_EQ(form->windowTitle(), "Etat Courant");
  EXPECT_EQ(form->Waitlab->text(), "Attendre pour le Communication");
}

// With the widest values a regulator gives and every allowed font size, no
// text is cut and no two values of a row run into each other.
TEST_F(CurrentFormTest, NoTextIsCutAtAnyFontSize) {
  CurrentStateRecord& current = harness.controller().data().current;
  current.chargeCurrentReading = 640 * 999 + 639;
  current.loadCurrentReading = 640 * 999 + 639;
  current.batteryVoltageReading = 41000;
  current.chargeAh = 10000;
  current.loadAh = 9999;
  current.dailyMinVoltage = 150;
  current.dailyMaxVoltage = 160;
  current.stateCode = 191;
  const char* families[] = {"Arial", "Arial", "WenQuanYi Micro Hei"};
  for (int language = 0; language < 3; ++language) {
    for (int size = 8; size <= 14; ++size) {
      form->applyLanguage(languageFromIndex(language), QFont(families[language], size));
      const std::string where = std::to_string(language) + "/" + std::to_string(size);
      const QRect window = form->rect();
      for (QLabel* label : {form->Typelab, form->Statelab, form->statenumlab, form->Chargelab, form->Camphrlab,
                            form->Loadlab, form->Lamphrlab, form->batvlab, form->maxminlab}) {
        EXPECT_LE(label->sizeHint().width(), label->width()) << where << " " << label->text().toStdString();
        EXPECT_LE(label->sizeHint().height(), label->height()) << where << " " << label->text().toStdString();
        EXPECT_TRUE(window.contains(label->geometry())) << where << " " << label->text().toStdString();
      }
      for (const auto& row : {std::array<QLabel*, 3>{form->Typelab, form->Statelab, form->statenumlab},
                              std::array<QLabel*, 3>{form->Chargelab, form->batvlab, form->Loadlab},
                              std::array<QLabel*, 3>{form->Camphrlab, form->maxminlab, form->Lamphrlab}}) {
        EXPECT_LT(row[0]->geometry().right(), row[1]->geometry().left()) << where;
        EXPECT_LT(row[1]->geometry().right(), row[2]->geometry().left()) << where;
      }
      EXPECT_LE(form->Waitlab->heightForWidth(form->Waitlab->width()), form->Waitlab->height()) << where;
    }
  }
}

}  // namespace
}  // namespace solwire
