// Whether the desktop composites windows, so that a translucent window's
// transparent pixels show what lies behind it. On a plain X server they
// show black instead, and skinned windows cut their shape with a mask.
#pragma once

namespace skinned {

// X11: whether a compositing manager owns the screen's _NET_WM_CM_S
// selection. Other platforms composite (or draw off screen): true.
bool compositorRunning();

// Replaces the question (null: ask the desktop again); for tests.
void setCompositorProbe(bool (*probe)());

}  // namespace skinned
