#include "panel/panel_sim.h"

#include "panel/srecord.h"
#include "panel/tandem_codec.h"

#include <algorithm>

namespace kordex::panel {

using namespace tandem;

namespace {

constexpr int kZoneResultMs = 5000;
constexpr int kSecondAlarmDelayMs = 5000;
constexpr int kLineLimit = 250;
constexpr int kZones = 8;

QByteArray pad(const QByteArray &s, int width = kColumns) { return s.leftJustified(width, ' ', true); }

QByteArray zoneText(int zone) { return "ZONE " + QByteArray::number(zone).rightJustified(3, '0'); }

QByteArray rightTrimmed(QByteArray s)
{
    while (!s.isEmpty() && s.back() == ' ')
        s.chop(1);
    return s;
}

}  // namespace

QByteArray zonePlace(int zone)
{
    // No place name holds the letters O F: the alarm attention looks for the
    // first of them on the display.
    static const char *const kPlaces[kZones] = {
        "GROUND FLOOR FOYER", "LEVEL 1 WORKSHOP", "LEVEL 2 EAST WING", "LEVEL 2 WEST WING",
        "PLANT ROOM",         "CAR PARK",         "KITCHEN",           "STORE ROOM",
    };
    return zone >= 1 && zone <= kZones ? QByteArray(kPlaces[zone - 1]) : QByteArray();
}

std::optional<Step> stepByName(QStringView name)
{
    static const Step kAllSteps[] = {Step::Printer,     Step::Sid,    Step::User,   Step::Password, Step::Program,
                               Step::Diagnostics, Step::Banner, Step::Access, Step::Info};
    for (Step s : kAllSteps)
        if (name.compare(QLatin1String(stepName(s)), Qt::CaseInsensitive) == 0)
            return s;
    return std::nullopt;
}

const char *stepName(Step s)
{
    switch (s) {
    case Step::Printer: return "printer";
    case Step::Sid: return "sid";
    case Step::User: return "user";
    case Step::Password: return "password";
    case Step::Program: return "program";
    case Step::Diagnostics: return "diagnostics";
    case Step::Banner: return "banner";
    case Step::Access: return "access";
    case Step::Info: return "info";
    }
    return "?";
}

std::optional<Scenario> scenarioByName(QStringView name)
{
    const std::pair<const char *, Scenario> names[] = {{"default", Scenario::Default},
                                                       {"multi", Scenario::Multi},
                                                       {"faults", Scenario::Faults},
                                                       {"quiet", Scenario::Quiet}};
    for (const auto &[n, s] : names)
        if (name.compare(QLatin1String(n), Qt::CaseInsensitive) == 0)
            return s;
    return std::nullopt;
}

QList<Step> effectiveSteps(const PanelOptions &o)
{
    if (!o.steps.isEmpty())
        return o.steps;
    QList<Step> steps;
    if (!o.sid.isEmpty())
        steps << Step::Sid;
    if (!o.user.isEmpty())
        steps << Step::User;
    if (!o.password.isEmpty())
        steps << Step::Password;
    return steps;
}

// Every entry point collects its output and hands it over in one piece, so a
// redraw leaves as one write and nested calls do not split it.
class PanelSim::Batch {
public:
    explicit Batch(PanelSim &p) : p_(p) { ++p_.batchDepth_; }
    ~Batch()
    {
        if (--p_.batchDepth_ == 0)
            p_.flush();
    }
    Batch(const Batch &) = delete;
    Batch &operator=(const Batch &) = delete;

private:
    PanelSim &p_;
};

PanelSim::PanelSim(Clock &clock, PanelOptions options, Output output)
    : clock_(clock),
      opt_(std::move(options)),
      model_(modelInfo(opt_.model)),
      output_(std::move(output)),
      steps_(effectiveSteps(opt_)),
      loadIdle_(clock, opt_.loadIdleMs,
                [this] {
                    Batch b(*this);
                    loadIdle_.stop();
                    if (load_.active)
                        endLoad(load_.failed ? QByteArray()
                                             : "DATABASE LOAD INCOMPLETE: " + QByteArray::number(load_.accepted) +
                                                   " RECORDS ACCEPTED, NO END RECORD");
                }),
      xon_(clock, opt_.xoffHoldMs,
           [this] {
               Batch b(*this);
               xon_.stop();
               held_ = false;
               fileBytes_ = 0;
               emitBytes(QByteArrayView(&kXon, 1));
           }),
      messageTimer_(clock, opt_.messageMs,
                    [this] {
                        Batch b(*this);
                        messageTimer_.stop();
                        message_.clear();
                        if (view_ == View::ZoneResult)
                            view_ = View::Events;
                        update();
                    }),
      eventDisplay_(opt_.eventDisplay),
      clockTick_(clock, 1000,
                 [this] {
                     Batch b(*this);
                     update();
                 }),
      scenarioTimer_(clock, 1000, [this] {
          Batch b(*this);
          scenarioTick();
      })
{
}

PanelSim::~PanelSim() = default;

void PanelSim::emitBytes(QByteArrayView b)
{
    if (session_)
        pending_ += b;
}

void PanelSim::flush()
{
    if (pending_.isEmpty())
        return;
    QByteArray out;
    out.swap(pending_);
    if (output_)
        output_(out);
}

void PanelSim::beginSession()
{
    Batch b(*this);
    session_ = true;
    line_.clear();
    if (opt_.startInTandem)
        enterTandem(false);  // silent until asked to redraw, as a panel left in tandem mode
    else
        mode_ = Mode::Idle;
}

void PanelSim::endSession()
{
    Batch b(*this);
    clockTick_.stop();
    session_ = false;
    mode_ = Mode::Idle;
    line_.clear();
    step_ = 0;
    wait_ = Wait::Answer;
    load_.active = false;
    loadIdle_.stop();
    held_ = false;
    fileBytes_ = 0;
    xon_.stop();
    resetFront();
    printerQueue_.clear();
    pending_.clear();
}

void PanelSim::feed(QByteArrayView bytes)
{
    Batch b(*this);
    if (!session_)
        return;
    for (char c : bytes) {
        if (mode_ == Mode::Tandem)
            tandemByte(c);
        else
            terminalByte(c);
    }
}

QByteArray PanelSim::displayRow(int row) const
{
    return row >= 0 && row < 4 ? composeRows()[size_t(row)] : QByteArray();
}

char PanelSim::indicator(int n) const { return n >= 3 && n <= kLastIndicator ? indicatorLetters()[n - 3] : 'X'; }

// ---------------------------------------------------------------- terminal

bool PanelSim::echoing() const
{
    if (mode_ == Mode::Dialogue)
        return wait_ == Wait::Answer && steps_[step_] != Step::Password;
    if (mode_ == Mode::Command)  // a file send is not echoed back line by line
        return !load_.active && !line_.startsWith('S');
    return false;
}

void PanelSim::terminalByte(char b)
{
    if (mode_ == Mode::Command && countsAsFileSend(b))
        flowByte();
    switch (b) {
    case '\n':  // remote terminals end lines with LF CR; the CR ends the line
        return;
    case kEsc: escapeKey(); return;
    case 8:
    case 127:
        if (!line_.isEmpty()) {
            const bool echo = echoing();
            line_.chop(1);
            if (echo)
                emitBytes("\b \b");
        }
        return;
    case '\r': {
        const bool newline =
            mode_ == Mode::Dialogue || (mode_ == Mode::Command && !load_.active && !looksLikeSRecord(line_));
        const QByteArray line = line_;
        line_.clear();
        if (newline)
            emitBytes("\r\n");
        lineEntered(line);
        return;
    }
    default: break;
    }
    const auto u = static_cast<unsigned char>(b);
    if (u < 0x20 || u > 0x7E)
        return;
    if (mode_ == Mode::Dialogue && wait_ == Wait::Answer && steps_[step_] == Step::Sid && !opt_.arrowPrompt &&
        line_.isEmpty() && (b == 'L' || b == 'l')) {
        // A menu-style prompt takes L as a single keystroke, without Enter.
        emitBytes("L\r\n");
        answerStep("L");
        return;
    }
    if (line_.size() >= kLineLimit)
        return;
    line_ += b;
    if (echoing())
        emitBytes(QByteArrayView(&b, 1));
}

void PanelSim::escapeKey()
{
    line_.clear();
    switch (mode_) {
    case Mode::Dialogue:
        if (wait_ != Wait::Cancelled) {
            emitBytes("\r\n");
            cancelled("LOGIN CANCELLED");
        }
        return;
    case Mode::Command:
        // Escape backs out of the top command level, which logs off.
        load_.active = false;
        loadIdle_.stop();
        emitBytes("\r\n");
        logOff();
        return;
    case Mode::Idle:
    case Mode::Tandem: return;
    }
}

void PanelSim::lineEntered(const QByteArray &line)
{
    switch (mode_) {
    case Mode::Idle:
        // The port stays quiet until someone presses Enter.
        emitBytes("\r\n" + QByteArray(model_.title) + " - REMOTE TERMINAL\r\n");
        startDialogue();
        return;
    case Mode::Dialogue:
        switch (wait_) {
        case Wait::Answer: answerStep(line); return;
        case Wait::UserConfirm: advance(); return;
        case Wait::Denied: showStep(); return;
        case Wait::Cancelled:
            step_ = 0;
            showStep();
            return;
        }
        return;
    case Mode::Command: commandLine(line); return;
    case Mode::Tandem: return;
    }
}

void PanelSim::startDialogue()
{
    mode_ = Mode::Dialogue;
    step_ = 0;
    if (steps_.isEmpty())
        logOn();
    else
        showStep();
}

void PanelSim::showStep()
{
    wait_ = Wait::Answer;
    switch (steps_[step_]) {
    case Step::Printer: emitBytes("PRINTER OFF LINE\r\nRECONNECT PRINTER AND PRESS ENTER: "); return;
    case Step::Sid:
        // Mixed case on purpose: terminals match this prompt case-blind.
        emitBytes(opt_.arrowPrompt ? "-> Enter L for local access or the system id: "
                                   : "System id (Enter L for local): ");
        return;
    case Step::User: emitBytes("ENTER USERNAME: "); return;
    case Step::Password: emitBytes("ENTER PASSWORD: "); return;
    case Step::Program: emitBytes("ENTER PROGRAMMING ACCESS COMMAND: "); return;
    case Step::Diagnostics: emitBytes("ENTER DIAGNOSTICS COMMAND: "); return;
    case Step::Banner: emitBytes("ZR9 Diagnostics V1.20\r\nTD = TANDEM DISPLAY, Q = QUIT\r\nCOMMAND: "); return;
    case Step::Access: emitBytes("ENTER INFORMATION ACCESS COMMAND: "); return;
    case Step::Info: emitBytes("ENTER INFORMATION COMMAND: "); return;
    }
}

void PanelSim::answerStep(const QByteArray &line)
{
    const QByteArray answer = line.trimmed();
    const QByteArray upper = answer.toUpper();
    auto command = [&](const char *expected) {
        if (upper == expected) {
            advance();
        } else {
            emitBytes("INVALID COMMAND\r\n");
            showStep();
        }
    };
    switch (steps_[step_]) {
    case Step::Printer: advance(); return;
    case Step::Sid: {
        const QByteArray want = opt_.sid.isEmpty() ? QByteArray("L") : opt_.sid.toUpper();
        if (upper == want)
            advance();
        else
            denied();
        return;
    }
    case Step::User:
        if (answer.isEmpty() || (!opt_.user.isEmpty() && upper != opt_.user.toUpper())) {
            cancelled("UNKNOWN USER - LOGIN CANCELLED");
            return;
        }
        emitBytes("USER " + answer + " *\r\nPRESS ENTER TO CONFIRM: ");
        wait_ = Wait::UserConfirm;
        return;
    case Step::Password:
        if (line == opt_.password)
            advance();
        else
            denied();
        return;
    case Step::Program: command("DG"); return;
    case Step::Diagnostics:
    case Step::Banner:
    case Step::Access: command("TD"); return;
    case Step::Info: command("Q"); return;
    }
}

void PanelSim::advance()
{
    if (++step_ >= steps_.size())
        logOn();
    else
        showStep();
}

void PanelSim::denied()
{
    // Waits for Enter before asking again, so one wrong answer costs one try.
    emitBytes("ACCESS DENIED\r\n");
    wait_ = Wait::Denied;
}

void PanelSim::cancelled(const QByteArray &why)
{
    emitBytes(why + "\r\n");
    wait_ = Wait::Cancelled;
}

void PanelSim::logOn()
{
    emitBytes("ACCESS GRANTED\r\n");
    enterTandem(true);
}

void PanelSim::logOff()
{
    emitBytes("LOGGED OFF\r\n");
    mode_ = Mode::Idle;
    step_ = 0;
}

QByteArray PanelSim::commandPrompt() const
{
    for (auto it = steps_.crbegin(); it != steps_.crend(); ++it) {
        if (*it == Step::Access)
            return "ENTER INFORMATION ACCESS COMMAND: ";
        if (*it == Step::Diagnostics)
            return "ENTER DIAGNOSTICS COMMAND: ";
        if (*it == Step::Banner)
            return "COMMAND: ";
    }
    return opt_.arrowPrompt ? "-> " : "COMMAND: ";
}

void PanelSim::commandLine(const QByteArray &line)
{
    if (load_.active || looksLikeSRecord(line)) {
        loadLine(line);
        return;
    }
    const QByteArray cmd = line.trimmed().toUpper();
    if (cmd.isEmpty()) {
        emitBytes(commandPrompt());
    } else if (cmd == "TD") {
        enterTandem(true);
    } else if (cmd == "Q") {
        logOff();
    } else {
        emitBytes("INVALID COMMAND - TD FOR TANDEM DISPLAY, Q TO LOG OFF\r\n" + commandPrompt());
    }
}

bool PanelSim::countsAsFileSend(char b) const
{
    return opt_.xoffAfter > 0 && (load_.active || line_.startsWith('S') || (line_.isEmpty() && b == 'S'));
}

void PanelSim::flowByte()
{
    if (held_) {
        ++bytesWhileHeld_;
        return;
    }
    if (++fileBytes_ >= opt_.xoffAfter) {
        emitBytes(QByteArrayView(&kXoff, 1));
        held_ = true;
        xon_.restart();
    }
}

void PanelSim::loadLine(const QByteArray &line)
{
    if (!load_.active)
        load_ = Load{true};
    loadIdle_.restart();
    ++load_.lines;
    const QByteArray text = line.trimmed();
    if (text.isEmpty())
        return;
    if (load_.failed) {
        // The rest of a failed file is swallowed up to its end record.
        if (looksLikeSRecord(text) && isEndRecord(text[1] - '0'))
            endLoad({});
        return;
    }
    const SRecordCheck r = checkSRecord(text);
    QByteArray error = r.error;
    if (r.ok && (r.type == 5 || r.type == 6) && int(r.address) != load_.dataRecords)
        error = "RECORD COUNT MISMATCH";
    if (!error.isEmpty()) {
        emitBytes("DATABASE LOAD FAILED AT LINE " + QByteArray::number(load_.lines) + ": " + error + " (" +
                  QByteArray::number(load_.accepted) + " RECORDS ACCEPTED)\r\n");
        load_.failed = true;
        return;
    }
    ++load_.accepted;
    if (isDataRecord(r.type))
        ++load_.dataRecords;
    if (isEndRecord(r.type))
        endLoad("DATABASE LOADED: " + QByteArray::number(load_.accepted) + " RECORDS ACCEPTED");
}

void PanelSim::endLoad(const QByteArray &text)
{
    loadIdle_.stop();
    load_.active = false;
    if (!text.isEmpty())
        emitBytes(text + "\r\n");
    emitBytes(commandPrompt());
}

// ---------------------------------------------------------------- tandem

void PanelSim::enterTandem(bool redraw)
{
    mode_ = Mode::Tandem;
    resetFront();
    startScenario();
    clockTick_.start();
    if (redraw) {
        fullRedraw();
    } else {
        // The screen stands as an earlier session left it: only changes go out.
        sentRows_ = composeRows();
        sentIndicators_ = indicatorLine(model_.lineKind, indicatorLetters(), model_.lowerHex);
        sentCursor_ = Cursor::Off;
    }
}

void PanelSim::resetFront()
{
    holdPrefix_ = false;
    heldKey_ = 0;
    lampTest_ = false;
    view_ = View::Events;
    message_.clear();
    messageTimer_.stop();
}

void PanelSim::leaveTandem()
{
    clockTick_.stop();
    mode_ = Mode::Command;
    line_.clear();
    heldKey_ = 0;
    lampTest_ = false;
    printerQueue_.clear();
    bell_ = false;
    emitBytes("\r\nTANDEM MODE ENDED\r\n" + commandPrompt());
}

void PanelSim::tandemByte(char b)
{
    if (holdPrefix_) {
        holdPrefix_ = false;
        if (b == '/')
            release();
        else
            hold(b);
        update();
        return;
    }
    if (b == '/') {
        holdPrefix_ = true;
        return;
    }
    key(b);
}

void PanelSim::key(char b)
{
    if (b == 'C') {
        leaveTandem();
        return;
    }
    if (b == 'H') {
        fullRedraw();
        return;
    }
    if (b == '\n')
        return;
    if (view_ == View::ZoneEntry && ((b >= '0' && b <= '9') || b == '\r' || b == 8)) {
        zoneKey(b);
        update();
        return;
    }
    // Any other key leaves the zone pages and ends a short message.
    view_ = View::Events;
    message_.clear();
    messageTimer_.stop();
    switch (b) {
    case 'a': acknowledge(); break;
    case 'r': resetPanel(); break;
    case 'n': stepEvents(+1); break;
    case 'p': stepEvents(-1); break;
    case '"': setEventDisplay(true); break;
    case '\'': setEventDisplay(false); break;
    case 't': showMessage("HOLD TEST KEY FOR LAMP TEST", opt_.messageMs); break;
    case 'Z':
        view_ = View::ZoneEntry;
        zoneDigits_.clear();
        break;
    case 8: break;  // CLEAR: back to the event list
    default: notAvailable(); break;
    }
    update();
}

void PanelSim::hold(char b)
{
    heldKey_ = b;
    if (b == 't') {
        lampTest_ = true;
        message_.clear();
    } else if (b == 'n' || b == 'p') {
        stepEvents(b == 'n' ? +1 : -1);  // a held NEXT or PREV keeps stepping
    }
}

void PanelSim::release()
{
    if (heldKey_ == 't')
        lampTest_ = false;
    heldKey_ = 0;
}

void PanelSim::notAvailable()
{
    bell_ = true;
    showMessage("KEY NOT AVAILABLE", opt_.messageMs);
}

void PanelSim::showMessage(const QByteArray &text, int ms)
{
    message_ = text;
    messageTimer_.setInterval(ms);
    messageTimer_.restart();
}

int PanelSim::firstUnacked() const
{
    for (int i = 0; i < events_.size(); ++i)
        if (events_[i].alarm && !events_[i].acked)
            return i;
    for (int i = 0; i < events_.size(); ++i)
        if (!events_[i].acked)
            return i;
    return -1;
}

bool PanelSim::anyAlarm() const
{
    return std::any_of(events_.begin(), events_.end(), [](const Event &e) { return e.alarm; });
}

void PanelSim::acknowledge()
{
    sounding_ = false;  // ACK silences the sounder whatever it acknowledges
    if (events_.isEmpty()) {
        showMessage("NO EVENTS TO ACKNOWLEDGE", opt_.messageMs);
        return;
    }
    Event &e = events_[shown_];
    if (!e.acked) {
        e.acked = true;
        print(zoneText(e.zone) + (e.alarm ? " ALARM ACKD" : " FAULT ACKD"));
        if (!e.alarm && !e.active)  // a fault that has gone needs nothing more
            events_.removeAt(shown_);
    }
    const int next = firstUnacked();
    shown_ = next >= 0 ? next : std::clamp(shown_, 0, std::max(0, int(events_.size()) - 1));
}

void PanelSim::resetPanel()
{
    events_.erase(std::remove_if(events_.begin(), events_.end(), [](const Event &e) { return e.alarm || !e.active; }),
                  events_.end());
    sounding_ = false;
    shown_ = std::max(0, firstUnacked());
    print("SYSTEM RESET");
}

void PanelSim::stepEvents(int delta)
{
    const int n = int(events_.size());
    if (n > 0)
        shown_ = ((shown_ + delta) % n + n) % n;
}

void PanelSim::zoneKey(char b)
{
    if (b >= '0' && b <= '9') {
        if (zoneDigits_.size() < 3)
            zoneDigits_ += b;
    } else if (b == 8) {
        if (zoneDigits_.isEmpty())
            view_ = View::Events;
        else
            zoneDigits_.chop(1);
    } else if (zoneDigits_.isEmpty()) {
        view_ = View::Events;
    } else {
        zoneShown_ = zoneDigits_.toInt();
        view_ = View::ZoneResult;
        messageTimer_.setInterval(kZoneResultMs);
        messageTimer_.restart();
    }
}

void PanelSim::setEventDisplay(bool on)
{
    if (eventDisplay_ == on)
        return;
    eventDisplay_ = on;
    print("REMOTE EVENT DISPLAY ON");  // printed only when switched on
}

void PanelSim::print(const QByteArray &text)
{
    if (mode_ == Mode::Tandem && eventDisplay_)
        printerQueue_ << timeText(clock_.nowMs(), true) + " " + text;
}

QByteArray PanelSim::timeText(int64_t ms, bool seconds) const
{
    const int64_t secs = ((opt_.clockOffsetSecs + ms / 1000) % 86400 + 86400) % 86400;
    auto two = [](int64_t v) { return QByteArray::number(v).rightJustified(2, '0'); };
    QByteArray t = two(secs / 3600) + ":" + two(secs / 60 % 60);
    if (seconds)
        t += ":" + two(secs % 60);
    return t;
}

QByteArray PanelSim::eventRow0(const Event &e, int index) const
{
    QByteArray head = zoneText(e.zone) + (e.alarm ? " ALARM" : " FAULT");
    if (!e.alarm && !e.active)
        head += " CLEARED";
    else if (e.acked)
        head += " ACKD";
    // "n OF m" sits with its O F in columns 34 and 35 of the top line.
    return pad(head, 31) + QByteArray::number(index + 1).rightJustified(2) + " OF " +
           QByteArray::number(events_.size()).leftJustified(2) + " ";
}

std::array<QByteArray, 4> PanelSim::composeRows() const
{
    std::array<QByteArray, 4> rows;
    const int shownRows = model_.displayRows;
    if (lampTest_) {
        rows[0] = "LAMP TEST";
        for (int r = 1; r < shownRows; ++r)
            rows[size_t(r)] = QByteArray(kColumns, kBlock);
    } else {
        const int64_t now = clock_.nowMs();
        switch (view_) {
        case View::ZoneEntry:
            rows[0] = "ZONE STATUS";
            rows[1] = "ENTER ZONE NUMBER: " + zoneDigits_;
            break;
        case View::ZoneResult: {
            const QByteArray place = zonePlace(zoneShown_);
            QByteArray status = place.isEmpty() ? "NOT INSTALLED" : "NORMAL";
            for (const Event &e : events_)
                if (e.zone == zoneShown_ && (e.alarm || (e.active && status != "ALARM")))
                    status = e.alarm ? "ALARM" : "FAULT";
            rows[0] = zoneText(zoneShown_) + " STATUS: " + status;
            rows[1] = place;
            break;
        }
        case View::Events:
            if (events_.isEmpty()) {
                rows[0] = "SYSTEM NORMAL";
                rows[1] = pad(opt_.site.left(33), 35) + timeText(now, false);
            } else {
                const Event &e = events_[shown_];
                rows[0] = eventRow0(e, shown_);
                rows[1] = pad(zonePlace(e.zone), 35) + timeText(e.atMs, false);
            }
            break;
        }
        if (shownRows == 4) {
            const auto alarms = std::count_if(events_.begin(), events_.end(), [](const Event &e) { return e.alarm; });
            rows[2] = "ALARMS " + QByteArray::number(alarms).rightJustified(2, '0') + "  FAULTS " +
                      QByteArray::number(events_.size() - alarms).rightJustified(2, '0');
            rows[3] = pad(model_.title, 35) + timeText(now, false);
        }
        if (!message_.isEmpty())
            rows[0] = message_;
    }
    for (int r = 0; r < 4; ++r)
        rows[size_t(r)] = r < shownRows ? pad(rows[size_t(r)]) : QByteArray();
    return rows;
}

QByteArray PanelSim::indicatorLetters() const
{
    QByteArray letters(kLastIndicator - 2, 'X');
    auto set = [&](int n, char c) {
        if (n >= 3 && n <= kLastIndicator)
            letters[n - 3] = c;
    };
    const std::vector<int> reported = reportedIndicators(model_);
    for (int n : reported)
        set(n, 'O');
    bool alarm = false, alarmUnacked = false, faultActive = false, faultUnacked = false, faultClearedUnacked = false;
    int alarms = 0;
    for (const Event &e : events_) {
        if (e.alarm) {
            alarm = true;
            ++alarms;
            alarmUnacked = alarmUnacked || !e.acked;
        } else if (e.active) {
            faultActive = true;
            faultUnacked = faultUnacked || !e.acked;
        } else {
            faultClearedUnacked = true;
        }
    }
    const Lamps &l = model_.lamps;
    set(l.alarm, !alarm ? 'O' : alarmUnacked ? 'F' : 'N');
    set(l.fault, faultUnacked ? 'Q' : faultActive ? 'N' : faultClearedUnacked ? 'S' : 'O');
    set(l.sounder, sounding_ ? 'N' : 'O');
    set(l.power, 'N');
    set(l.several, alarms > 1 ? 'F' : 'O');
    set(l.routing, alarm ? 'N' : 'O');
    set(l.devices, sounding_ ? 'N' : 'O');
    set(l.nzNormal, !alarm && !faultActive ? 'N' : 'O');
    set(l.nzFire, alarm ? 'N' : 'O');
    set(l.nzDefect, faultActive ? 'N' : 'O');
    if (lampTest_)
        for (int n : reported)
            set(n, 'N');
    set(l.eventDisplay, eventDisplay_ ? 'N' : 'O');
    return letters;
}

int PanelSim::cursorColumn() const
{
    return 19 + int(zoneDigits_.size());  // after "ENTER ZONE NUMBER: "
}

void PanelSim::fullRedraw()
{
    sentRows_ = {};
    sentIndicators_.clear();
    sentCursor_ = Cursor::Unknown;
    // The identification goes first: the receiver picks its face from it and
    // forgets the lamp states, so the indicator line must follow it.
    emitBytes(clearScreen() + moveTo(kIdentRow, 0) + model_.ident);
    update();
}

void PanelSim::update()
{
    if (!session_ || mode_ != Mode::Tandem) {
        printerQueue_.clear();
        bell_ = false;
        return;
    }
    QByteArray out;
    if (bell_) {
        out += kBell;
        bell_ = false;
    }
    // Printer lines first, so the cursor ends up back on the display.
    for (const QByteArray &line : std::as_const(printerQueue_)) {
        out += moveTo(printerRow_, 0) + line + "\r\n";
        printerRow_ = nextPrinterRow(printerRow_);
    }
    printerQueue_.clear();
    const std::array<QByteArray, 4> rows = composeRows();
    for (int r = 0; r < model_.displayRows; ++r) {
        if (rows[size_t(r)] == sentRows_[size_t(r)])
            continue;
        const QByteArray text = rightTrimmed(rows[size_t(r)]);
        out += moveTo(r, 0) + text;
        if (text.size() < kColumns)  // a full row wraps, and ESC K would then clear the next one
            out += clearToLineEnd();
        sentRows_[size_t(r)] = rows[size_t(r)];
    }
    const QByteArray line = indicatorLine(model_.lineKind, indicatorLetters(), model_.lowerHex);
    if (line != sentIndicators_) {
        out += moveTo(kIndicatorRow, 0) + line;
        sentIndicators_ = line;
    }
    const bool entry = view_ == View::ZoneEntry && !lampTest_ && message_.isEmpty();
    const Cursor cursor = entry ? Cursor::Blink : Cursor::Off;
    if (cursor != sentCursor_) {
        out += cursor == Cursor::Blink ? QByteArray() + kCursorOn + kCursorBlink : QByteArray(1, kCursorOff);
        sentCursor_ = cursor;
    }
    // Every update ends in a cursor move: its ESC also completes the
    // indicator line, and it puts the cursor where the operator types.
    if (!out.isEmpty())
        out += entry ? moveTo(1, cursorColumn()) : moveTo(0, 0);
    emitBytes(out);
}

// ---------------------------------------------------------------- scenario

void PanelSim::startScenario()
{
    if (scenarioStarted_)
        return;
    scenarioStarted_ = true;
    const int64_t now = clock_.nowMs();
    const bool alarms = opt_.scenario == Scenario::Default || opt_.scenario == Scenario::Multi;
    const bool faults = opt_.scenario != Scenario::Quiet;
    if (alarms && opt_.alarmAfterMs >= 0)
        nextAlarmMs_ = now + opt_.alarmAfterMs;
    if (opt_.scenario == Scenario::Multi && opt_.alarmAfterMs >= 0)
        nextAlarm2Ms_ = now + opt_.alarmAfterMs + kSecondAlarmDelayMs;
    if (faults && opt_.faultAfterMs > 0 && opt_.faultForMs > 0)
        nextFaultMs_ = now + opt_.faultAfterMs;
    armScenario();  // never draws from here: a redraw must start with the clear
}

void PanelSim::armScenario()
{
    const int64_t now = clock_.nowMs();
    int64_t due = -1;
    for (int64_t t : {nextAlarmMs_, nextAlarm2Ms_, nextFaultMs_})
        if (t >= 0 && (due < 0 || t < due))
            due = t;
    if (due < 0) {
        scenarioTimer_.stop();
    } else {
        scenarioTimer_.setInterval(int(std::max<int64_t>(1, due - now)));
        scenarioTimer_.restart();
    }
}

void PanelSim::scenarioTick()
{
    const int64_t now = clock_.nowMs();
    if (nextAlarmMs_ >= 0 && now >= nextAlarmMs_) {
        nextAlarmMs_ = -1;
        raiseAlarm(3);
    }
    if (nextAlarm2Ms_ >= 0 && now >= nextAlarm2Ms_) {
        nextAlarm2Ms_ = -1;
        raiseAlarm(7);
    }
    if (nextFaultMs_ >= 0 && now >= nextFaultMs_) {
        if (faultPresent_) {
            faultOff(5);
            nextFaultMs_ = now + opt_.faultAfterMs;
        } else {
            faultOn(5);
            nextFaultMs_ = now + opt_.faultForMs;
        }
    }
    armScenario();
    update();
}

void PanelSim::raiseAlarm(int zone)
{
    events_.append(Event{true, zone, false, true, clock_.nowMs()});
    sounding_ = true;
    bell_ = true;
    print(pad(zoneText(zone) + " ALARM", 20) + zonePlace(zone));
    shown_ = std::max(0, firstUnacked());
}

void PanelSim::faultOn(int zone)
{
    faultPresent_ = true;
    auto it = std::find_if(events_.begin(), events_.end(), [&](const Event &e) { return !e.alarm && e.zone == zone; });
    if (it != events_.end()) {
        it->active = true;
        it->acked = false;
        it->atMs = clock_.nowMs();
    } else {
        events_.append(Event{false, zone, false, true, clock_.nowMs()});
    }
    print(pad(zoneText(zone) + " FAULT", 20) + zonePlace(zone));
    shown_ = std::max(0, firstUnacked());
}

void PanelSim::faultOff(int zone)
{
    faultPresent_ = false;
    auto it = std::find_if(events_.begin(), events_.end(), [&](const Event &e) { return !e.alarm && e.zone == zone; });
    if (it == events_.end())
        return;  // reset while it was cleared
    print(zoneText(zone) + " FAULT CLEARED");
    if (it->acked)
        events_.erase(it);
    else
        it->active = false;
    shown_ = std::clamp(shown_, 0, std::max(0, int(events_.size()) - 1));
}

}  // namespace kordex::panel
