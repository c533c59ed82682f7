// The exported Qn_MDX_ functions: each packs its arguments into an operation for the manager.
#include <dlfcn.h>

#include <memory>

#include "convengine/convert_manager.h"
#include "convengine/mordax_api.h"
#include "qnlog/qn_log.h"

namespace {

// Destroyed when the module is unloaded: its destructor ends every thread first.
std::unique_ptr<mordax::Qn_ConvertManager> g_current = std::make_unique<mordax::Qn_ConvertManager>();

mordax::Qn_ConvertManager& Manager() { return *g_current; }

// A thread must never run in unloaded code: the host's unload leaves this module mapped.
bool KeepModuleLoaded() {
  Dl_info info{};
  if (!::dladdr(reinterpret_cast<void*>(&Qn_MDX_Close), &info) || !info.dli_fname) return false;
  return ::dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE) != nullptr;
}

std::unique_ptr<mordax::Qn_ConvertOp> MakeOp(int code) {
  auto op = std::make_unique<mordax::Qn_ConvertOp>();
  op->op = code;
  return op;
}

}  // namespace

int Qn_MDX_Open(HWND notifyWindow, UINT notifyMessage, int logLocation) {
  if (Manager().IsRunning()) return 0;
  QnLogInit(std::string(), "[DLL] Mordax.txt", logLocation, true, QN_LOG_LEVEL);
  return Manager().BeginMainThread(notifyWindow, notifyMessage);
}

void Qn_MDX_Close() {
  if (Manager().EndMainThread()) return;
  // The stuck thread keeps its manager, which is never freed; the next open gets a fresh one.
  const bool kept = KeepModuleLoaded();
  QnLogWrite(QN_LOG_LEVEL, "[%s] the manager thread still runs: left running, module %s until the process ends",
             "Qn_MDX_Close", kept ? "kept loaded" : "NOT kept loaded");
  [[maybe_unused]] mordax::Qn_ConvertManager* stuck = g_current.release();
  g_current = std::make_unique<mordax::Qn_ConvertManager>();
}

int Qn_MDX_WorkStop() { return Manager().PushOp(true, MakeOp(Qn_OP_STOP)); }

int Qn_MDX_AddFile(const Qn_PathList* paths) {
  auto op = MakeOp(Qn_OP_ADD_FILE);
  if (paths)
    for (const std::string& path : *paths)
      if (!path.empty()) op->paths.push_back(path);
  return Manager().PushOp(false, std::move(op));
}

int Qn_MDX_RemoveFile(const Qn_ItemList* items) {
  auto op = MakeOp(Qn_OP_REMOVE_FILE);
  if (items) op->items = *items;
  return Manager().PushOp(false, std::move(op));
}

int Qn_MDX_RemoveAllFile() { return Manager().PushOp(false, MakeOp(Qn_OP_REMOVE_ALL_FILE)); }

int Qn_MDX_SetConvertOption(int mode, const Qn_ConvertOption* option) {
  constexpr char kTag[] = "Qn_MDX_SetConvertOption";
  auto op = MakeOp(Qn_OP_SET_CONVERT_OPTION);
  op->mode = mode;
  if (option) {
    QnLogWrite(QN_LOG_LEVEL, "[%s] Audio Info - codec:[%s] bitrate:[%d] samplerate:[%d] channel:[%d]", kTag,
               option->audio.codec.c_str(), option->audio.bitrate, option->audio.sampleRate, option->audio.channels);
    QnLogWrite(QN_LOG_LEVEL, "[%s] Video Info - codec:[%s] bitrate:[%d] framerate:[%lf] height:[%d] width:[%d]", kTag,
               option->video.codec.c_str(), option->video.bitrate, option->video.frameRate, option->video.height,
               option->video.width);
    // Copied now: the host's record may change as soon as this returns.
    op->option = std::make_unique<Qn_ConvertOption>(*option);
  }
  return Manager().PushOp(false, std::move(op));
}

void Qn_MDX_ConvertStart(const char* outputFolder) {
  auto op = MakeOp(Qn_OP_CONVERT);
  op->outputFolder = outputFolder ? outputFolder : "";
  Manager().PushOp(false, std::move(op));
}

int Qn_MDX_IsConvert() { return Manager().IsConvert(); }

void Qn_MDX_RePlaceFile(int index, const char* path) {
  auto op = MakeOp(Qn_OP_REPLACE_FILE);
  op->replaceIndex = index;
  op->replacePath = path ? path : "";
  Manager().PushOp(false, std::move(op));
}

void Qn_MDX_InsertFile(int index, const char* path) {
  auto op = MakeOp(Qn_OP_INSERT_FILE);
  op->insertIndex = index;
  op->insertPath = path ? path : "";
  Manager().PushOp(false, std::move(op));
}
