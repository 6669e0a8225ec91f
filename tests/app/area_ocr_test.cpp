#include <QCheckBox>
#include <QPoint>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTextEdit>

#include "app/areaocr.h"
#include "app/ocrdialog.h"
#include "app/radiogroup.h"
#include "app/textresultwindow.h"
#include "app_test_util.h"
#include "graphics/dibgraphic.h"

namespace {

// Sets the dialog's controls, then presses one of its buttons.
TModalAnswer Dialog(std::function<void(TOCRDialog&)> set, bool ok = true) {
  return [set, ok](QDialog& modal) {
    auto* dialog = qobject_cast<TOCRDialog*>(&modal);
    if (dialog == nullptr) {
      ADD_FAILURE() << "expected the OCR dialog, got " << modal.metaObject()->className();
      AcceptModal(modal);
      return;
    }
    if (set) set(*dialog);
    (ok ? dialog->Button1 : dialog->Button2)->click();
  };
}

std::unique_ptr<TCharRecord> Record(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                    std::u16string cands = u"", std::vector<uint16_t> confs = {}) {
  auto r = std::make_unique<TCharRecord>();
  r->Left = left;
  r->Top = top;
  r->Right = right;
  r->Bottom = bottom;
  r->Ch = cands.empty() ? NoChar : cands[0];
  r->CandCount = static_cast<int32_t>(cands.size());
  for (std::size_t i = 0; i < cands.size(); ++i) {
    r->Cands[i] = cands[i];
    r->Confs[i] = confs[i];
  }
  return r;
}

// The word "Turn" opened, shown at 100 % and wholly selected.
class AreaOcrTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    Form1->ShowAreaOcrCommand();
    Open("txt_word_liberationsans.png");
    Drag(Form1->ImageScrollBox1, {0, 0}, {203, 167});
  }
  const TDibGraphic& Lower() { return Form1->ImageScrollBox2->Graphic(); }
  QString Text() { return FormTextResult->RichEditResult->toPlainText(); }
};

}  // namespace

TEST_F(AppTest, DialogStartsWithItsInitialValues) {
  const TOCRDialog& d = *OCRDialog;
  EXPECT_EQ(d.RadioGroupArea->title(), "Area Type");
  EXPECT_EQ(d.RadioGroupArea->ItemIndex(), 3);
  EXPECT_EQ(d.RadioGroupArea->Button(3)->text(), "Paragraph");
  EXPECT_EQ(d.RadioGroupContent->title(), "Content");
  EXPECT_EQ(d.RadioGroupContent->ItemIndex(), 4);
  EXPECT_EQ(d.RadioGroupContent->Button(4)->text(), "Alphanumeric");
  EXPECT_EQ(d.RadioGroupQuality->title(), "Text Quality");
  EXPECT_EQ(d.RadioGroupQuality->ItemIndex(), 0);
  EXPECT_EQ(d.RadioGroupQuality->Count(), 3);
  EXPECT_EQ(d.CheckBoxCompare->text(), "Symilarity Correction");
  EXPECT_TRUE(d.CheckBoxSplit->isChecked());
  EXPECT_TRUE(d.CheckBoxCompare->isChecked());
  EXPECT_TRUE(d.CheckBoxContextCorrection->isChecked());
  EXPECT_EQ(d.GroupBoxNoiseRemoval->title(), "Spot Removal");
  EXPECT_TRUE(d.RadioButtonNRAlways->isChecked());
  EXPECT_EQ(d.SpinEditMaxSpotSize->minimum(), -1);
  EXPECT_EQ(d.SpinEditMaxSpotSize->maximum(), 99);
  EXPECT_EQ(d.SpinEditMaxSpotSize->value(), 8);
  EXPECT_GE(d.width(), 464);
  EXPECT_GE(d.height(), 280);
  EXPECT_EQ(d.minimumSize(), d.maximumSize());
}

