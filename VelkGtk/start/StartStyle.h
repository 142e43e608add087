#pragma once

// The look of the start window and its sheet, as one style sheet for the display. Main thread.

namespace velk::StartStyle {

// Adds the style sheet to the default display, once.
void install();

}  // namespace velk::StartStyle
