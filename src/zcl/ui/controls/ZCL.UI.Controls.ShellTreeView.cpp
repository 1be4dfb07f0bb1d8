#include "zcl/ui/controls/ZCL.UI.Controls.ShellTreeView.h"

#include <memory>

#include "os/OS.Environment.h"
#include "os/OS.Files.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Strings.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.Utils.FileSystem.Watcher.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Logger.h"
#include "zcl/base/ZCL.Utils.Shell.h"
#include "zcl/graphics/ZCL.Graphics.Images.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.Columns.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.Locks.h"

namespace {

constexpr const char16_t* ShellLogTag = u"Shell";
constexpr const char16_t* QuickAccessCaption = u"Quick access";

// "/" stays as it is: it is the root, not a trailing delimiter.
String StripDelimiter(const String& Path) {
  if (Path.size() > 1 && Path.back() == u'/') return Path.substr(0, Path.size() - 1);
  return Path;
}

std::vector<String> AbsoluteComponents(const TZCLShellFolder* Folder) {
  std::vector<String> result;
  if (Folder) {
    PCItemIDList id = Folder->GetAbsoluteID();
    TPIDLHelper::PIDLToComponents(id, TPIDLHelper::GetPIDLSize(id), result);
  }
  return result;
}

String LastComponent(TZCLTreeListNode* Node) {
  const std::vector<String> parts = AbsoluteComponents(TZCLShellTreeViewSubClass::GetFolder(Node));
  return parts.empty() ? String() : parts.back();
}

// The path, or else its deepest existing ancestor; empty for a path that is not absolute.
String DeepestExistingFolder(String Path) {
  if (Path.empty() || Path[0] != u'/') return String();
  while (Path.size() > 1 && !zcDirectoryExists(Path)) {
    Path = StripDelimiter(Path);
    const size_t slash = Path.rfind(u'/');
    Path = slash == 0 ? String(u"/") : Path.substr(0, slash);
  }
  return Path;
}

}  // namespace

// ---- image list -------------------------------------------------------------------------------

TZCLShellImageList::TZCLShellImageList(TComponent* AOwner) : TZCLImageList(AOwner) {
  SetSize(16);
  try {
    TResourceStream stream(u"ZCLFOLDER16", u"ICON");
    std::unique_ptr<TZCLImage, void (*)(TZCLImage*)> image(TZCLImage::CreateFromStream(stream),
                                                           [](TZCLImage* I) { Free(I); });
    std::unique_ptr<TBitmap, void (*)(TBitmap*)> bitmap(image->ToBitmap(afDefined), [](TBitmap* B) { Free(B); });
    FFolderIndex = AddBitmap(bitmap.get());
  } catch (const Exception&) {
    FFolderIndex = -1;  // the folders go without an icon
  }
}

Integer TZCLShellImageList::GetImageIndex(const TZCLShellFolder*) const { return FFolderIndex; }

// ---- options ----------------------------------------------------------------------------------

void TZCLShellTreeViewCustomOptions::BeginUpdate() {
  inherited::BeginUpdate();
  FWrapped->BeginUpdate();
}

void TZCLShellTreeViewCustomOptions::EndUpdate() {
  FWrapped->EndUpdate();
  inherited::EndUpdate();
}

void TZCLShellTreeViewCustomOptions::DoAssign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TZCLShellTreeViewCustomOptions*>(Source))
    FWrapped->Assign(source->FWrapped);
  else
    inherited::DoAssign(Source);
}

void TZCLShellTreeViewCustomOptions::DoChanged(TZCLPersistentChanges Changes) {
  FWrapped->Changed(Changes);
  if ((Changes & KindReload) && FOwner) FOwner->ReloadData();
}

void TZCLShellTreeViewOptionsBehavior::DoAssign(TPersistent* Source) {
  inherited::DoAssign(Source);
  if (auto* s = dynamic_cast<TZCLShellTreeViewOptionsBehavior*>(Source)) {
    FAllowLibraryPaths = s->FAllowLibraryPaths;
    SetAutoCheckParents(s->GetAutoCheckParents());
    SetAutoCheckChildren(s->GetAutoCheckChildren());
    FSystemMenu = s->FSystemMenu;
  }
}