// Each row sets some controls and names the engine parameters they give.
TEST_F(AreaOcrTest, DialogChoicesMapOntoTheEngine) {
  const struct {
    const char* name;
    std::function<void(TOCRDialog&)> set;
    bool numericOnly;
    std::u16string allowed;
    uint8_t spots;
    uint8_t split;
  } kCases[] = {
      {"defaults", {}, false, u"", 2, 2},
      {"numeric", [](TOCRDialog& d) { d.RadioGroupContent->SetItemIndex(0); }, true,
       u"0123456789,./", 2, 2},
      {"uppercase", [](TOCRDialog& d) { d.RadioGroupContent->SetItemIndex(1); }, false,
       u"0123456789ABCDEFGHIJKLMNOPQRSTUVXYZW,./", 2, 2},
      {"lowercase", [](TOCRDialog& d) { d.RadioGroupContent->SetItemIndex(2); }, false,
       u"0123456789abcdefghijklmnopqrstuvxyzw,./", 2, 2},
      {"letters", [](TOCRDialog& d) { d.RadioGroupContent->SetItemIndex(3); }, false,
       u"ABCDEFGHIJKLMNOPQRSTUVXYZWabcdefghijklmnopqrstuvxyzw,.", 2, 2},
      {"no spot removal", [](TOCRDialog& d) { d.RadioButtonNrNone->setChecked(true); }, false, u"",
       0, 2},
      {"smart spot removal", [](TOCRDialog& d) { d.RadioButtonNrSmart->setChecked(true); }, false,
       u"", 1, 2},
      {"no spot choice at all",
       [](TOCRDialog& d) {
         for (QRadioButton* b :
              {d.RadioButtonNrNone, d.RadioButtonNrSmart, d.RadioButtonNRAlways}) {
           b->setAutoExclusive(false);
           b->setChecked(false);
           b->setAutoExclusive(true);
         }
       },
       false, u"", 2, 2},
      {"no splitting", [](TOCRDialog& d) { d.CheckBoxSplit->setChecked(false); }, false, u"", 2, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    // Every row starts from the initial values; the dialog keeps what the
    // row before left.
    TOCRDialog fresh;
    const auto reset = [&](TOCRDialog& d) {
      d.RadioGroupContent->SetItemIndex(fresh.RadioGroupContent->ItemIndex());
      d.RadioButtonNRAlways->setChecked(true);
      d.CheckBoxSplit->setChecked(true);
      if (c.set) c.set(d);
    };
    Trigger(Form1->ActionOCR, {Dialog(reset)});
    const TOmnifontOCR& engine = *Form1->OmnifontOCR;
    EXPECT_EQ(engine.NumericOnly, c.numericOnly);
    EXPECT_EQ(engine.AllowedChars, c.allowed);
    EXPECT_EQ(engine.SpotRemoval, c.spots);
    EXPECT_EQ(engine.SplitTouching, c.split);
    EXPECT_EQ(engine.MaxSpotSize, 8);
  }
}

TEST_F(AreaOcrTest, SwitchesAndSpotSizeReachTheEngineAndStayForTheNextShowing) {
  Trigger(Form1->ActionOCR, {Dialog([](TOCRDialog& d) {
            d.CheckBoxCompare->setChecked(false);
            d.CheckBoxContextCorrection->setChecked(false);
            d.SpinEditMaxSpotSize->setValue(-1);
          })});
  EXPECT_FALSE(Form1->OmnifontOCR->SimilarityCorrection);
  EXPECT_FALSE(Form1->OmnifontOCR->ContextCorrection);
  EXPECT_EQ(Form1->OmnifontOCR->MaxSpotSize, -1);

  // A change cancelled is kept as well.
  Trigger(Form1->ActionOCR,
          {Dialog([](TOCRDialog& d) { d.RadioGroupArea->SetItemIndex(1); }, false)});
  EXPECT_EQ(OCRDialog->RadioGroupArea->ItemIndex(), 1);
  EXPECT_FALSE(OCRDialog->CheckBoxCompare->isChecked());
  EXPECT_EQ(OCRDialog->SpinEditMaxSpotSize->value(), -1);
}

TEST_F(AreaOcrTest, ReadsTheSelectionIntoTheTextWindowAndTheEnlargedLowerView) {
  const auto shown = Trigger(Form1->ActionOCR, {Dialog({})});
  ASSERT_EQ(shown.size(), 1u);  // the dialog, and no message
  EXPECT_EQ(shown[0].className, "TOCRDialog");

  EXPECT_TRUE(FormTextResult->isVisible());
  EXPECT_EQ(Text(), "Turn");
  ASSERT_FALSE(Form1->OmnifontOCR->Characters.empty());
  // The selection's last row and column lie just outside the cut-out.
  EXPECT_EQ(Lower().Width(), 2 * 203);
  EXPECT_EQ(Lower().Height(), 2 * 167);
  EXPECT_EQ(Lower().ImageFormat(), gfTrueColor);
  const TCharRecord& first = *Form1->OmnifontOCR->Characters.front();
  EXPECT_EQ(Lower().GetPixel(2 * first.Right, 2 * first.Bottom), RGBColor(0, 0, 255));

  TImageScrollBox* lower = Form1->ImageScrollBox2;
  EXPECT_EQ(lower->ZoomMode(), zmPercent);
  EXPECT_EQ(lower->ZoomPercent(), 100.0f);
  EXPECT_EQ(lower->MouseMode(), mmNone);
  EXPECT_EQ(lower->cursor().shape(), Qt::WhatsThisCursor);
  EXPECT_EQ(lower->PictureControl()->cursor().shape(), Qt::WhatsThisCursor);
  EXPECT_EQ(lower->DisplayGraphic().Width(), 2 * 203);
}

TEST_F(AreaOcrTest, LowQualityIsWarnedAboutAndReadAnyway) {
  const auto shown = Trigger(Form1->ActionOCR,
                             {Dialog([](TOCRDialog& d) { d.RadioGroupQuality->SetItemIndex(2); })});
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].icon, QMessageBox::Warning);
  EXPECT_EQ(shown[1].text, "In this demo only Good Quality document can be recognizeed...");
  EXPECT_EQ(Text(), "Turn");
}

