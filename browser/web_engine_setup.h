// What the web engine needs before the application object exists. Called
// first thing by every program that opens browser pages.
#pragma once

namespace webengine {

// Shares OpenGL contexts between windows (the engine's requirement) and
// keeps the engine's sandbox on, except when the process runs as root:
// there the engine refuses to start with it, so it is switched off for
// this process alone.
void prepareBeforeApplication();

}  // namespace webengine
