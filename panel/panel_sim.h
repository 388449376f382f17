#pragma once
// A simulated fire indicator panel as seen from its remote terminal port: the
// operator login in terminal mode, the tandem-mode screen stream, key codes,
// a small live scenario and database loads. Pure logic: bytes in through
// feed(), bytes out through the output callback, time from a kordex::Clock,
// so tests run it on a VirtualClock without sockets.
#include "panel/panel_model.h"
#include "platform/clock.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <array>
#include <functional>
#include <optional>

namespace kordex::panel {

// One prompt of the login dialogue, in the order the panel asks them.
enum class Step {
    Printer,  // printer notice, any Enter goes on
    Sid,      // system id ("ENTER L..."), answered with the id or L
    User,     // user name, then a "*" confirmation
    Password,
    Program,      // programming access command, expects DG
    Diagnostics,  // diagnostics command, expects TD
    Banner,       // diagnostics banner and command, expects TD
    Access,       // information access command, expects TD
    Info,         // information command, expects Q
};
std::optional<Step> stepByName(QStringView name);
const char *stepName(Step s);

enum class Scenario { Default, Multi, Faults, Quiet };
std::optional<Scenario> scenarioByName(QStringView name);

struct PanelOptions {
    Model model = Model::As1603;
    QByteArray password = "QUOLL";  // empty: no password prompt
    QByteArray user;                // empty: no user-name prompt (any name if listed)
    QByteArray sid;                 // empty: no system-id prompt; digits or "L"
    QList<Step> steps;              // empty: derived from sid, user, password
    bool arrowPrompt = false;       // line-style "->" prompts
    bool startInTandem = false;     // each session finds the panel left in tandem mode
    bool eventDisplay = true;       // remote event display on at start
    QByteArray site = "KORDEX TRAINING SITE";
    Scenario scenario = Scenario::Default;
    int alarmAfterMs = 10000;  // counted from the first entry into tandem mode
    int faultAfterMs = 20000;  // fault absent this long, then present...
    int faultForMs = 10000;    // ...this long, over and over
    int messageMs = 2000;      // short texts such as KEY NOT AVAILABLE
    int xoffAfter = 0;         // bytes of a file send before XOFF; 0 never
    int xoffHoldMs = 1000;
    int loadIdleMs = 3000;    // a load without end record ends after this pause
    int clockOffsetSecs = 0;  // time of day shown when the clock reads 0
};

// The steps a login asks for when none are listed explicitly.
QList<Step> effectiveSteps(const PanelOptions &o);

class PanelSim {
public:
    using Output = std::function<void(const QByteArray &)>;
    enum class Mode { Idle, Dialogue, Command, Tandem };

    PanelSim(Clock &clock, PanelOptions options, Output output);
    ~PanelSim();
    PanelSim(const PanelSim &) = delete;
    PanelSim &operator=(const PanelSim &) = delete;

    // A link came up or went away. Output is produced only inside a session;
    // the fire scenario runs on regardless.
    void beginSession();
    void endSession();
    void feed(QByteArrayView bytes);

    // What the panel would show; for tests and the log.
    Mode mode() const { return mode_; }
    bool inSession() const { return session_; }
    const ModelInfo &model() const { return model_; }
    const PanelOptions &options() const { return opt_; }
    QByteArray displayRow(int row) const;  // 40 characters
    char indicator(int n) const;           // state letter, 'X' when not reported
    QByteArray indicatorLetters() const;   // indicators 3..28
    int eventCount() const { return int(events_.size()); }
    bool sounding() const { return sounding_; }
    bool eventDisplayOn() const { return eventDisplay_; }
    bool lampTest() const { return lampTest_; }
    int recordsAccepted() const { return load_.accepted; }
    int bytesWhileHeld() const { return bytesWhileHeld_; }
    bool flowHeld() const { return held_; }

private:
    enum class Wait { Answer, UserConfirm, Denied, Cancelled };
    enum class View { Events, ZoneEntry, ZoneResult };
    enum class Cursor { Unknown, Off, Blink };
    struct Event {
        bool alarm;
        int zone;
        bool acked = false;
        bool active = true;
        int64_t atMs = 0;
    };
    struct Load {
        bool active = false;
        bool failed = false;
        int lines = 0;
        int accepted = 0;
        int dataRecords = 0;
    };
    class Batch;  // collects output and hands it over in one piece

    void emitBytes(QByteArrayView b);
    void flush();

    // terminal mode
    void terminalByte(char b);
    void escapeKey();
    void lineEntered(const QByteArray &line);
    bool echoing() const;
    void startDialogue();
    void showStep();
    void answerStep(const QByteArray &line);
    void advance();
    void denied();
    void cancelled(const QByteArray &why);
    void logOn();
    void logOff();
    QByteArray commandPrompt() const;
    void commandLine(const QByteArray &line);
    bool countsAsFileSend(char b) const;
    void flowByte();
    void loadLine(const QByteArray &line);
    void endLoad(const QByteArray &text);

    // tandem mode
    void enterTandem(bool redraw);
    void leaveTandem();
    void resetFront();  // keys up, the event list, no message
    void tandemByte(char b);
    void key(char b);
    void hold(char b);
    void release();
    void notAvailable();
    void showMessage(const QByteArray &text, int ms);
    void acknowledge();
    void resetPanel();
    void stepEvents(int delta);
    void zoneKey(char b);
    void setEventDisplay(bool on);
    void fullRedraw();
    void update();
    std::array<QByteArray, 4> composeRows() const;
    QByteArray eventRow0(const Event &e, int index) const;
    QByteArray timeText(int64_t ms, bool seconds) const;
    void print(const QByteArray &text);
    int cursorColumn() const;

    // the scenario
    void startScenario();
    void armScenario();
    void scenarioTick();
    void raiseAlarm(int zone);
    void faultOn(int zone);
    void faultOff(int zone);
    int firstUnacked() const;
    bool anyAlarm() const;

    Clock &clock_;
    PanelOptions opt_;
    const ModelInfo &model_;
    Output output_;
    QByteArray pending_;
    int batchDepth_ = 0;

    bool session_ = false;
    Mode mode_ = Mode::Idle;
    QList<Step> steps_;
    int step_ = 0;
    Wait wait_ = Wait::Answer;
    QByteArray line_;

    Load load_;
    Timer loadIdle_;
    int fileBytes_ = 0;
    bool held_ = false;
    int bytesWhileHeld_ = 0;
    Timer xon_;

    bool holdPrefix_ = false;
    char heldKey_ = 0;
    bool lampTest_ = false;
    View view_ = View::Events;
    QByteArray zoneDigits_;
    int zoneShown_ = 0;
    QByteArray message_;
    Timer messageTimer_;
    bool eventDisplay_;
    bool bell_ = false;
    QList<QByteArray> printerQueue_;
    int printerRow_ = 16;
    std::array<QByteArray, 4> sentRows_;
    QByteArray sentIndicators_;
    Cursor sentCursor_ = Cursor::Unknown;
    Timer clockTick_;

    QList<Event> events_;
    int shown_ = 0;
    bool sounding_ = false;
    bool scenarioStarted_ = false;
    int64_t nextAlarm2Ms_ = -1;
    int64_t nextAlarmMs_ = -1;
    int64_t nextFaultMs_ = -1;
    bool faultPresent_ = false;
    Timer scenarioTimer_;
};

// Place names of the zones the scenario and the zone status query know.
QByteArray zonePlace(int zone);

}  // namespace kordex::panel
