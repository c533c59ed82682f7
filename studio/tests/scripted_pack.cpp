#include "scripted_pack.h"

namespace studio::testing {

HRESULT ScriptedPack::Log(const std::string& entry) {
  (log ? *log : ownLog).push_back(name_ + "." + entry);
  return S_OK;
}

STDMETHODIMP ScriptedPack::SetHost(IPackHost* host) {
  Log("SetHost");
  if (host) host->AddRef();
  if (host_) host_->Release();
  host_ = host;
  return S_OK;
}

STDMETHODIMP ScriptedPack::Uninitialize() {
  Log("Uninitialize");
  if (host_) host_->Release();
  host_ = nullptr;
  return S_OK;
}

STDMETHODIMP ScriptedPack::LoadProject(IProjectDocument* document) {
  Log("LoadProject");
  LPCSTR value = nullptr;
  loadedList = document && document->GetValue("List", "Items", &value) == S_OK && value ? value : "";
  return S_OK;
}

STDMETHODIMP ScriptedPack::SaveProject(IProjectDocument* document) {
  Log("SaveProject");
  if (document && !listToSave.empty()) document->SetValue("List", "Items", listToSave.c_str());
  return S_OK;
}

STDMETHODIMP ScriptedPack::Command(LPCSTR sender, LPCSTR text) {
  const std::string command = text ? text : "";
  Log("Command:" + command + "<" + (sender ? sender : "") + ">");
  // Copied first: a notification may come back in and change the script.
  const auto notifications = notifications_;
  for (const auto& [prefix, notification] : notifications)
    if (host_ && command.rfind(prefix, 0) == 0)
      host_->Command((senderName.empty() ? name_ : senderName).c_str(), notification.c_str());
  for (const auto& [prefix, result] : answers_)
    if (command.rfind(prefix, 0) == 0) return result;
  return S_FALSE;
}

STDMETHODIMP ScriptedPack::DragOver(POINT*, DWORD* effect) {
  Log("DragOver");
  if (effect) *effect = 1;
  return S_OK;
}

}  // namespace studio::testing
