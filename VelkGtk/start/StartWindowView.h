#pragma once

// What the start window's controller asks of the window that shows it, and the actions that
// window may invoke. StartWindow (GTK) implements the view; the controller's tests record the
// calls instead. Main thread only.

#include "start/StartModel.h"
#include "start/Templates.h"

#include <functional>
#include <string>
#include <vector>

namespace velk {

// The five things the start window's views may ask for, in this order.
struct StartActions {
    std::function<void(const MapTemplate&)> start;       // a new map from the template
    std::function<void(const std::string&)> open;        // open the map package at the path
    std::function<void()> browse;                        // the Open dialog
    std::function<void(const std::string&)> showInFiles; // show the package in the file manager
    std::function<void(const std::string&)> removeFromRecents;
};

class StartWindowView {
public:
    virtual ~StartWindowView() = default;

    // Builds the window's content anew over the model, the templates and the actions; the view
    // follows the model's changes from then on.
    virtual void rebuild(StartModel& model, const std::vector<MapTemplate>& templates, const StartActions& actions) = 0;
    // Shows the window (centred the first time), raises it and gives it the keyboard.
    virtual void present() = 0;
    // Hides it; it is never destroyed while the application runs.
    virtual void close() = 0;
    [[nodiscard]] virtual bool isVisible() const = 0;
    // A modal alert over the window; the window and its sheet stay as they are.
    virtual void presentError(const std::string& heading, const std::string& detail) = 0;
    // The window's properties as the toolkit reports them, for the trace ("title=Start ...").
    [[nodiscard]] virtual std::string traits() const = 0;
};

}  // namespace velk
