#pragma once
#include "config/connection_actions.h"

#include <functional>
#include <vector>

namespace kordex::test {

// Records what the dialog asks of the main window and the connection layer.
struct RecordingActions final : ConnectionActions {
    std::vector<int> connects;
    int menuRebuilds = 0;
    bool fileMenuEnabled = true;
    std::vector<int> helpTopics;
    std::function<void(int)> onConnect;
    void ConnectToStored(int index) override
    {
        connects.push_back(index);
        if (onConnect)
            onConnect(index);
    }
    void PopulateConnectMenu() override { ++menuRebuilds; }
    void setFileMenuEnabled(bool on) override { fileMenuEnabled = on; }
    void showHelpTopic(int topic) override { helpTopics.push_back(topic); }
};

} // namespace kordex::test
