#pragma once

// Save bodies as the editor page sends them, for the document tests.

#include "json/OrderedJSON.h"

#include <string>

namespace velk::testing_support {

// The root map holding one text card "c1" that reads `text`.
inline JSONValue saveBodyWithCard(const std::string& text) {
    return OrderedJSON::parse("{\"maps\":[{\"path\":\"/\",\"canvas\":{\"nodes\":[{\"id\":\"c1\",\"type\":\"text\","
                              "\"x\":0,\"y\":0,\"width\":200,\"height\":80,\"text\":\"" + text +
                              "\"}],\"edges\":[]},\"sidecar\":{}}]}")
        .value();
}

}  // namespace velk::testing_support
