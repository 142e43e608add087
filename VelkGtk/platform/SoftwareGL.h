#pragma once

// Whether OpenGL on this display is drawn by the processor (Mesa's llvmpipe and kin): a machine
// without a graphics card, a virtual machine, a remote or virtual X server. WebKit's accelerated
// compositing then costs more than it saves: on such a display a 20,000-card map pans two to
// three times faster when WebKit paints the page in software instead. Also true when no OpenGL
// context can be made at all. Asked once per process; main thread, after GTK is initialised.

namespace velk {

[[nodiscard]] bool openGLIsSoftware();

// On such a display GTK's own OpenGL renderer is the slower way to put a window on screen too
// (a pan frame of the editor took 45-50 ms with it, 33-35 ms with GTK's cairo renderer; start-up
// with a 20,000-card map 3.8 s against about 2 s), so windows realised after this call draw with cairo. A GSK_RENDERER the
// user set is left to choose. Main thread, after GTK is initialised, before the first window.
void drawWindowsInSoftwareWhereOpenGLIs();

}  // namespace velk
