#pragma once
// The items of the main window's Connect menu, without the toolkit: one
// caption per book record in book order, the current connection's caption
// marked with " (*)". The window mirrors the captions into its QMenu; item i
// connects to book record i.
#include "config/connection_book.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace kordex {

inline const QByteArray kCurrentMarker = " (*)";

class ConnectMenuModel {
public:
    // Every item removed, one per record added.
    void rebuildConnectMenu(const ConnectionBook &book);
    // Appends the marker to item `index`.
    void markConnectMenuItem(int index);
    // Takes the marker off the end of item `index`; other captions (as after
    // a rebuild during the connection) stay as they are.
    void unmarkConnectMenuItem(int index);

    const std::vector<QByteArray> &captions() const { return captions_; }
    int count() const { return int(captions_.size()); }

private:
    std::vector<QByteArray> captions_;
};

// A caption as the menu shows it: 8-bit text decoded, and "&" doubled so a
// name never turns into a keyboard accelerator.
QString connectMenuItemText(const QByteArray &caption);

}  // namespace kordex
