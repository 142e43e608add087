#include "GioWorkspace.h"

#include <gio/gio.h>

#include <memory>
#include <string>

namespace velk {

void GioWorkspace::openURL(std::string_view url) {
    g_app_info_launch_default_for_uri_async(std::string(url).c_str(), nullptr, nullptr, nullptr, nullptr);
}

namespace {

// The folder holding the item, in the default file manager: what is left when none answers the
// file-manager interface.
void openFolderOf(const std::string& uri) {
    GFile* file = g_file_new_for_uri(uri.c_str());
    GFile* parent = g_file_get_parent(file);
    char* folder = g_file_get_uri(parent ? parent : file);
    g_app_info_launch_default_for_uri_async(folder, nullptr, nullptr, nullptr, nullptr);
    g_free(folder);
    if (parent) g_object_unref(parent);
    g_object_unref(file);
}

void shown(GObject* bus, GAsyncResult* result, gpointer data) {
    std::unique_ptr<std::string> uri(static_cast<std::string*>(data));
    GError* error = nullptr;
    if (GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, &error)) {
        g_variant_unref(reply);
        return;
    }
    g_clear_error(&error);
    openFolderOf(*uri);
}

}  // namespace

void GioWorkspace::revealFile(std::string_view path) {
    GFile* file = g_file_new_for_path(std::string(path).c_str());
    char* uri = g_file_get_uri(file);
    g_object_unref(file);
    auto pending = std::make_unique<std::string>(uri);
    g_free(uri);
    // The file managers of GNOME, KDE, Xfce and others show and select an item when asked so on
    // the session bus; without a bus or such a file manager, the folder opens instead.
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (!bus) {
        openFolderOf(*pending);
        return;
    }
    const char* uris[] = {pending->c_str(), nullptr};
    g_dbus_connection_call(bus, "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                           "org.freedesktop.FileManager1", "ShowItems", g_variant_new("(^ass)", uris, ""), nullptr,
                           G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, shown, pending.release());
    g_object_unref(bus);
}

}  // namespace velk
