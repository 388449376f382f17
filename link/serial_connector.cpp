#include "link/serial_connector.h"

#include "core/engine.h"
#include "platform/serial_port.h"
#include "platform/text_codec.h"

namespace kordex {

namespace {

constexpr int kFastBaudIndex = 8;  // 19200, the panels' own rate
constexpr int kOpenWaitMs = 5000;
constexpr int kDrainWaitMs = 5000;

// Receive buffer of the serial port by baud-rate index.
int rxBufferForBaudIndex(int index)
{
    if (index < 4)
        return 2048;
    if (index <= 6)
        return 4096;
    if (index <= 8)
        return 8192;
    return 16384;
}

}  // namespace

std::optional<LinkSettings> serialSettingsFor(const ConnectionRecord &rec)
{
    if (rec.baudRateIndex >= kBaudRates.size())
        return std::nullopt;
    LinkSettings s;
    s.com = rec.comPort;
    s.baud = kBaudRates[size_t(rec.baudRateIndex)];
    s.flow = int(rec.flowControl);
    s.rxBuffer = rxBufferForBaudIndex(rec.baudRateIndex);
    return s;
}

SerialConnector::SerialConnector(LinkContext &ctx, Transport *port) : ctx_(ctx), port_(port)
{
    if (port_)
        port_->setEvents(this);
}

SerialConnector::~SerialConnector()
{
    if (port_)
        port_->setEvents(nullptr);
}

bool SerialConnector::offersFastRate(const ConnectionRecord &rec) const
{
    return !rec.userName.isEmpty() && rec.autoLogin && rec.baudRateIndex != kFastBaudIndex;
}

Task<bool> SerialConnector::bringUp()
{
    const LinkFlags &f = ctx_.flags();
    std::optional<LinkSettings> settings = serialSettingsFor(ctx_.current());
    if (!port_ || !settings) {
        ctx_.connectError() = port_ ? toPanelBytes(SerialPort::settingsMessage()) : QByteArray("Port not Ready");
        co_return false;
    }
    if (fastRate_)
        settings->baud = kBaudRates[kFastBaudIndex];
    Transport *t = port_;
    t->tearDown();  // a port left open by an earlier attempt opens anew
    if (!t->bringUp(*settings)) {
        ctx_.connectError() = toPanelBytes(t->lastErrorMessage());
        co_return false;
    }
    co_await ctx_.wait(kOpenWaitMs, [t, &f] { return t->isOpen() || f.abortRequested || f.linkLost; });
    ctx_.timeout().stop();
    if (f.abortRequested)
        co_return t->isOpen();
    if (!t->isOpen()) {
        t->tearDown();
        ctx_.connectError() = "Port not Ready";
        co_return false;
    }
    co_return true;
}

Task<void> SerialConnector::tearDown()
{
    const LinkFlags &f = ctx_.flags();
    Transport *t = port_;
    // Pending output (the logout keys, a hang-up command) leaves first, within 5 s.
    co_await ctx_.wait(kDrainWaitMs, [t, &f] { return !t || !t->isOpen() || t->unsentBytes() == 0 || f.linkLost; });
    ctx_.timeout().stop();
    if (t)
        closeReportingLoss(ctx_, *t);
}

Task<bool> SerialConnector::sendChar(uint8_t c, bool terminalCr, TxTag tag)
{
    Transport *t = port_;
    if (!t || !t->isOpen())
        co_return false;
    const QByteArray text = terminalCr ? QByteArray("\n\r") : QByteArray(1, char(c));
    // Ends, with false, when the port closes while we wait for room.
    co_await ctx_.hub().until([t] { return !t->isOpen() || t->transmitRoom() >= 100; });
    if (!t->isOpen())
        co_return false;
    co_return ctx_.write(*t, text, tag);
}

bool SerialConnector::sameLink(const ConnectionRecord &a, const ConnectionRecord &b) const
{
    return a.baudRateIndex == b.baudRateIndex && a.flowControl == b.flowControl && a.comPort == b.comPort;
}

void SerialConnector::sessionClosed(int)
{
    // The port is gone (an adapter unplugged): the session ends as a lost
    // TCP/IP session would, and then the operator reads why, once.
    const QByteArray why = toPanelBytes(port_->lastErrorMessage());
    ctx_.linkFailed("Connection Lost", why.isEmpty() ? QByteArray("The serial port was lost.") : why);
}

void SerialConnector::lineError()
{
    ctx_.engine().shell.beep();
    ctx_.hub().notify();
}

}  // namespace kordex
