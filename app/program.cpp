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
      Timer8(c, 1500, [this] { Timer8Timer(); }),
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
        dialog = std::make_unique<TConnectionProperties>(book, *options_.configuration, boxes, *this, &window);
    window.attach(engine, link, keys, dialog.get());
    window.onClosing = [this] { FormClose(); };
    FormCreate();
}

Program::~Program()
{
    // The flash thread paints through the engine: it stops before anything goes.
    window.stopFlashThread();
    link.cancelAll();
}

void Program::FormCreate()
{
    if (options_.configuration)
        options_.configuration->LoadConnections(book);
    link.PopulateConnectMenu();
    window.FormCreate(options_.startFlashThread);
    Timer8.start();
}

void Program::FormClose()
{
    if (closed_)
        return;
    closed_ = true;
    // The forced flag is no change of the operator's: the file keeps theirs.
    if (forcedAutoLogin_ && forcedAutoLogin_->index < book.count())
        book.at(forcedAutoLogin_->index).AutoLogin = forcedAutoLogin_->remembered;
    forcedAutoLogin_.reset();
    if (options_.configuration)
        options_.configuration->SaveConnections(book);
    link.windowClosing();
}

void Program::Timer8Timer()
{
    if (options_.connectionArgument.isEmpty() || !dialog)
        return;
    Timer8.stop();
    commandLine_ = connectFromCommandLine();
}

// Every record of that name in turn, each attempt run to its end before the
// next (and before the stored automatic-login flag is given back).
Task<void> Program::connectFromCommandLine()
{
    const QByteArray name = options_.connectionArgument;
    // The dialog's list is what its connect action picks from.
    dialog->showInMode(SelectMode);
    dialog->hide();
    for (int i = 0; i < book.count(); ++i) {
        if (!equalsIgnoringAsciiCase(book.at(i).SystemName, name))
            continue;
        const bool remembered = book.at(i).AutoLogin;
        book.at(i).AutoLogin = true;
        forcedAutoLogin_ = ForcedAutoLogin{i, remembered};
        dialog->logic().selectEntry(i);
        dialog->logic().ConnectionListDblClick();
        co_await link.untilConnectsDone();
        if (!forcedAutoLogin_)
            co_return;  // the window closed
        forcedAutoLogin_.reset();
        if (i < book.count())
            book.at(i).AutoLogin = remembered;
    }
}

}  // namespace kordex
