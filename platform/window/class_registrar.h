// The standard controls live in the layer above the window system. That layer hands over the
// function that registers them, and the window system runs it once before it looks up a class,
// so no dialog or control is created before the controls exist.
#pragma once

namespace platform {

using ClassRegistrar = void (*)();

// Called from the controls library's start-up object; a later call replaces a registrar not yet run.
void SetStandardClassRegistrar(ClassRegistrar registrar);

}  // namespace platform
