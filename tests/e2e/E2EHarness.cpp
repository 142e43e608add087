#include "E2EHarness.h"

#include "app/Surroundings.h"
#include "bridge/BridgeScript.h"

#include <giomm/file.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <webkit/webkit.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace velk::e2e {

namespace fs = std::filesystem;

namespace {

// The script that acts in the page as a user would: pointer events at the element under the
// point, keyboard and input events at the focused element. The page may reload at any time (a
// crashed web process, a revert), so every action installs it again when it is missing. Events
// carry what a browser puts in them for a mouse: pointer id 1, the primary button, the point in
// client coordinates. A click is down, up, click; a double click repeats it with the click count 2
// and ends with dblclick.
constexpr std::string_view actions = R"JS(window.__velkE2E ??= (() => {
  const at = (x, y) => document.elementFromPoint(x, y) ?? document.body;
  const mouse = (x, y, buttons, detail, button = 0) => ({
    bubbles: true, cancelable: true, composed: true, view: window, clientX: x, clientY: y,
    screenX: x, screenY: y, button, buttons, detail,
  });
  const pointer = (type, x, y, buttons, button = 0, shiftKey = false) => at(x, y).dispatchEvent(new PointerEvent(type, {
    ...mouse(x, y, buttons, 0, button), pointerId: 1, pointerType: "mouse", isPrimary: true, shiftKey,
  }));
  const mouseEvent = (type, x, y, buttons, detail) =>
    at(x, y).dispatchEvent(new MouseEvent(type, mouse(x, y, buttons, detail)));
  const press = (x, y, detail) => {
    pointer("pointerdown", x, y, 1);
    mouseEvent("mousedown", x, y, 1, detail);
    pointer("pointerup", x, y, 0);
    mouseEvent("mouseup", x, y, 0, detail);
    mouseEvent("click", x, y, 0, detail);
  };
  const focused = () => document.activeElement ?? document.body;
  const keyInit = (key, modifiers) => ({
    bubbles: true, cancelable: true, composed: true, key,
    code: key.length === 1 ? (/[a-z]/i.test(key) ? `Key${key.toUpperCase()}` : "") : key,
    ctrlKey: modifiers.includes("ctrl"), shiftKey: modifiers.includes("shift"),
    altKey: modifiers.includes("alt"), metaKey: modifiers.includes("meta"),
  });
  // A key whose keydown nobody cancelled types into a text field, as the browser's default would.
  const typeOne = (ch) => {
    const key = ch === "\n" ? "Enter" : ch;
    const target = focused();
    const typed = target.dispatchEvent(new KeyboardEvent("keydown", keyInit(key, "")));
    if (typed && "setRangeText" in target) {
      const inputType = ch === "\n" ? "insertLineBreak" : "insertText";
      const before = new InputEvent("beforeinput", { bubbles: true, cancelable: true, inputType, data: ch });
      if (target.dispatchEvent(before)) {
        target.setRangeText(ch, target.selectionStart, target.selectionEnd, "end");
        target.dispatchEvent(new InputEvent("input", { bubbles: true, inputType, data: ch }));
      }
    }
    target.dispatchEvent(new KeyboardEvent("keyup", keyInit(key, "")));
  };
  return {
    // One pointer event of the mouse; `button` 1 is the middle button, `buttons` those held.
    pointer,
    // Where the canvas's origin is on screen, and the zoom, as the world layer is placed; and the
    // view's box. Far out cards are drawn on a canvas, so places are found from this.
    view: () => {
      const box = document.querySelector("#viewport").getBoundingClientRect();
      const [x, y, z] = /translate\(([^p]+)px, ([^p]+)px\) scale\(([^)]+)\)/.exec(document.querySelector("#world").style.transform)
        .slice(1).map(Number);
      return { x: box.left + x, y: box.top + y, z, box };
    },
    click: (x, y) => press(x, y, 1),
    doubleClick: (x, y) => {
      press(x, y, 1);
      press(x, y, 2);
      mouseEvent("dblclick", x, y, 0, 2);
    },
    type: (text) => { for (const ch of text) typeOne(ch); },
    pasteFile: (base64, type) => {
      const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
      const data = new DataTransfer();
      data.items.add(new File([bytes], "pasted", { type }));
      focused().dispatchEvent(new ClipboardEvent("paste", { bubbles: true, cancelable: true, clipboardData: data }));
    },
    press: (key, modifiers) => {
      focused().dispatchEvent(new KeyboardEvent("keydown", keyInit(key, modifiers)));
      focused().dispatchEvent(new KeyboardEvent("keyup", keyInit(key, modifiers)));
    },
  };
})();
)JS";

