#include "pack_host.h"

#include <cstdlib>
#include <cstring>

#include "platform/base/module.h"
#include "platform/base/strings.h"
#include "platform/com/class_table.h"
#include "publish_link.h"

namespace studio {
namespace {

DEFINE_GUID(IID_ISkinComponent, 0x74D6DDC9, 0x563E, 0x40EC, 0xB6, 0x2B, 0x24, 0x30, 0x80, 0xE9, 0x5A, 0x0E);

// The outside skin component: only its loading slot is called.
struct ISkinComponent : public IUnknown {
  STDMETHOD(Reserved3)() PURE;
  STDMETHOD(Reserved4)() PURE;
  STDMETHOD(LoadSkin)(HMODULE module, int id, LPCSTR type, LPCSTR file, void** skin) PURE;
};

bool StartsWithNoCase(std::string_view text, std::string_view word) {
  return text.size() >= word.size() && platform::EqualsNoCase(text.substr(0, word.size()), word);
}

bool Contains(std::string_view text, std::string_view word) { return text.find(word) != std::string_view::npos; }

// The text after its first `count` characters; empty for a shorter text.
std::string_view After(std::string_view text, size_t count) {
  return count >= text.size() ? std::string_view() : text.substr(count);
}

bool IsFrom(const std::string& sender, const char* name) { return platform::EqualsNoCase(sender, name); }

std::string LastWord(const std::string& key) {
  const size_t blank = key.find_last_of(" \t");
  return blank == std::string::npos ? key : key.substr(blank + 1);
}

}  // namespace

std::vector<std::pair<std::string, std::string>> SplitPairs(std::string_view text) {
  std::vector<std::pair<std::string, std::string>> pairs;
  size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && text[at] == ';') ++at;
    if (at >= text.size()) break;
    const size_t end = std::min(text.find(';', at), text.size());
    const std::string_view pair = text.substr(at, end - at);
    const size_t equals = pair.find('=');
    if (equals == std::string_view::npos) pairs.emplace_back(platform::Trim(pair), std::string());
    else pairs.emplace_back(platform::Trim(pair.substr(0, equals)), std::string(pair.substr(equals + 1)));
    at = end;
  }
  return pairs;
}

STDMETHODIMP PackHost::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPackHost)) {
    *ppv = static_cast<IPackHost*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) PackHost::AddRef() { return ++refs_; }

