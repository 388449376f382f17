#pragma once
// What the Connection Properties dialog asks of the main window and the
// connection layer. The window implements it; tests record the calls.

#include <QByteArray>

namespace kordex {

class ConnectionActions {
public:
    virtual ~ConnectionActions() = default;
    // Connect to book record `index`; handles reconnection and its messages.
    virtual void connectToStored(int index) = 0;
    // Rebuild the main window's Connect menu from the book.
    virtual void rebuildConnectMenu() = 0;
    // The main window's "&File" menu is disabled while the dialog is shown.
    virtual void setFileMenuEnabled(bool enabled) = 0;
    // Open help topic `topic`.
    virtual void showHelpTopic(int topic) = 0;

    // The connection in use, as the dialog shows and asks about it.
    virtual bool isConnected() const = 0;
    virtual bool connectionActive() const = 0;
    virtual QByteArray currentSystemName() const = 0;
    virtual int currentIndex() const = 0;
};

}  // namespace kordex
