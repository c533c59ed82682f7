// The exported Qn_MDX_ functions: each packs its arguments into an operation for the manager.
#include <memory>

#include "convengine/convert_manager.h"
#include "convengine/mordax_api.h"
#include "qnlog/qn_log.h"

namespace {

// Destroyed when the module is unloaded: its destructor ends every thread first.
mordax::Qn_ConvertManager g_manager;

std::unique_ptr<mordax::Qn_ConvertOp> MakeOp(int code) {
  auto op = std::make_unique<mordax::Qn_ConvertOp>();
  op->op = code;
  return op;
}

}  // namespace

int Qn_MDX_Open(HWND notifyWindow, UINT notifyMessage, int logLocation) {
  if (g_manager.IsRunning()) return 0;
  QnLogInit(std::string(), "[DLL] Mordax.txt", logLocation, true, QN_LOG_LEVEL);
  return g_manager.BeginMainThread(notifyWindow, notifyMessage);
}

void Qn_MDX_Close() { g_manager.EndMainThread(); }

int Qn_MDX_WorkStop() { return g_manager.PushOp(true, MakeOp(Qn_OP_STOP)); }

int Qn_MDX_AddFile(const Qn_PathList* paths) {
  auto op = MakeOp(Qn_OP_ADD_FILE);
  if (paths)
    for (const std::string& path : *paths)
      if (!path.empty()) op->paths.push_back(path);
  return g_manager.PushOp(false, std::move(op));
}

int Qn_MDX_RemoveFile(const Qn_ItemList* items) {
  auto op = MakeOp(Qn_OP_REMOVE_FILE);
  if (items) op->items = *items;
  return g_manager.PushOp(false, std::move(op));
}

int Qn_MDX_RemoveAllFile() { return g_manager.PushOp(false, MakeOp(Qn_OP_REMOVE_ALL_FILE)); }

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
  return g_manager.PushOp(false, std::move(op));
}

void Qn_MDX_ConvertStart(const char* outputFolder) {
  auto op = MakeOp(Qn_OP_CONVERT);
  op->outputFolder = outputFolder ? outputFolder : "";
  g_manager.PushOp(false, std::move(op));
}

int Qn_MDX_IsConvert() { return g_manager.IsConvert(); }

void Qn_MDX_RePlaceFile(int index, const char* path) {
  auto op = MakeOp(Qn_OP_REPLACE_FILE);
  op->replaceIndex = index;
  op->replacePath = path ? path : "";
  g_manager.PushOp(false, std::move(op));
}

void Qn_MDX_InsertFile(int index, const char* path) {
  auto op = MakeOp(Qn_OP_INSERT_FILE);
  op->insertIndex = index;
  op->insertPath = path ? path : "";
  g_manager.PushOp(false, std::move(op));
}