void TZCLShellTreeViewOptionsBehavior::DeclareProperties(TClassDeclaration<TZCLShellTreeViewOptionsBehavior>& D) {
  using C = TZCLShellTreeViewOptionsBehavior;
  D.Property(u"AllowLibraryPaths", &C::GetAllowLibraryPaths, &C::SetAllowLibraryPaths).Default(false);
  D.Property(u"AutoCheckChildren", &C::GetAutoCheckChildren, &C::SetAutoCheckChildren).Default(false);
  D.Property(u"AutoCheckParents", &C::GetAutoCheckParents, &C::SetAutoCheckParents).Default(false);
  D.Property(u"SystemMenu", &C::GetSystemMenu, &C::SetSystemMenu).Default(false);
}

TZCLShellTreeViewOptionsView::TZCLShellTreeViewOptionsView(TZCLShellTreeViewSubClass* AOwner,
                                                           TZCLTreeListCustomOptions* AWrapped)
    : TZCLShellTreeViewCustomOptions(AOwner, AWrapped) {
  Options()->GetColumns()->SetVisible(false);
  Options()->GetNodes()->SetGridLines({});
}

void TZCLShellTreeViewOptionsView::SetShowFavorites(bool Value) { SetBooleanField(FShowFavorites, Value, KindReload); }

void TZCLShellTreeViewOptionsView::SetShowHidden(TZCLBoolean Value) {
  if (FShowHidden == Value) return;
  FShowHidden = Value;
  Changed(KindReload);
}

bool TZCLShellTreeViewOptionsView::ShowHiddenResolved() const {
  return FShowHidden == TZCLBoolean::Default ? ShellShowHiddenFiles() : FShowHidden == TZCLBoolean::True;
}

void TZCLShellTreeViewOptionsView::DoAssign(TPersistent* Source) {
  inherited::DoAssign(Source);
  if (auto* s = dynamic_cast<TZCLShellTreeViewOptionsView*>(Source)) {
    SetShowHidden(s->FShowHidden);
    SetShowFavorites(s->FShowFavorites);
  }
}

void TZCLShellTreeViewOptionsView::DeclareProperties(TClassDeclaration<TZCLShellTreeViewOptionsView>& D) {
  using C = TZCLShellTreeViewOptionsView;
  D.Property(u"Borders", &C::GetBorders, &C::SetBorders).Default(TZCLBorders{mLeft, mTop, mRight, mBottom});
  D.Property(u"CheckBoxes", &C::GetCheckBoxes, &C::SetCheckBoxes).Default(false);
  D.Property(u"ShowFavorites", &C::GetShowFavorites, &C::SetShowFavorites).Default(false);
  D.Property(u"ShowHidden", &C::GetShowHidden, &C::SetShowHidden).Default(TZCLBoolean::Default);
}

// ---- sub-class --------------------------------------------------------------------------------

TZCLShellTreeViewSubClass::TZCLShellTreeViewSubClass(TComponent* AOwner) : TZCLTreeListSubClass(AOwner) {}

TZCLShellTreeViewSubClass::~TZCLShellTreeViewSubClass() {
  Free(FShellOptionsView);
  Free(FShellOptionsBehavior);
}

