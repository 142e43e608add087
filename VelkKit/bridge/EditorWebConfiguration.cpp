#include "bridge/EditorWebConfiguration.h"

#include "bridge/BridgeBootstrap.h"
#include "bridge/EditorPageContract.h"

namespace velk {

EditorWebConfiguration EditorWebConfiguration::make(Tracing tracing) {
    EditorWebConfiguration configuration;
    configuration.scheme = EditorPageContract::scheme;
    configuration.userScripts = {std::string(BridgeBootstrap::script)};
    configuration.messageHandlers = {std::string(EditorPageContract::requestHandler)};
    if (tracing == Tracing::on) {
        configuration.userScripts.emplace_back(BridgeBootstrap::logForwardingScript);
        configuration.messageHandlers.emplace_back(EditorPageContract::logHandler);
    }
    return configuration;
}

}  // namespace velk