// Keeps the loop waking up while a wait's condition is checked, even when nothing else happens.
constexpr guint pollInterval = 20;

struct PendingScript {
    bool done = false;
    ScriptResult result;
};

void scriptFinished(GObject* view, GAsyncResult* async, gpointer data) {
    std::unique_ptr<std::shared_ptr<PendingScript>> pending(static_cast<std::shared_ptr<PendingScript>*>(data));
    GError* error = nullptr;
    ScriptResult& result = (*pending)->result;
    if (JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), async, &error)) {
        char* text = jsc_value_is_undefined(value) ? nullptr : jsc_value_to_string(value);
        result.text = text ? text : "";
        g_free(text);
        g_object_unref(value);
    } else {
        result.error = error && error->message ? error->message : "the script did not run";
        g_clear_error(&error);
    }
    (*pending)->done = true;
}

// "x,y" from the page, as String() writes an array of two numbers.
std::optional<Point> pointFrom(const ScriptResult& result) {
    double x = 0, y = 0;
    if (!result.ok() || std::sscanf(result.text.c_str(), "%lf,%lf", &x, &y) != 2) return std::nullopt;
    return Point{x, y};
}

// Draws `widget` as it is on screen into "<name>.png" in the tests' output folder; its path, or
// empty when nothing came of it.
std::string drawToPNG(GtkWidget* widget, const std::string& name) {
    const int width = gtk_widget_get_width(widget), height = gtk_widget_get_height(widget);
    GdkPaintable* paintable = gtk_widget_paintable_new(widget);
    GtkSnapshot* snapshot = gtk_snapshot_new();
    gdk_paintable_snapshot(paintable, snapshot, width, height);
    GskRenderNode* node = gtk_snapshot_free_to_node(snapshot);
    g_object_unref(paintable);
    if (!node) return {};
    const graphene_rect_t area = GRAPHENE_RECT_INIT(0, 0, float(width), float(height));
    GdkTexture* texture = gsk_renderer_render_texture(gtk_native_get_renderer(gtk_widget_get_native(widget)), node, &area);
    gsk_render_node_unref(node);
    fs::create_directories(VELK_E2E_OUTPUT_DIR);
    const std::string path = std::string(VELK_E2E_OUTPUT_DIR) + "/" + name + ".png";
    const bool saved = texture && gdk_texture_save_to_png(texture, path.c_str());
    if (texture) g_object_unref(texture);
    return saved ? path : std::string();
}

}  // namespace

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
    const auto end = Clock::now() + deadline;
    const guint tick = g_timeout_add(pollInterval, [](gpointer) { return gboolean(G_SOURCE_CONTINUE); }, nullptr);
    bool met = condition();
    while (!met && Clock::now() < end) {
        g_main_context_iteration(nullptr, TRUE);
        met = condition();
    }
    g_source_remove(tick);
    return met;
}

std::string gridCanvas(int count) {
    const int columns = std::max(1, static_cast<int>(std::ceil(std::sqrt(count))));
    std::string nodes, edges;
    for (int i = 0; i < count; ++i) {
        if (i > 0) nodes += ",\n";
        nodes += concat("\t\t{\"id\":\"n", i, "\",\"type\":\"text\",\"x\":", (i % columns) * 300, ",\"y\":",
                        (i / columns) * 160, ",\"width\":250,\"height\":110,\"text\":\"Card ", i,
                        "\\nSome **bold** text and a list:\\n- one\\n- two\"}");
        if (i > 0 && i % columns != 0) {
            if (!edges.empty()) edges += ",\n";
            edges += concat("\t\t{\"id\":\"e", i, "\",\"fromNode\":\"n", i - 1, "\",\"toNode\":\"n", i, "\"}");
        }
    }
    return "{\n\t\"nodes\":[\n" + nodes + "\n\t],\n\t\"edges\":[\n" + edges + "\n\t]\n}\n";
}

GtkWidget* visibleWindow(GType type) {
    GtkWidget* found = nullptr;
    waitUntil([&] {
        GListModel* windows = gtk_window_get_toplevels();
        for (guint i = 0; i < g_list_model_get_n_items(windows) && !found; ++i) {
            auto* window = static_cast<GtkWidget*>(g_list_model_get_item(windows, i));
            if (G_TYPE_CHECK_INSTANCE_TYPE(window, type) && gtk_widget_get_visible(window)) found = window;
            g_object_unref(window);
        }
        return found != nullptr;
    });
    return found;
}

