#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ControlsTestSupport.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streaming.Text.h"
#include "rtl/RTL.Streaming.h"
#include "rtl/RTL.Streams.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zcl/base/ZCL.Utils.Shell.h"
#include "zcl/ui/controls/ZCL.UI.FormattedLabel.h"

namespace {

using namespace testskin;

class FormattedLabelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FPrevious = detail::SetShellLauncher([this](const String& File, const String&) {
      Launched.push_back(File);
      return true;
    });
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(100, 100, 400, 300);
    Form->SetBorderStyle(bsNone);
    Label = Create<TZCLFormattedLabel>(Form.get());
    Label->SetResourceCollection(Skin.Get());
    Label->GetStyleScrollBox()->SetCollection(Skin.Get());
    Label->SetParent(Form.get());
    Label->SetBounds(0, 0, 300, 100);
    Label->GetFont()->SetName(u"DejaVu Sans");
  }
  void TearDown() override {
    Form.reset();
    detail::SetShellLauncher(FPrevious);
  }
  TZCLFormattedLabelSubClass* Sub() const { return Label->GetLabelSubClass(); }
  void RunQueued() { zcProcessMessages(TZCLMessaging::GetWindow(), TZCLMainThread::GetMessageNumber()); }
  // The first point of the first row over a link, scanning its middle line.
  bool FindLink(TPoint& P) {
    Sub()->Changed(0);
    for (Integer y = 2; y < 20; y += 4)
      for (Integer x = 0; x < 300; ++x) {
        Sub()->UpdateHitTest(x, y);
        if (Sub()->GetHitTest()->GetHitObjectData(u"Hyperlink")) {
          P = TPoint(x, y);
          return true;
        }
      }
    return false;
  }
  void Click(TMouseButton Button, const TPoint& P) {
    Sub()->MouseDown(Button, {}, P.X, P.Y);
    Sub()->MouseUp(Button, {}, P.X, P.Y);
  }

 public:
  void HandleLink(TObject* Sender, const String& Link, bool& Handled) {
    Handled = TakeLinks;
    Handlers.push_back(Link);
    EXPECT_EQ(Sender, Sub());
  }

 protected:
  TTestSkin Skin;
  TOwned<TForm> Form;
  TZCLFormattedLabel* Label = nullptr;
  std::vector<String> Launched, Handlers;
  bool TakeLinks = false;
  detail::TShellLauncher FPrevious;
};

TEST_F(FormattedLabelTest, DetectedUrlRunsTheHandlerThenTheShellWithAnyButton) {
  Label->SetCaption(u"Visit http://example.org/page today");
  Sub()->OnLinkExecute = TZCLFormattedLabelLinkExecuteEvent(this, &FormattedLabelTest::HandleLink);
  TPoint p;
  ASSERT_TRUE(FindLink(p));
  EXPECT_EQ(Sub()->GetHitTest()->Cursor, crHandPoint);
  Click(TMouseButton::Left, p);
  RunQueued();
  EXPECT_EQ(Handlers, (std::vector<String>{u"http://example.org/page"}));
  EXPECT_EQ(Launched, (std::vector<String>{u"http://example.org/page"}));
  // A right click runs the link too; a handler that takes it stops the shell.
  TakeLinks = true;
  Click(TMouseButton::Right, p);
  RunQueued();
  EXPECT_EQ(Handlers.size(), 2u);
  EXPECT_EQ(Launched.size(), 1u);
  // Plain text under the pointer is no link.
  Sub()->UpdateHitTest(1, p.Y);
  EXPECT_EQ(Sub()->GetHitTest()->GetHitObjectData(u"Hyperlink"), nullptr);
}

TEST_F(FormattedLabelTest, OptionsDecideDetectionButTaggedLinksAlwaysWork) {
  Label->SetCaption(u"http://example.org/a");
  TPoint p;
  EXPECT_TRUE(FindLink(p));
  const Integer imports = Sub()->GetImportCount();
  Label->SetOptions({});
  EXPECT_EQ(Sub()->GetImportCount(), imports + 1);
  EXPECT_FALSE(FindLink(p));
  Label->SetCaption(u"[URL=mailto:me@example.org]write[/URL] to me");
  ASSERT_TRUE(FindLink(p));
  Click(TMouseButton::Left, p);
  RunQueued();
  EXPECT_TRUE(Launched.empty()) << "not a URL: only a handler acts on it";
  // An equal caption is not imported again.
  const Integer before = Sub()->GetImportCount();
  Label->SetCaption(Label->GetCaption());
  Label->SetOptions({});
  EXPECT_EQ(Sub()->GetImportCount(), before);
}

TEST_F(FormattedLabelTest, LongTextScrollsOrEndsWithAnEllipsis) {
  String text;
  for (int i = 0; i < 120; ++i) text += u"word" + IntToStr(i) + u" ";
  Label->SetCaption(text);
  Sub()->Changed(0);
  auto* content = static_cast<TZCLFormattedLabelViewInfo*>(Sub()->GetViewInfo());
  EXPECT_EQ(content->VisibleScrollBars(), 2);
  EXPECT_GT(content->GetContentSize().cy, 100);
  EXPECT_FALSE(Sub()->GetFormattedText()->GetTruncated());
  Label->SetAutoScroll(false);
  Sub()->Changed(0);
  EXPECT_EQ(content->VisibleScrollBars(), 0);
  EXPECT_TRUE(Sub()->GetFormattedText()->GetTruncated());
  EXPECT_EQ(content->GetContentSize(), TSize(300, 100));
}

TEST_F(FormattedLabelTest, OlderFormsStoringTextLoadTheirCaption) {
  const std::string form = "object Label1: TZCLFormattedLabel\n  Text = 'Stored [B]text[/B]'\nend\n";
  TBytesStream text(TBytes(form.begin(), form.end())), binary;
  ObjectTextToBinary(&text, &binary);
  binary.SetPosition(0);
  TOwned<TZCLFormattedLabel> loaded(Create<TZCLFormattedLabel>(static_cast<TComponent*>(nullptr)));
  ReadComponent(&binary, loaded.get());
  EXPECT_EQ(loaded->GetCaption(), u"Stored [B]text[/B]");
  // Written back, the text goes under Caption only.
  TBytesStream out, outText;
  WriteComponent(&out, loaded.get());
  out.SetPosition(0);
  ObjectBinaryToText(&out, &outText);
  const TBytes bytes = outText.GetBytes();
  const std::string written(bytes.begin(), bytes.begin() + outText.GetSize());
  EXPECT_NE(written.find("Caption = "), std::string::npos);
  EXPECT_EQ(written.find("Text = "), std::string::npos);
}

}  // namespace
