#pragma once
// Capture to file: every completed event line goes to a text file the
// operator chose, until the capture ends or the connection closes.
#include "link/file_dialogs.h"
#include "link/link_context.h"

#include <QFile>

namespace kordex {

class Capture {
public:
    explicit Capture(LinkContext &ctx) : ctx_(ctx) {}
    Capture(const Capture &) = delete;
    Capture &operator=(const Capture &) = delete;

    // The menu item: ends a running capture, or asks for a file and starts one.
    void toggle();
    // Closes the file and gives the menu its idle captions.
    void stop();
    // One completed event line, written at once.
    void line(const QByteArray &line);

private:
    void start(const QString &path, quint64 generation);
    void idleMenu();

    LinkContext &ctx_;
    QFile file_;
    bool incomplete_ = false;
    FileQuestion question_;
};

}  // namespace kordex
