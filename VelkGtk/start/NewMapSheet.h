#pragma once

// The new-map sheet: laid over the start window, which it dims and keeps from the pointer and the
// keyboard while it is up. The heading "New map", "Cancel" (or Escape) to close it, and one card
// per template in the manifest's order: the blank map's dashed new-map face, any other its
// picture when one exists, else its symbol. Choosing a card starts a map from that template.
// Shown while the model's showingNew is true.
//
// The model, templates, actions and previews outlive the sheet. Main thread only.

#include "CardGrid.h"
#include "StartWindowView.h"
#include "TemplatePreviews.h"

#include <gtkmm/box.h>

#include <string>
#include <vector>

namespace velk {

class NewMapSheet final : public Gtk::Box {
public:
    static constexpr std::string_view missingTemplates = "Templates are missing from this build.";

    NewMapSheet(StartModel& model, const std::vector<MapTemplate>& templates, const StartActions& actions,
                TemplatePreviews& previews);
    ~NewMapSheet() override;

    // Shows or hides the sheet as the model says; gives the first card the keyboard when it opens.
    void modelChanged();
    [[nodiscard]] CardGrid& grid() noexcept { return m_grid; }

private:
    // A template's face: its picture once one is rendered, else its symbol, in a box of its own.
    // A picture that arrives changes the face, not the card: a card made anew under the keyboard
    // or a press lost the focus, and the press (a button clicks a moment after it is activated).
    struct TemplateFace {
        std::string id;
        Gtk::Box* holder;
        Glib::RefPtr<Gdk::Texture> picture;  // the one shown, or null for the symbol
    };

    void fillCards();
    void showPictures();

    StartModel& m_model;
    const std::vector<MapTemplate>& m_templates;
    const StartActions& m_actions;
    TemplatePreviews& m_previews;
    CardGrid m_grid;
    std::vector<TemplateFace> m_faces;
    sigc::connection m_previewsChanged;
};

}  // namespace velk
