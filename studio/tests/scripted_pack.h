// A pack for tests: answers commands by prefix, logs every call, and sends scripted
// notifications to its host when a command arrives (which may come back into it).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "pack_interfaces.h"
#include "platform/com/object.h"

namespace studio::testing {

class ScriptedPack final : public platform::com::ComObject<IPack> {
 public:
  explicit ScriptedPack(std::string name) : name_(std::move(name)) {}

  // The first rule whose prefix starts a command answers it.
  void Answer(const std::string& prefix, HRESULT result) { answers_.emplace_back(prefix, result); }
  // When a command starts with `prefix`, the pack sends `notification` to its host first.
  void Notify(const std::string& prefix, const std::string& notification) {
    notifications_.emplace_back(prefix, notification);
  }
  void SetBusy(int busy) { busy_ = busy; }

  // "Name.Call" or "Name.Command:<text>", in call order; shared between packs when given.
  std::vector<std::string>* log = nullptr;
  std::vector<std::string> ownLog;
  // The name its notifications carry; its log name when empty.
  std::string senderName;
  IPackHost* Host() const { return host_; }

  STDMETHODIMP Reserved3() override { return S_OK; }
  STDMETHODIMP SetHost(IPackHost* host) override;
  STDMETHODIMP Uninitialize() override;
  STDMETHODIMP CreateWindow(DWORD, const RECT*, HWND) override { return Log("CreateWindow"); }
  STDMETHODIMP DestroyWindow() override { return Log("DestroyWindow"); }
  STDMETHODIMP MoveWindow(const RECT*) override { return Log("MoveWindow"); }
  STDMETHODIMP_(int) QueryBusy(int) override {
    Log("QueryBusy");
    return busy_;
  }
  STDMETHODIMP Show(BOOL show) override { return Log(show ? "Show(1)" : "Show(0)"); }
  STDMETHODIMP Reserved11() override { return S_OK; }
  STDMETHODIMP Reserved12() override { return S_OK; }
  STDMETHODIMP LoadProject(IProjectDocument* document) override;
  STDMETHODIMP SaveProject(IProjectDocument* document) override;
  STDMETHODIMP Reserved15() override { return S_OK; }
  STDMETHODIMP Command(LPCSTR sender, LPCSTR text) override;
  STDMETHODIMP DropData(HANDLE) override { return Log("DropData"); }
  STDMETHODIMP DragOver(POINT*, DWORD* effect) override;
  STDMETHODIMP Reserved19() override { return S_OK; }
  STDMETHODIMP FilterMessage(MSG*) override { return S_FALSE; }

  // What LoadProject read of the pack's group, and what SaveProject writes there.
  std::string loadedList;
  std::string listToSave;

 private:
  HRESULT Log(const std::string& entry);

  std::string name_;
  IPackHost* host_ = nullptr;
  int busy_ = 0;
  std::vector<std::pair<std::string, HRESULT>> answers_;
  std::vector<std::pair<std::string, std::string>> notifications_;
};

}  // namespace studio::testing
