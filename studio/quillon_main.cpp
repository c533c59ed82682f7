// Quillon [project file]: the main program of the suite.
#include "burner_pack.h"
#include "editor_pack.h"
#include "quillon_app.h"

studio::CQuillonApp theApp;

int main(int argc, char** argv) {
  // The packs are classes of this process, found by their ProgIDs as installed components are.
  studio::packs::RegisterEditorPack();
  studio::packs::RegisterBurnerPack();
  return AfxWinMain(argc, argv);
}