void TZCLShellTreeViewSubClass::AfterConstruction() {
  inherited::AfterConstruction();
  FShellOptionsBehavior = CreateOptionsBehavior();
  FShellOptionsView = CreateOptionsView();
  FImages = Create<TZCLShellImageList>(static_cast<TComponent*>(this));
  BeginUpdate();
  try {
    // The captions are value 0; the header is hidden by the view options.
    GetColumns()->Add(String());
    FOptionsBehavior->SetAutoBestFit(true);
    FOptionsBehavior->SetIncSearchColumnIndex(0);
    FOptionsView->GetNodes()->SetImages(FImages);
    // The root asked for its children while the engine was being built, before this class
    // could answer: it asks again on first use.
    FRoot->SetHasChildrenFlag(true);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  TZCLDriveManager::AddCallback(TZCLDriveManager::TCallback(this, &TZCLShellTreeViewSubClass::DriveChanged));
  FDriveCallback = true;
}

void TZCLShellTreeViewSubClass::BeforeDestruction() {
  if (FDriveCallback)
    TZCLDriveManager::RemoveCallback(TZCLDriveManager::TCallback(this, &TZCLShellTreeViewSubClass::DriveChanged));
  FDriveCallback = false;
  // Nodes free their folders while they go; the view options must not reload meanwhile.
  ++FLoadCount;
  inherited::BeforeDestruction();
}

TZCLShellTreeViewOptionsBehavior* TZCLShellTreeViewSubClass::CreateOptionsBehavior() {
  return new TZCLShellTreeViewOptionsBehavior(this, FOptionsBehavior);
}

TZCLShellTreeViewOptionsView* TZCLShellTreeViewSubClass::CreateOptionsView() {
  return new TZCLShellTreeViewOptionsView(this, FOptionsView);
}

void TZCLShellTreeViewSubClass::DoGetNodeChildren(TZCLTreeListNode* Node) {
  const bool outermost = FLoadCount == 0;
  std::vector<HWND> disabled;
  ++FLoadCount;
  try {
    if (outermost) {
      // The program's other windows wait while a folder is read.
      TCustomForm* form = GetParentForm(dynamic_cast<TControl*>(GetOwner()), true);
      disabled = DisableTaskWindows(form && form->HandleAllocated() ? form->GetHandle() : nullptr);
    }
    if (Node == FRoot)
      PopulateRoot(Node);
    else
      DoGetPathChildren(Node);
  } catch (...) {
    // A folder that cannot be read simply shows no children.
  }
  if (outermost) EnableTaskWindows(disabled);
  --FLoadCount;
}

void TZCLShellTreeViewSubClass::PopulateRoot(TZCLTreeListNode* Node) {
  if (FShellOptionsView->GetShowFavorites()) {
    FQuickAccess = Node->AddChild({String(QuickAccessCaption)});
    FQuickAccess->SetImageIndex(FImages->GetImageIndex());
    FQuickAccess->SetHasChildrenFlag(true);
    FQuickAccess->SetExpanded(FQuickAccessExpanded);
  }
  AddFolder(new TZCLShellFolder(), Node)->SetExpanded(true);
}

void TZCLShellTreeViewSubClass::LoadQuickAccess(TZCLTreeListNode* Node) {
  std::vector<String> seen;
  for (TUserFolder kind : {TUserFolder::Home, TUserFolder::Desktop, TUserFolder::Documents, TUserFolder::Downloads,
                           TUserFolder::Music, TUserFolder::Pictures}) {
    // A user folder that is missing, or that falls back to the home folder itself, is left out.
    const String path = StripDelimiter(GetUserFolder(kind));
    if (path.empty() || path == u"/" || !zcDirectoryExists(path) ||
        std::find(seen.begin(), seen.end(), path) != seen.end())
      continue;
    seen.push_back(path);
    PItemIDList id = TPIDLHelper::GetPIDLFromPath(nullptr, path);
    if (!id) continue;
    try {
      AddFolder(new TZCLShellFolder(static_cast<PCItemIDList>(id)), Node);
    } catch (const Exception&) {
      // A folder that cannot be made has no node.
    }
    TPIDLHelper::DisposePIDL(id);
  }
}

void TZCLShellTreeViewSubClass::DoGetPathChildren(TZCLTreeListNode* Node) {
  if (Node == FQuickAccess) return LoadQuickAccess(Node);
  TZCLShellFolder* parent = GetFolder(Node);
  if (!parent) return;
  struct TContext {
    TZCLShellFolder* Parent;
    std::vector<TZCLShellFolder*> Kept;
    static void Add(TContext* Context, PItemIDList ID) {
      auto* folder = new TZCLShellFolder(Context->Parent, ID);
      TPIDLHelper::DisposePIDL(ID);
      // Only folders of the file system: an archive that shows as a folder is left out.
      if (folder->IsFileSystem())
        Context->Kept.push_back(folder);
      else
        Free(folder);
    }
  } context{parent, {}};
  try {
    parent->Enum(nullptr, FShellOptionsView->ShowHiddenResolved(),
                 TZCLShellFolder::TEnumCallback(&context, &TContext::Add));
  } catch (...) {
    for (TZCLShellFolder* folder : context.Kept) Free(folder);
    throw;
  }
  // Enum hands the children over in the shell's own order already.
  for (size_t i = 0; i < context.Kept.size(); ++i) {
    try {
      AddFolder(context.Kept[i], Node);
    } catch (...) {
      for (size_t j = i + 1; j < context.Kept.size(); ++j) Free(context.Kept[j]);
      throw;
    }
  }
}

TZCLTreeListNode* TZCLShellTreeViewSubClass::AddFolder(TZCLShellFolder* Folder, TZCLTreeListNode* Parent) {
  TZCLTreeListNode* node = nullptr;
  try {
    node = Parent->AddChild({Folder->DisplayName()});
  } catch (...) {
    Free(Folder);
    throw;
  }
  node->Data = Folder;
  node->SetHasChildrenFlag(Folder->HasSubFolders());
  node->SetImageIndex(FImages->GetImageIndex(Folder));
  return node;
}

void TZCLShellTreeViewSubClass::NodeRemoving(TZCLTreeListNode* Node) {
  if (Node == FQuickAccess) {
    FQuickAccessExpanded = Node->GetExpanded();
    FQuickAccess = nullptr;
  }
  auto* folder = GetFolder(Node);
  Node->Data = nullptr;
  Free(folder);
  inherited::NodeRemoving(Node);
}

String TZCLShellTreeViewSubClass::GetPath(TZCLTreeListNode* Node) {
  TZCLShellFolder* folder = GetFolder(Node);
  if (!folder) return String();
  if (FShellOptionsBehavior->GetAllowLibraryPaths() && folder->IsLibrary()) return folder->ParsingName();
  const String path = folder->Path();
  return path.empty() ? path : zcIncludeTrailingPathDelimiter(path);
}

void TZCLShellTreeViewSubClass::DoFocusedNodeChanged() {
  FSelectedPath = StripDelimiter(GetPath(GetFocusedNode()));
  inherited::DoFocusedNodeChanged();
}

TZCLTreeListNode* TZCLShellTreeViewSubClass::FindNode(const std::vector<String>& Components) {
  TZCLTreeListNode* best = nullptr;
  size_t bestDepth = 0;
  // The folder's own node under a top-level node (a favourite) wins over the walk from "/" when
  // it gets deeper: the list is shortened from its end and each match followed downwards.
  for (size_t length = Components.size(); length > 0; --length) {
    const std::vector<String> prefix(Components.begin(), Components.begin() + length);
    for (Integer t = 0; t < FRoot->GetChildrenCount(); ++t) {
      TZCLTreeListNode* top = FRoot->GetChild(t);
      for (Integer c = 0; c < top->GetChildrenCount(); ++c) {
        TZCLTreeListNode* node = top->GetChild(c);
        if (AbsoluteComponents(GetFolder(node)) != prefix) continue;
        size_t depth = length;
        while (depth < Components.size()) {
          TZCLTreeListNode* next = nullptr;
          for (Integer i = 0; i < node->GetChildrenCount() && !next; ++i)
            if (LastComponent(node->GetChild(i)) == Components[depth]) next = node->GetChild(i);
          if (!next) break;
          node = next;
          ++depth;
        }
        if (!best || depth > bestDepth) {
          best = node;
          bestDepth = depth;
        }
        if (depth == Components.size()) return best;
      }
    }
  }
  if (best) return best;
  for (Integer t = 0; t < FRoot->GetChildrenCount(); ++t)
    if (GetFolder(FRoot->GetChild(t)) && AbsoluteComponents(GetFolder(FRoot->GetChild(t))).empty())
      return FRoot->GetChild(t);
  return nullptr;
}

void TZCLShellTreeViewSubClass::SetSelectedPath(const String& Path) {
  try {
    const String path = StripDelimiter(Path);
    if (path == FSelectedPath) return;
    FSelectedPath = path;
    // A path that does not exist is taken up to its deepest existing folder.
    const String existing = DeepestExistingFolder(path);
    PItemIDList id = TPIDLHelper::GetPIDLFromPath(nullptr, existing.empty() ? path : existing);
    if (!id) return;  // logged by the parser
    std::vector<String> components;
    TPIDLHelper::PIDLToComponents(id, TPIDLHelper::GetPIDLSize(id), components);
    TPIDLHelper::DisposePIDL(id);
    if (TZCLTreeListNode* node = FindNode(components)) {
      SetFocusedNode(node);
      FSelectedPath = StripDelimiter(GetPath(node));
    }
  } catch (const Exception&) {
    LogWriteFormat(DefaultLogFile(), ShellLogTag, u"SetSelectedPath failed (%s)", {Path});
  }
}

void TZCLShellTreeViewSubClass::CreateFolder(const String& Name) {
  TZCLTreeListNode* node = GetFocusedNode();
  if (!node) return;
  const String parentPath = GetPath(node);
  // A node outside the file system (favourites) has no folder to make it in.
  if (parentPath.empty() || ShellIsLibraryPath(parentPath)) return;
  String path;
  {
    TZCLTreeListLockedUpdate update(this);
    auto taken = [node](const String& Caption) {
      for (Integer i = 0; i < node->GetChildrenCount(); ++i)
        if (node->GetChild(i)->GetValue(0) == Caption) return true;
      return false;
    };
    String name = Name;
    for (Integer n = 2; taken(name); ++n) name = Name + u" (" + IntToStr(n) + u")";
    path = parentPath + name;
    ForceDirectories(path);  // a failure leaves the tree as it was
    node->DeleteChildren();
    node->SetHasChildrenFlag(true);
    node->GetChildrenCount();
    node->SetExpanded(true);
  }
  SetSelectedPath(path);
}

void TZCLShellTreeViewSubClass::ReloadData() {
  if (FLoadCount > 0) return;
  const String path = FSelectedPath;
  {
    TZCLTreeListLockedUpdate update(this);
    Clear();
    FSelectedPath.clear();
    FRoot->SetHasChildrenFlag(true);
    FRoot->GetChildrenCount();
  }
  if (!path.empty()) SetSelectedPath(path);
}

void TZCLShellTreeViewSubClass::ProcessKeyDown(Word& Key, TShiftState Shift) {
  if (Key == VK_F5 && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt) && !Shift.Contains(ssShift)) {
    Key = 0;
    ReloadData();
    return;
  }
  inherited::ProcessKeyDown(Key, Shift);
}

