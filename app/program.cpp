#include "app/program.h"

#include "config/configuration.h"
#include "faces/connection_properties.h"
#include "platform/prompter.h"

namespace kordex {

Program::Program(Clock &c, Prompter &p, Options o)
    : clock(c),
      prompter(p),
      window(p),
      shownView(window, session),
      boxes(p),
      engine(c, shownView, session),
      faces(engine),
      link(engine, book, boxes),
      keys(engine, boxes, [this](uint8_t b) { link.sendKey(b); }),
      commandLineTimer(c, 1500, [this] { startCommandLineConnection(); }),
      options_(std::move(o))
{
    if (!options_.tracePath.isEmpty()) {
        trace = std::make_unique<SessionTrace>(clock, options_.tracePath);
        shownView.setTrace(trace.get());
        boxes.setTrace(trace.get());
        link.onTransmit = [this](const QByteArray &bytes, TxTag tag) { trace->transmitted(bytes, tag); };
        link.onReceive = [this](const QByteArray &chunk) { trace->received(chunk); };
    }
    engine.setFaces(faces);
    Transport *serial = options_.serial, *socket = options_.socket;
    if (options_.receiveSlice > 0) {
        if (serial)
            serial = (slicedSerial_ = std::make_unique<SlicedTransport>(*serial, clock, options_.receiveSlice)).get();
        if (socket)
            socket = (slicedSocket_ = std::make_unique<SlicedTransport>(*socket, clock, options_.receiveSlice)).get();
    }
    link.setTransports(serial, socket);
    if (options_.configuration)
        dialog = std::make_unique<ConnectionPropertiesDialog>(book, *options_.configuration, boxes, *this, &window);
    window.attach(engine, link, keys, dialog.get());
    window.onClosing = [this] { shutDown(); };
    start();
}

Program::~Program()
{
    link.cancelAll();
}

void Program::start()
{
    if (options_.configuration)
        options_.configuration->loadConnections(book);
    link.rebuildConnectMenu();
    window.start(options_.flashLamps);
    commandLineTimer.start();
}

void Program::shutDown()
{
    if (closed_)
        return;
    closed_ = true;
    if (options_.configuration)
        options_.configuration->saveConnections(book);
    link.windowClosing();
}

void Program::connectToStored(int index)
{
    const bool forced = index == forcedAutoLogin_;
    if (forced)
        forcedAutoLogin_ = -1;
    link.connectToStored(index, forced);
}

bool Program::mayEnd(int64_t closingMs) const
{
    return (link.idle() || closingMs > kTearDownLimitMs) && prompter.openCount() == 0;
}

void Program::startCommandLineConnection()
{
    if (options_.connectionArgument.isEmpty() || !dialog)
        return;
    commandLineTimer.stop();
    commandLine_ = connectFromCommandLine();
}

// Every record of that name in turn, each attempt run to its end before the
// next. Automatic login is forced for these attempts in the link's working
// copy only: the book, which the close saves, keeps the record's own flag.
Task<void> Program::connectFromCommandLine()
{
    const QByteArray name = options_.connectionArgument;
    // The dialog's list is what its connect action picks from.
    dialog->showInMode(DialogMode::Select);
    dialog->hide();
    for (int i = 0; i < book.count(); ++i) {
        if (!equalsIgnoringAsciiCase(book.at(i).systemName, name))
            continue;
        forcedAutoLogin_ = i;
        dialog->logic().selectEntry(i);
        dialog->logic().entryActivated();
        co_await link.untilConnectsDone();
        forcedAutoLogin_ = -1;
        if (closed_)
            co_return;  // closing cancelled what was still to come
    }
}

}  // namespace kordex