TEST_F(AreaOcrTest, CancelShowsTheTextWindowAndThePlainCrop) {
  Trigger(Form1->ActionOCR, {Dialog({})});
  FormTextResult->hide();
  Open("txt_word_liberationsans.png");  // a fresh band: the old one covers the picture
  Drag(Form1->ImageScrollBox1, {10, 20}, {59, 79});

  Trigger(Form1->ActionOCR, {Dialog({}, false)});
  EXPECT_TRUE(FormTextResult->isVisible());
  EXPECT_EQ(Text(), "Turn");  // the previous reading stays
  EXPECT_EQ(Lower().Width(), 49);
  EXPECT_EQ(Lower().Height(), 59);
  EXPECT_EQ(Lower().ImageFormat(), Form1->ImageScrollBox1->Graphic().ImageFormat());
  EXPECT_EQ(Form1->ImageScrollBox2->MouseMode(), mmNone);
}

TEST_F(AppTest, AreaOcrNeedsTheSelectionModeAndASelection) {
  const std::string kNoMode =
      "Please switch mouse mode to selection and select the area to recognize...";
  const std::string kNoBand = "Please select with the mouse the area to recognize...";
  auto shown = Trigger(Form1->ActionOCR);  // nothing opened: the view drags
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].icon, QMessageBox::Critical);
  EXPECT_EQ(shown[0].text.toStdString(), kNoMode);

  Open("txt_word_liberationsans.png");
  shown = Trigger(Form1->ActionOCR);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text.toStdString(), kNoBand);
  EXPECT_FALSE(FormTextResult->isVisible());
  EXPECT_TRUE(Form1->ImageScrollBox2->Graphic().IsEmpty());
}

