#include "package/MediaError.h"

#include "core/Overloaded.h"

namespace velk {

std::string MediaError::description() const {
    return std::visit(Overloaded{
                          [](const UnsupportedType& e) { return "unsupported image type: " + e.type; },
                          [](const Empty&) { return std::string("empty image"); },
                          [](const TooLarge&) { return std::string("image is larger than 25 MiB"); },
                          [](const DirectoryFull&) { return std::string("this map's images already total 512 MiB"); },
                          [](const Unwritable&) { return std::string("this map's velk-media is not a folder velk can write in"); },
                      },
                      m_case);
}

}  // namespace velk
