#include "panel/hayes_modem.h"

namespace kordex::panel {

std::optional<HayesModem::DialResult> dialResultByName(QStringView name)
{
    using R = HayesModem::DialResult;
    const std::pair<const char *, R> names[] = {
        {"connect", R::Connect},    {"busy", R::Busy},   {"no-carrier", R::NoCarrier}, {"no-dialtone", R::NoDialtone},
        {"no-answer", R::NoAnswer}, {"error", R::Error}, {"silence", R::Silence}};
    for (const auto &[n, r] : names)
        if (name.compare(QLatin1String(n), Qt::CaseInsensitive) == 0)
            return r;
    return std::nullopt;
}

HayesModem::HayesModem(Clock &clock, Options options, Hooks hooks)
    : clock_(clock),
      opt_(options),
      hooks_(std::move(hooks)),
      dialTimer_(clock, options.dialDelayMs,
                 [this] {
                     dialTimer_.stop();
                     dialDone();
                 }),
      escapeTimer_(clock, options.guardMs, [this] {
          escapeTimer_.stop();
          escapeDone();
      })
{
}

void HayesModem::result(const QByteArray &text)
{
    if (hooks_.toTerminal)
        hooks_.toTerminal("\r\n" + text + "\r\n");
}

void HayesModem::setCarrier(bool up)
{
    if (hooks_.carrier)
        hooks_.carrier(up);
}

void HayesModem::reset()
{
    dialTimer_.stop();
    escapeTimer_.stop();
    const bool had = carrier();
    state_ = State::Command;
    echo_ = true;
    command_.clear();
    pluses_ = 0;
    if (had)
        setCarrier(false);
}

void HayesModem::fromTerminal(QByteArrayView bytes)
{
    // Data for the panel leaves in one piece per chunk, as it arrived.
    struct Deliver {
        HayesModem &m;
        ~Deliver()
        {
            if (!m.toPanel_.isEmpty() && m.hooks_.toPanel) {
                QByteArray out;
                out.swap(m.toPanel_);
                m.hooks_.toPanel(out);
            }
        }
    } deliver{*this};
    for (char b : bytes) {
        switch (state_) {
        case State::Command:
        case State::OnlineCommand: commandByte(b); break;
        case State::Dialing: break;  // a real modem would abort; nothing here needs it
        case State::Online: dataByte(b); break;
        }
    }
}

void HayesModem::fromPanel(const QByteArray &bytes)
{
    if (state_ == State::Online && hooks_.toTerminal)
        hooks_.toTerminal(bytes);
}

void HayesModem::commandByte(char b)
{
    if (echo_ && hooks_.toTerminal)
        hooks_.toTerminal(QByteArray(1, b));
    if (b == '\r') {
        const QByteArray line = command_;
        command_.clear();
        execute(line);
    } else if (b == 8 || b == 127) {
        command_.chop(1);
    } else if (b != '\n' && command_.size() < 80) {
        command_ += b;
    }
}

void HayesModem::execute(const QByteArray &line)
{
    const qsizetype at = line.toUpper().indexOf("AT");
    if (at < 0)
        return;  // noise such as a stray line feed
    const QByteArray cmd = line.mid(at + 2).toUpper();
    for (qsizetype i = 0; i < cmd.size();) {
        const char c = cmd[i++];
        auto number = [&] {
            int v = 0;
            while (i < cmd.size() && cmd[i] >= '0' && cmd[i] <= '9')
                v = v * 10 + (cmd[i++] - '0');
            return v;
        };
        switch (c) {
        case ' ': break;
        case 'E': echo_ = number() != 0; break;
        case 'Z':  // a reset also hangs up
            echo_ = true;
            [[fallthrough]];
        case 'H':
            number();
            if (carrier()) {
                state_ = State::Command;
                setCarrier(false);
            }
            break;
        case 'O':
            number();
            if (state_ != State::OnlineCommand) {
                result("NO CARRIER");
                return;
            }
            state_ = State::Online;
            lastDataMs_ = clock_.nowMs();
            result("CONNECT " + QByteArray::number(opt_.rate));
            return;
        case 'D':
            if (carrier()) {
                result("ERROR");
                return;
            }
            number_ = line.mid(at + 2 + i).trimmed();
            if (!number_.isEmpty() && QByteArray("TtPp").contains(number_[0]))  // tone or pulse
                number_ = number_.mid(1).trimmed();
            if (opt_.dialResult == DialResult::Error) {
                result("ERROR");
            } else if (opt_.dialResult != DialResult::Silence) {
                state_ = State::Dialing;
                dialTimer_.restart();
            }
            return;  // the rest of the line is the number
        case 'S':
            number();
            if (i < cmd.size() && (cmd[i] == '=' || cmd[i] == '?'))
                ++i;
            number();
            break;
        case '&':
            if (i < cmd.size())
                ++i;
            number();
            break;
        default:
            if (c >= 'A' && c <= 'Z') {  // settings the simulation does not model
                number();
                break;
            }
            result("ERROR");
            return;
        }
    }
    result("OK");
}

void HayesModem::dialDone()
{
    state_ = State::Command;
    switch (opt_.dialResult) {
    case DialResult::Connect:
        state_ = State::Online;
        lastDataMs_ = clock_.nowMs();
        pluses_ = 0;
        result("CONNECT " + QByteArray::number(opt_.rate));
        setCarrier(true);
        return;
    case DialResult::Busy: result("BUSY"); return;
    case DialResult::NoCarrier: result("NO CARRIER"); return;
    case DialResult::NoDialtone: result("NO DIALTONE"); return;
    case DialResult::NoAnswer: result("NO ANSWER"); return;
    case DialResult::Error: result("ERROR"); return;
    case DialResult::Silence: return;
    }
}

void HayesModem::dataByte(char b)
{
    const int64_t now = clock_.nowMs();
    // "+++" escapes only when framed by guard times of silence; the pluses are
    // held back meanwhile and delivered as data if the escape does not happen.
    if (b == '+' && pluses_ < 3) {
        const bool quietBefore = pluses_ == 0 ? now - lastDataMs_ >= opt_.guardMs : now - lastPlusMs_ < opt_.guardMs;
        if (quietBefore) {
            ++pluses_;
            lastPlusMs_ = now;
            if (pluses_ == 3)
                escapeTimer_.restart();
            return;
        }
    }
    escapeTimer_.stop();
    toPanel_ += QByteArray(pluses_, '+');
    pluses_ = 0;
    lastDataMs_ = now;
    toPanel_ += b;
}

void HayesModem::escapeDone()
{
    pluses_ = 0;
    state_ = State::OnlineCommand;
    command_.clear();
    result("OK");
}

}  // namespace kordex::panel
