#pragma once

// Whether OpenGL on this display is drawn by the processor (Mesa's llvmpipe and kin): a machine
// without a graphics card, a virtual machine, a remote or virtual X server. WebKit's accelerated
// compositing then costs more than it saves: on such a display a 20,000-card map pans two to
// three times faster when WebKit paints the page in software instead. Also true when no OpenGL
// context can be made at all. Asked once per process; main thread, after GTK is initialised.

namespace velk {

[[nodiscard]] bool openGLIsSoftware();

}  // namespace velk
