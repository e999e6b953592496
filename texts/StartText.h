#pragma once

namespace zelvora {

// What `zelvora` says when it is started where no window can open.
inline constexpr char kNoGraphicalSession[] =
    "zelvora: no graphical session: the window needs an X11 or Wayland display (DISPLAY or "
    "WAYLAND_DISPLAY); zelvora-cli works without one.";

}  // namespace zelvora