std::optional<std::pair<int, int>> pngSize(const std::string& bytes) {
    if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return std::nullopt;
    const auto number = [&](std::size_t at) {
        int value = 0;
        for (std::size_t i = 0; i < 4; ++i) value = value * 256 + static_cast<unsigned char>(bytes[at + i]);
        return value;
    };
    return std::pair{number(16), number(20)};
}

E2EHarness::~E2EHarness() {
    ::unsetenv("VELK_MAPS_FOLDER");
    if (!m_app) return;
    // Windows write what they still hold as velk quits; the folder goes only after that. Quitting
    // closes them without showing the start window, whose template pictures would otherwise keep
    // three web processes busy into the next case.
    if (!quitApplication()) ADD_FAILURE() << "velk did not quit";
    m_app.reset();
    const std::scoped_lock lock(m_pageErrors->mutex);
    for (const std::string& line : m_pageErrors->lines) ADD_FAILURE() << "the page failed: " << line;
}

TraceSink E2EHarness::trace() const {
    return TraceSink([process = TraceSink::process(), errors = m_pageErrors](std::string_view line) {
        if (line.starts_with("page: uncaught") || line.starts_with("page: unhandledrejection")) {
            const std::scoped_lock lock(errors->mutex);
            errors->lines.emplace_back(line);
        }
        process([&] { return std::string(line); });
    });
}

std::string E2EHarness::useMapsFolder() {
    const std::string maps = m_folder / "Maps";
    fs::create_directories(maps);
    ::setenv("VELK_MAPS_FOLDER", maps.c_str(), 1);
    return maps;
}

std::string E2EHarness::writePackage(const std::string& name, const std::string& canvasText) {
    const std::string package = m_folder / name;
    fs::create_directories(package);
    testing_support::put(package + "/map.canvas", canvasText);
    return package;
}

void E2EHarness::makeApplication(const std::string& package) {
    m_package = package;
    m_startedAt = Clock::now();
    const Surroundings surroundings = readSurroundings();
    m_app = VelkApplication::create(VelkApplication::Paths{VELK_RESOURCES_DIR, m_folder.path(), {},
                                                           surroundings.mapsFolder, surroundings.userFolders},
                                    trace(), documents);
    // A velk of the user's own (or a test running in parallel) must not be handed our package.
    if (!unique) m_app->set_flags(m_app->get_flags() | Gio::Application::Flags::NON_UNIQUE);
    m_app->register_application();
}

void E2EHarness::start(const std::string& package) {
    makeApplication(package);
    m_app->open(Gio::File::create_for_path(package));
}

void E2EHarness::startWithLink(const std::string& uri) {
    makeApplication({});
    m_app->open(Gio::File::create_for_uri(uri));
}

void E2EHarness::startEmpty() {
    makeApplication({});
    m_app->activate();
}

std::string E2EHarness::screenshot(Gtk::Widget& window, const std::string& name) {
    if (!waitUntil([&] { return window.get_mapped() && window.get_width() > 0; })) return {};
    // A few frames, so what was just shown is drawn. On a loaded machine a drawing has come back
    // empty now and then, so it is tried again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        waitUntil([] { return false; }, 500ms);
        if (std::string path = drawToPNG(GTK_WIDGET(window.gobj()), name); !path.empty()) return path;
    }
    return {};
}

EditorWindow& E2EHarness::window() const {
    if (!hasWindow()) throw std::runtime_error("velk has no editor window");
    return *m_app->editorWindows().front();
}

bool E2EHarness::closeWindows() {
    if (!m_app) return true;
    for (auto* window : m_app->openEditorWindows()) window->close();
    return waitUntil([&] { return m_app->editorWindows().empty(); });
}

bool E2EHarness::quitApplication() {
    // An application whose own loop ended has quit already.
    if (!m_app || !m_app->is_registered()) return true;
    // What File ▸ Quit and Ctrl+Q do: every window closes the way it would on its own.
    m_app->activate_action("quit");
    return waitUntil([&] {
        return std::ranges::none_of(m_app->get_windows(), [](Gtk::Window* window) { return window->get_visible(); }) &&
               m_app->openEditorWindows().empty();
    });
}

