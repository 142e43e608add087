#include "platform/HttpClient.h"

#include "core/Overloaded.h"

#include <algorithm>

namespace velk {

namespace {

bool sameASCIICaseless(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return std::ranges::equal(a, b, {}, lower, lower);
}

}  // namespace

std::optional<std::string_view> HttpResponse::header(std::string_view name) const {
    for (const HttpHeader& header : headers) {
        if (sameASCIICaseless(header.name, name)) return header.value;
    }
    return std::nullopt;
}

std::string HttpError::description() const {
    return std::visit(Overloaded{
                          [](const Transport& c) { return c.message; },
                          [](const AddressRefused& c) { return "refused to connect to " + c.address; },
                      },
                      m_case);
}

}  // namespace velk