STDMETHODIMP_(ULONG) PackHost::Release() {
  if (refs_ == 1 && ownerHolds_) return refs_;  // only the window gives its reference back
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

void PackHost::ReleaseOwner() {
  owner_ = nullptr;
  ownerHolds_ = false;
  Release();
}

STDMETHODIMP PackHost::GetValue(LPCSTR key, BSTR* value) {
  if (!key || !value || !owner_) return E_FAIL;
  const AppSettings& s = owner_->settings;
  const std::string_view k(key);
  std::string answer;
  if (platform::EqualsNoCase(k, "ProjectFileVersion")) answer = s.projectFileVersion == 4 ? "4.0" : "5.0";
  else if (platform::EqualsNoCase(k, "RenderingType")) answer = owner_->flags.smartRender ? "3" : "1";
  else if (platform::EqualsNoCase(k, "ViewMotionButton")) answer = owner_->flags.motionDlg ? "1" : "0";
  else if (platform::EqualsNoCase(k, "MakeCopyDisc")) answer = owner_->flags.makeCopyDisc ? "1" : "0";
  else if (platform::EqualsNoCase(k, "TempFolder")) answer = owner_->folders.temp;
  else if (platform::EqualsNoCase(k, "OutputFolder")) answer = owner_->folders.output;
  else if (platform::EqualsNoCase(k, "ImageFolder")) answer = s.imageFolder;
  else if (platform::EqualsNoCase(k, "AppFolder")) answer = owner_->folders.program;
  else if (platform::EqualsNoCase(k, "registry")) answer = kBurnerKey;
  else if (platform::EqualsNoCase(k, "VideoStandard")) answer = s.tvSystemIndex == 1 ? "PAL" : "NTSC";
  else return E_FAIL;
  *value = SysAllocString(answer.c_str());
  return *value ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP PackHost::Command(LPCSTR senderText, LPCSTR textPointer) {
  if (!senderText || !textPointer || !owner_) return E_POINTER;
  StudioModel& model = *owner_;
  const std::string sender(senderText);
  const std::string text(textPointer);

  // Clip notifications start the text, so a path that holds the word is never taken for one.
  if (StartsWithNoCase(text, "add file")) model.AddClip(platform::Trim(After(text, 9)), FALSE);
  if (StartsWithNoCase(text, "addfile"))
    for (const auto& [key, value] : SplitPairs(After(text, 8)))
      if (key == "file") model.AddClip(value, FALSE);
  if (Contains(text, "audiotype"))
    for (const auto& [key, value] : SplitPairs(text)) {
      if (LastWord(key) != "audiotype") continue;
      if (Contains(value, "lpcm")) model.audioType = 1;
      if (Contains(value, "mp2")) model.audioType = 0;
    }
  if (StartsWithNoCase(text, "delete"))
    for (const auto& [key, value] : SplitPairs(After(text, 7)))
      if (key == "file") model.DeleteClipByPath(value);

  if (Contains(text, "chapter project title")) {
    IPack* target = IsFrom(sender, kBurnerSender)   ? model.editor
                    : IsFrom(sender, kEditorSender) ? model.burner
                                                    : nullptr;
    if (target) return target->Command(kHostSender, text.c_str());
  } else if (Contains(text, "add project title") && IsFrom(sender, kEditorSender)) {
    int edit = 0;
    int playTime = 0;
    for (const auto& [key, value] : SplitPairs(After(text, 18))) {
      if (key == "edit") edit = std::atoi(value.c_str());
      if (key == "playtime") playTime = std::atoi(value.c_str());
    }
    model.clips.AddProjectTitleItem(edit, playTime, std::string());
    if (platform::EqualsNoCase(model.Ui().LanguageCode(), "0x0411") || edit == 1 || edit == 2)
      return model.SendTo(model.burner, text);
  }
  return RelayStage(sender, text);
}

HRESULT PackHost::RelayStage(const std::string& sender, const std::string& text) {
  StudioModel& model = *owner_;
  const bool fromEditor = IsFrom(sender, kEditorSender);
  const bool fromBurner = IsFrom(sender, kBurnerSender);
  if (Contains(text, "encode project title")) return fromBurner ? model.SendTo(model.editor, text) : S_OK;
  if (Contains(text, "prog encode")) {
    if (!fromEditor) return S_OK;
    int percent = 0;
    for (const auto& [key, value] : SplitPairs(After(text, 12)))
      if (key == "prog") percent = std::atoi(value.c_str());
    if (model.Ui().NotifySideProgram(PUBLISH_PROGRESS, percent)) return S_OK;
    return model.SendTo(model.burner, text);
  }
  if (Contains(text, "cancel encode")) {
    if (fromBurner) return model.SendTo(model.editor, text);
    // A render that failed is told as a failure, never as the user's cancel.
    bool failed = false;
    for (const auto& [key, value] : SplitPairs(After(text, 14)))
      if (key == "failed") failed = std::atoi(value.c_str()) != 0;
    if (model.Ui().NotifySideProgram(failed ? PUBLISH_FAILED : PUBLISH_CANCEL, 0)) return S_OK;
    return model.SendTo(model.burner, text);
  }
  if (Contains(text, "end encode")) {
    if (!fromEditor) return S_OK;
    if (model.Ui().NotifySideProgram(PUBLISH_DONE, 0)) return S_OK;
    return model.SendTo(model.burner, text);
  }
  return S_OK;
}

STDMETHODIMP_(int) PackHost::MessageBox(LPCSTR text, UINT type) {
  if (!owner_) return 0;
  return owner_->Ui().ShowMessageBox(text ? text : "", type);
}

STDMETHODIMP PackHost::DisableMainControls(BOOL disable) {
  if (owner_) owner_->Ui().EnableControls(disable ? FALSE : TRUE);
  return S_OK;
}

STDMETHODIMP PackHost::CreateSkin(void** skin) {
  if (!skin) return E_POINTER;
  *skin = nullptr;
  CLSID clsid{};
  HRESULT hr = CLSIDFromProgID("Narvell.Skin.1", &clsid);
  if (FAILED(hr)) return hr;
  ISkinComponent* component = nullptr;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_ISkinComponent, reinterpret_cast<void**>(&component));
  if (FAILED(hr) || !component) return FAILED(hr) ? hr : E_FAIL;
  if (packNumber_ != kEditorPackNumber || !owner_) {
    component->Release();
    return E_FAIL;
  }
  // The locale library is taken from the program folder only, never from a search path.
  HMODULE locale = LoadLibrary((owner_->folders.program + "EditLocale.so").c_str());
  if (!locale) {
    component->Release();
    return E_FAIL;
  }
  hr = component->LoadSkin(locale, 159, "IMG", "skincomp.txt", skin);
  component->Release();
  return hr;
}

STDMETHODIMP PackHost::GetCurrentPage(int* page) {
  if (!page) return E_POINTER;
  *page = owner_ ? owner_->currentPage : 0;
  return S_OK;
}

}  // namespace studio