ScriptResult E2EHarness::evaluate(std::string_view script, std::chrono::milliseconds deadline) {
    if (!hasWindow()) return {"no editor window", {}};
    auto pending = std::make_shared<PendingScript>();
    webkit_web_view_evaluate_javascript(window().webView().view(), script.data(), static_cast<gssize>(script.size()),
                                        nullptr, nullptr, nullptr, scriptFinished,
                                        new std::shared_ptr<PendingScript>(pending));
    if (!waitUntil([&] { return pending->done; }, deadline)) return {"the script timed out", {}};
    return pending->result;
}

double E2EHarness::number(std::string_view expression) {
    const auto result = evaluate(expression);
    char* end = nullptr;
    const double value = result.ok() ? std::strtod(result.text.c_str(), &end) : 0;
    return end && end != result.text.c_str() && *end == '\0' ? value : std::nan("");
}

bool E2EHarness::waitForPage(std::string_view expression, std::chrono::milliseconds deadline) {
    // An expression that throws (the page still loading, say) is not true yet; caught here, it
    // is no error of the page's either.
    const std::string check = concat("(() => { try { return Boolean(", expression, "); } catch (_) { return false; } })()");
    const auto end = Clock::now() + deadline;
    return waitUntil(
        [&] {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
            return left.count() > 0 && evaluate(check, left).text == "true";
        },
        deadline);
}

void E2EHarness::act(std::string_view script) {
    auto result = evaluate(concat(actions, script, ";"));
    if (!result.ok()) ADD_FAILURE() << "acting in the page failed: " << *result.error << "\n" << script;
}

std::optional<Point> E2EHarness::cardCentre(std::string_view text) {
    return pointFrom(evaluate(concat("(() => {\n  const card = [...document.querySelectorAll('", PageDOM::card,
                                     "')].find((c) => c.textContent.includes(", BridgeScript::quote(text), R"JS());
  if (!card) return null;
  const r = card.getBoundingClientRect();
  return [r.left + r.width / 2, r.top + r.height / 2];
})())JS")));
}

std::optional<Point> E2EHarness::emptyPoint() {
    // Tries a coarse grid of the viewport from its middle outwards for a point whose element is
    // the canvas itself, not a card or the page's chrome.
    return pointFrom(evaluate(concat("(() => {\n  const viewport = document.querySelector('", PageDOM::viewport,
                                     R"JS(');
  const r = viewport.getBoundingClientRect();
  const free = (x, y) => {
    const hit = document.elementFromPoint(x, y);
    return hit && viewport.contains(hit) && !hit.closest('.card') && !hit.closest('[data-edge]');
  };
  for (let ring = 0; ring < 10; ring++)
    for (const [fx, fy] of [[0, 0], [1, 0], [-1, 0], [0, 1], [0, -1], [1, 1], [-1, -1], [1, -1], [-1, 1]]) {
      const x = r.left + r.width / 2 + fx * ring * r.width / 22, y = r.top + r.height / 2 + fy * ring * r.height / 22;
      if (free(x, y)) return [x, y];
    }
  return null;
})())JS")));
}

std::optional<Point> E2EHarness::screenPoint(double x, double y) {
    return pointFrom(evaluate(concat(actions, "(({ x, y, z }) => [x + ", x, " * z, y + ", y, " * z])(window.__velkE2E.view())")));
}

void E2EHarness::type(std::string_view text) { act(concat("window.__velkE2E.type(", BridgeScript::quote(text), ")")); }

void E2EHarness::press(std::string_view key, std::string_view modifiers) {
    act(concat("window.__velkE2E.press(", BridgeScript::quote(key), ", ", BridgeScript::quote(modifiers), ")"));
}

void E2EHarness::pasteFile(std::string_view base64, std::string_view type) {
    act(concat("window.__velkE2E.pasteFile(", BridgeScript::quote(base64), ", ", BridgeScript::quote(type), ")"));
}

bool E2EHarness::clickElement(std::string_view selector) {
    auto result = evaluate(concat("(() => { const e = document.querySelector(", BridgeScript::quote(selector),
                                  "); if (!e || e.hidden) return false; e.click(); return true; })()"));
    return result.text == "true";
}

bool E2EHarness::typeNewCard(std::string_view text) {
    auto empty = emptyPoint();
    if (!empty) return false;
    doubleClick(*empty);
    if (!waitForCardEditor()) return false;
    type(text);
    return true;
}

std::vector<std::string> E2EHarness::packageFiles() const {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(m_package, error)) {
        if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), m_package).string());
    }
    std::ranges::sort(files);
    return files;
}

}  // namespace velk::e2e
