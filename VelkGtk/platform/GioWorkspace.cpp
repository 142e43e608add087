#include "GioWorkspace.h"

#include <gio/gio.h>

#include <string>

namespace velk {

void GioWorkspace::openURL(std::string_view url) {
    g_app_info_launch_default_for_uri_async(std::string(url).c_str(), nullptr, nullptr, nullptr, nullptr);
}

void GioWorkspace::revealFile(std::string_view path) {
    GFile* file = g_file_new_for_path(std::string(path).c_str());
    GFile* parent = g_file_get_parent(file);
    char* uri = g_file_get_uri(parent ? parent : file);
    g_app_info_launch_default_for_uri_async(uri, nullptr, nullptr, nullptr, nullptr);
    g_free(uri);
    if (parent) g_object_unref(parent);
    g_object_unref(file);
}

}  // namespace velk