void TZCLShellTreeViewSubClass::DriveChanged(const TZCLDriveInfo&, bool) {
  if (!IsLoading()) ReloadData();
}

void TZCLShellTreeViewSubClass::ConfigLoad(TZCLIniFile* Ini, const String& Section, const String& Item) {
  inherited::ConfigLoad(Ini, Section, Item);
  if (!Ini || !FShellOptionsView->GetShowFavorites()) return;
  FQuickAccessExpanded = Ini->ReadBool(Section, Item + u".QuickAccessExpanded", true);
  if (FQuickAccess) FQuickAccess->SetExpanded(FQuickAccessExpanded);
}

void TZCLShellTreeViewSubClass::ConfigSave(TZCLIniFile* Ini, const String& Section, const String& Item) {
  inherited::ConfigSave(Ini, Section, Item);
  if (!Ini || !FShellOptionsView->GetShowFavorites()) return;
  const String key = Item + u".QuickAccessExpanded";
  if (GetQuickAccessExpanded())
    Ini->DeleteKey(Section, key);
  else
    Ini->WriteBool(Section, key, false);
}

// ---- control ----------------------------------------------------------------------------------

TZCLCompoundControlSubClass* TZCLShellTreeView::CreateSubClass() { return Create<TZCLShellTreeViewSubClass>(this); }

