#pragma once

// Owns one reference to a GObject from WebKitGTK's or GLib's C API and drops it when destroyed.
// The two named constructors say where the reference came from: adopt() takes a full reference
// the caller already owns (most *_new functions), sink() takes a floating one (widgets made by
// *_new) and turns it into a full one. Moving transfers the reference; copying takes another.
//
// Main thread only, like the objects it holds.

#include <glib-object.h>

#include <utility>

namespace velk {

template <class T>
class GObjectHolder {
public:
    GObjectHolder() = default;

    [[nodiscard]] static GObjectHolder adopt(T* object) { return GObjectHolder(object); }
    [[nodiscard]] static GObjectHolder sink(T* object) {
        if (object) g_object_ref_sink(object);
        return GObjectHolder(object);
    }

    GObjectHolder(const GObjectHolder& other) : m_object(other.m_object) {
        if (m_object) g_object_ref(m_object);
    }
    GObjectHolder(GObjectHolder&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    GObjectHolder& operator=(GObjectHolder other) noexcept {
        std::swap(m_object, other.m_object);
        return *this;
    }
    ~GObjectHolder() {
        if (m_object) g_object_unref(m_object);
    }

    [[nodiscard]] T* get() const noexcept { return m_object; }
    explicit operator bool() const noexcept { return m_object != nullptr; }

private:
    explicit GObjectHolder(T* object) : m_object(object) {}
    T* m_object = nullptr;
};

}  // namespace velk