TEST(AreaOcrDrawing, BoxOfARecordOnTheEnlargedPicture) {
  TDibGraphic picture;
  picture.NewImage(40, 70, gfTrueColor, {}, 0, 0);
  picture.Fill(RGBColor(255, 255, 255));
  TCharacters characters;
  characters.push_back(Record(10, 20, 15, 30, u"B", {87}));
  DrawRecognition(picture, characters);

  const TColor blue = RGBColor(0, 0, 255);
  const TColor white = RGBColor(255, 255, 255);
  // The outline runs from (20, 40) to (30, 60); (31, 61) is excluded. The
  // reading starts at the top-left corner, so only the outline below the
  // text's line height (11 pixels, in any font) is checked on the left.
  for (const QPoint p : {QPoint(25, 60), QPoint(30, 58), QPoint(30, 60), QPoint(20, 58)}) {
    SCOPED_TRACE(testing::Message() << "at " << p.x() << "," << p.y());
    EXPECT_EQ(picture.GetPixel(p.x(), p.y()), blue);
  }
  for (const QPoint p : {QPoint(31, 50), QPoint(25, 61), QPoint(19, 50)}) {
    SCOPED_TRACE(testing::Message() << "at " << p.x() << "," << p.y());
    EXPECT_EQ(picture.GetPixel(p.x(), p.y()), white);
  }
  // The reading is written in red (smoothed at its edges) inside the box.
  bool red = false;
  for (int y = 41; y < 60; ++y) {
    for (int x = 21; x < 30; ++x) {
      const TColor c = picture.GetPixel(x, y);
      red = red || (RedOf(c) > 200 && GreenOf(c) < 100 && BlueOf(c) < 100);
    }
  }
  EXPECT_TRUE(red);
}

TEST(AreaOcrInspection, CandidateLists) {
  const struct {
    const char* name;
    std::u16string cands;
    std::vector<uint16_t> confs;
    std::string text;
  } kCases[] = {
      {"three candidates", u"B8E", {87, 64, 40}, "B (87%)\r\n8 (64%)\r\nE (40%)\r\n"},
      {"no candidates", u"", {}, "unkonown"},
      {"second is a space", u"I l", {80, 70, 60}, "spacel (60%)\r\n"},
      {"only a space", u" ", {90}, "space"},
      {"a code-page letter", u"\u00E9", {75}, "\xE9 (75%)\r\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CandidateList(*Record(0, 0, 1, 1, c.cands, c.confs)), c.text);
  }
  // A count beyond the ten slots reads only the slots.
  auto r = Record(0, 0, 1, 1, u"A", {50});
  r->CandCount = 99;
  EXPECT_EQ(CandidateList(*r).substr(0, 9), "A (50%)\r\n");
}

// A click lists the candidates of the first record whose enlarged box holds it.
TEST_F(AppTest, ClickOnTheLowerViewInspectsACharacter) {
  Form1->ImageScrollBox2->Graphic().NewImage(40, 70, gfTrueColor, {}, 0, 0);
  Form1->ImageScrollBox2->SetMouseMode(mmNone);
  Form1->ImageScrollBox2->Redraw(true);
  auto& characters = Form1->OmnifontOCR->Characters;
  characters.push_back(Record(10, 20, 15, 30, u"B8E", {87, 64, 40}));
  characters.push_back(Record(12, 22, 18, 32, u"X", {99}));
  characters.push_back(Record(0, 0, 2, 2));

  auto shown = Click(Form1->ImageScrollBox2, {30, 60});
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].icon, QMessageBox::Information);
  EXPECT_EQ(shown[0].text, "B (87%)\n8 (64%)\nE (40%)\n");

  shown = Click(Form1->ImageScrollBox2, {31, 60});  // only in the second box
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "X (99%)\n");

  shown = Click(Form1->ImageScrollBox2, {4, 4});
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "unkonown");

  EXPECT_TRUE(Click(Form1->ImageScrollBox2, {39, 5}).empty());
}