bool TZCLShellTreeView::CreateFolder(const String& Name) {
  if (!GetFocusedNode()) return false;
  String value = Name;
  if (!TZCLInputQueryDialog::Execute(TZCLDialogsStrs::NewFolderCaption, String(), value,
                                     HandleAllocated() ? GetHandle() : nullptr))
    return false;
  value = Trim(value);
  GetShellSubClass()->CreateFolder(value.empty() ? TZCLDialogsStrs::NewFolderCaption : value);
  return true;
}

void TZCLShellTreeView::DeclareProperties(TClassDeclaration<TZCLShellTreeView>& D) {
  using C = TZCLShellTreeView;
  using S = TZCLTreeListSubClass;
  D.Publish(u"DoubleBuffered").Default(true);
  D.Publish(u"Font");
  D.Property(u"OptionsBehavior", &C::GetOptionsBehavior, &C::SetOptionsBehavior);
  D.Property(u"OptionsView", &C::GetOptionsView, &C::SetOptionsView);
  D.Property(u"ResourceCollection", &C::GetResourceCollection, &C::SetResourceCollection);
  D.Property(u"Style", &C::GetStyle, &C::SetStyle);
  D.Property(u"StyleInplaceEdit", &C::GetStyleInplaceEdit, &C::SetStyleInplaceEdit);
  D.Property(u"StyleScrollBox", &C::GetStyleScrollBox, &C::SetStyleScrollBox);
  D.Publish(u"TabStop").Default(true);
  D.Property(u"OnCustomDrawNode", &C::GetEngineEvent<&S::OnCustomDrawNode>, &C::SetEngineEvent<&S::OnCustomDrawNode>);
  D.Property(u"OnCustomDrawNodeCell", &C::GetEngineEvent<&S::OnCustomDrawNodeCell>,
             &C::SetEngineEvent<&S::OnCustomDrawNodeCell>);
  D.Property(u"OnCalculated", &C::GetEngineEvent<&S::OnCalculated>, &C::SetEngineEvent<&S::OnCalculated>);
  D.Property(u"OnDrop", &C::GetEngineEvent<&S::OnDrop>, &C::SetEngineEvent<&S::OnDrop>);
  D.Property(u"OnFocusedNodeChanged", &C::GetEngineEvent<&S::OnFocusedNodeChanged>,
             &C::SetEngineEvent<&S::OnFocusedNodeChanged>);
  D.Property(u"OnGetCursor", &C::GetEngineEvent<&S::OnGetCursor>, &C::SetEngineEvent<&S::OnGetCursor>);
  D.Property(u"OnGetNodeBackground", &C::GetEngineEvent<&S::OnGetNodeBackground>,
             &C::SetEngineEvent<&S::OnGetNodeBackground>);
  D.Property(u"OnGetNodeCellStyle", &C::GetEngineEvent<&S::OnGetNodeCellStyle>,
             &C::SetEngineEvent<&S::OnGetNodeCellStyle>);
  D.Property(u"OnNodeChecked", &C::GetEngineEvent<&S::OnNodeChecked>, &C::SetEngineEvent<&S::OnNodeChecked>);
  D.Property(u"OnSelectionChanged", &C::GetEngineEvent<&S::OnSelectionChanged>,
             &C::SetEngineEvent<&S::OnSelectionChanged>);
  for (const char16_t* name : {u"OnClick", u"OnDblClick", u"OnKeyDown", u"OnKeyPress", u"OnKeyUp", u"OnMouseDown",
                               u"OnMouseMove", u"OnMouseUp"})
    D.Publish(name);
}

void RegisterShellTreeViewClasses() {
  RegisterProperties<TZCLShellTreeViewOptionsBehavior>();
  RegisterProperties<TZCLShellTreeViewOptionsView>();
  RegisterProperties<TZCLShellTreeView>();
  RegisterClasses({TZCLShellTreeView::StaticClass()});
}
