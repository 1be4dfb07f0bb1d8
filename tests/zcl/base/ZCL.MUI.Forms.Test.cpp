#include <gtest/gtest.h>

#include <vector>

#include "rtl/RTL.TypInfo.h"
#include "support/HeadlessFixture.h"
#include "support/TestSupport.h"
#include "vcl/VCL.ActnList.h"
#include "vcl/VCL.Controls.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Menus.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/base/ZCL.Utils.Encodings.h"

namespace {

// A control with a published caption, as labels and buttons have.
class TMUILabel : public TGraphicControl {
  ZCL_CLASS(TMUILabel, TGraphicControl)
 public:
  using TGraphicControl::TGraphicControl;
  static void DeclareProperties(TClassDeclaration<TMUILabel>& D) { D.Publish(u"Caption"); }
};

// Localizes itself: the children it owns are its own business.
class TMUISelfLocalized : public TComponent, public IZCLLocalizableComponent {
  ZCL_CLASS(TMUISelfLocalized, TComponent)
  RTL_INTERFACES(TComponent, IZCLLocalizableComponent)
 public:
  using TComponent::TComponent;
  void Localize(const String& Section, const String& Name) override { Calls.push_back(Section + u"/" + Name); }
  std::vector<String> Calls;
};

// The pattern of the program's forms: caption and components from the form's section, at the
// language message.
class TMUIForm : public TForm {
  ZCL_CLASS(TMUIForm, TForm)
 public:
  using TForm::TForm;
  Integer LanguageMessages = 0;

 protected:
  void WndProc(TMessage& Message) override {
    if (Message.Msg == WM_ZCL_LANGUAGECHANGED && Message.WParam == 0 && Message.LParam == 0) {
      ++LanguageMessages;
      SetCaption(LangGet(u"Main", u"Caption", GetCaption()));
      LangApplyTo(u"Main", this);
      return;
    }
    inherited::WndProc(Message);
  }
};

class MUIFormsTest : public THeadlessTest {
 protected:
  void SetUp() override {
    THeadlessTest::SetUp();
    RegisterProperties<TMUILabel>();
    FSavedFolder = GetLangsFolder();
    Folder = UTF8ToString(TempDir()) + u"/";
    SetLangsFolder(Folder);
    LangFile()->Clear();
  }
  void TearDown() override {
    LangFile()->Clear();
    LangFile()->SetFileName(String());
    SetLangsFolder(FSavedFolder);
    zcDefaultCodePage = 0;
    THeadlessTest::TearDown();
  }
  void Load(const String& Name, const String& Text) {
    TZCLIniFile* ini = TZCLIniFile::CreateInMemory();
    ini->LoadFromText(Text);
    ini->SaveToFile(Folder + Name);
    Free(ini);
    LangFile()->LoadFromFile(Name);
  }

  String Folder;

 private:
  String FSavedFolder;
};

template <class T>
T* Named(TComponent* Owner, const String& Name, const String& Caption) {
  T* component = Create<T>(Owner);
  component->SetName(Name);
  component->SetCaption(Caption);
  return component;
}

TEST_F(MUIFormsTest, FormsAreLocalizedAndRelocalizedWhenTheLanguageChanges) {
  auto* form = TCustomForm::CreateNew<TMUIForm>(nullptr);
  form->SetName(u"frmMain");
  form->SetCaption(u"Main window");
  auto* title = Named<TMUILabel>(form, u"lblTitle", u"Title");
  title->SetHint(u"Title hint");
  auto* plain = Named<TMUILabel>(form, u"lblPlain", u"Plain");
  auto* open = Named<TAction>(form, u"actOpen", u"Open");
  auto* save = Named<TAction>(form, u"actSave", u"Save");
  save->SetHint(u"Save hint");
  auto* go = Named<TMUILabel>(form, u"btnGo", u"Go");
  go->SetAction(open);
  auto* file = Named<TMenuItem>(form, u"miFile", u"File");
  auto* line = Named<TMenuItem>(form, u"miLine", u"-");
  auto* self = ::Create<TMUISelfLocalized>(form);
  self->SetName(u"ownTexts");
  auto* inner = Named<TMUILabel>(self, u"lblInner", u"Inner");

  // Nothing loaded: the design-time texts stay.
  LangApplyTo(u"Main", form);
  EXPECT_EQ(title->GetCaption(), u"Title");
  EXPECT_TRUE(self->Calls.empty());

  Load(u"German.lng",
       u"[Main]\nCaption=Hauptfenster\nlblTitle=Titel\nlblTitle.h=Titelhinweis\nactOpen=Oeffnen\n"
       u"btnGo=Los\nmiFile=Datei\nmiLine=Linie\nlblInner=Innen\n");
  EXPECT_EQ(form->LanguageMessages, 1);
  EXPECT_EQ(form->GetCaption(), u"Hauptfenster");
  EXPECT_EQ(title->GetCaption(), u"Titel");
  EXPECT_EQ(title->GetHint(), u"Titelhinweis");
  EXPECT_EQ(plain->GetCaption(), u"Plain");  // no key: unchanged
  EXPECT_EQ(open->GetCaption(), u"Oeffnen");
  EXPECT_EQ(open->GetHint(), u"Oeffnen");  // no hint key: the caption
  EXPECT_EQ(save->GetCaption(), u"");      // an action without a key is emptied
  EXPECT_EQ(save->GetHint(), u"");
  EXPECT_EQ(go->GetCaption(), u"Oeffnen");  // its action speaks for it
  EXPECT_EQ(file->GetCaption(), u"Datei");
  EXPECT_EQ(line->GetCaption(), u"-");
  EXPECT_EQ(inner->GetCaption(), u"Inner");
  EXPECT_EQ(self->Calls, (std::vector<String>{u"Main/ownTexts"}));

  Load(u"French.lng", u"[Main]\nCaption=Fenetre\nlblTitle=Titre\nactOpen=Ouvrir\nactOpen.h=Ouvrir un fichier\n");
  EXPECT_EQ(form->LanguageMessages, 2);
  EXPECT_EQ(form->GetCaption(), u"Fenetre");
  EXPECT_EQ(title->GetCaption(), u"Titre");
  EXPECT_EQ(title->GetHint(), u"Titelhinweis");  // no hint key now: the last one stays
  EXPECT_EQ(open->GetHint(), u"Ouvrir un fichier");
  EXPECT_EQ(go->GetCaption(), u"Ouvrir");
  Free(form);
}

TEST_F(MUIFormsTest, EveryFormHearsTheLanguageMessageTheMainFormTwice) {
  auto* main = static_cast<TMUIForm*>(Application->CreateForm(TMUIForm::StaticClass()));
  ASSERT_EQ(Application->GetMainForm(), main);
  auto* second = TCustomForm::CreateNew<TMUIForm>(nullptr);
  ASSERT_FALSE(second->HandleAllocated());

  Load(u"Any.lng", u"[Main]\nCaption=X\n");
  EXPECT_EQ(main->LanguageMessages, 2);
  EXPECT_EQ(second->LanguageMessages, 1);
  EXPECT_EQ(second->GetCaption(), u"X");

  // A file that cannot be opened tells no form.
  LangFile()->LoadFromFile(u"Missing.lng");
  EXPECT_EQ(second->LanguageMessages, 1);
  Free(second);
  Free(main);
  EXPECT_EQ(Application->GetMainForm(), nullptr);
}

}  // namespace
