#include "link/capture.h"

#include "core/engine.h"
#include "link/file_dialogs.h"
#include "platform/prompter.h"
#include "platform/text_codec.h"

namespace kordex {

void Capture::idleMenu()
{
    ctx_.flags().capturing = false;
    ctx_.engine().shell.setMenuCaption(MenuItem::CaptureToFile, "&Capture to File...");
    ctx_.engine().shell.setMenuVisible(MenuItem::SendFile, true);
}

void Capture::stop()
{
    file_.close();
    idleMenu();
}

void Capture::toggle()
{
    if (ctx_.flags().capturing) {
        stop();
        return;
    }
    question_.ask(ctx_,
                  {QStringLiteral("Capture to File as..."), kFileDialogFilter,
                   fromPanelBytes(ctx_.current().systemName), QStringLiteral("txt")},
                  true, [this](const QString &path, quint64 generation) { start(path, generation); });
}

void Capture::start(const QString &path, quint64 generation)
{
    // The link may have gone, or another come up, while the dialog was open.
    if (!ctx_.stillUp(generation) || ctx_.flags().capturing)
        return;
    ctx_.engine().shell.setMenuCaption(MenuItem::CaptureToFile, "End &Capture");
    ctx_.engine().shell.setMenuVisible(MenuItem::SendFile, false);
    file_.close();
    file_.setFileName(path);
    incomplete_ = false;
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        stop();
        return;
    }
    ctx_.flags().capturing = true;
}

void Capture::line(const QByteArray &text)
{
    // On disk at once: a crash loses nothing already shown. A line that could
    // not be written is reported once; later lines are still tried.
    const QByteArray bytes = text + "\r\n";
    if (file_.write(bytes) == bytes.size() && file_.flush())
        return;
    if (incomplete_)
        return;
    incomplete_ = true;
    ctx_.prompter().message(QStringLiteral("Capture to File"),
                            fromPanelBytes("A line could not be written to " + toPanelBytes(file_.fileName()) + " (" +
                                           toPanelBytes(file_.errorString()) +
                                           "). The capture is no longer complete."));
}

}  // namespace kordex
