#pragma once
#include "config/connection_actions.h"
#include "config/connection_book.h"
#include "config_test_support.h"

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
    void connectToStored(int index) override
    {
        connects.push_back(index);
        if (onConnect)
            onConnect(index);
    }
    void rebuildConnectMenu() override { ++menuRebuilds; }
    void setFileMenuEnabled(bool on) override { fileMenuEnabled = on; }
    void showHelpTopic(int topic) override { helpTopics.push_back(topic); }

    // The connection in use, as the test sets it.
    bool connected = false, active = false;
    ConnectionRecord current;
    int connectedIndex = -1;
    bool isConnected() const override { return connected; }
    bool connectionActive() const override { return active; }
    QByteArray currentSystemName() const override { return current.systemName; }
    int currentIndex() const override { return connectedIndex; }
};

// What the Connection Properties dialog works on: a stored book of these
// names, loaded, as the dialog finds it when first shown.
struct DialogParts {
    Folders dirs;
    ConnectionBook Book;
    ScriptedPrompter prompter;
    RecordingActions actions;
    Configuration config{dirs.folders, prompter};
    explicit DialogParts(const QList<QByteArray> &names) { storeBook(config, Book, names); }
};

}  // namespace kordex::test
