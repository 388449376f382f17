#pragma once
// A trace of one session for support engineers, written as a kordex-replay
// script: each received chunk becomes `wait MS` + `send "..."`, and every
// other event a comment with the time since the trace began:
//   # 1234 tx "..."      each transport write (the password, the SID answer
//                        and the terminal server answers as <password>, <sid>
//                        and <answer>: a trace is sent to others)
//   # 1234 status "..."  the title's status text changed
//   # 1234 box "CAPTION" "TEXT"
//   # 1234 note "TEXT"   a problem told in the tray note (the event history's)
//   # 1234 mode tandem|terminal
//   # 1234 face N
// Every line is flushed as it is written, so a trace survives a crash.
#include "core/engine_view.h"
#include "core/session_state.h"
#include "link/link_session.h"
#include "platform/clock.h"
#include "platform/prompter.h"

#include <QByteArray>
#include <QFile>

namespace kordex {

class SessionTrace {
public:
    SessionTrace(Clock &clock, const QString &path);
    bool isOpen() const { return file_.isOpen(); }
    QString errorString() const { return file_.errorString(); }

    void received(const QByteArray &chunk);
    void transmitted(const QByteArray &bytes, TxTag tag);
    void box(const QString &caption, const QString &text);
    void note(const QString &text);
    // Looks for changes of the status text, the mode and the face.
    void watch(const SessionState &s);

private:
    void comment(const QByteArray &what);
    void line(const QByteArray &text);
    int64_t now() const { return clock_.nowMs() - start_; }

    Clock &clock_;
    QFile file_;
    int64_t start_;
    int64_t lastReceived_ = 0;
    TxTag lastSecret_ = TxTag::Plain;
    QByteArray status_;
    bool tandem_ = false;
    int face_ = 0;
};

// Passes everything on to the window and lets the trace see what changed.
class TracingView final : public EngineView {
public:
    TracingView(EngineView &inner, const SessionState &session) : inner_(inner), session_(session) {}
    void setTrace(SessionTrace *trace) { trace_ = trace; }
    // Added to every caption (" - demo").
    void setCaptionNote(const QByteArray &note) { note_ = note; }

    void setCaption(const QByteArray &c) override
    {
        inner_.setCaption(c + note_);
        seen();
    }
    void setVisibleContainer(Container c) override
    {
        inner_.setVisibleContainer(c);
        seen();
    }
    void prepareFace(int t) override { inner_.prepareFace(t); }
    void setLogicKeysVisible(bool v) override { inner_.setLogicKeysVisible(v); }
    void setDisplayLayout(DisplayLayout l) override { inner_.setDisplayLayout(l); }
    void setEventScreenLayout(EventScreenLayout l) override
    {
        inner_.setEventScreenLayout(l);
        seen();
    }
    void setNzDisplayVisible(bool v) override { inner_.setNzDisplayVisible(v); }
    void setLcdText(const QByteArray &t) override { inner_.setLcdText(t); }
    void eventScreenReplace(int i, const QByteArray &l) override { inner_.eventScreenReplace(i, l); }
    void eventScreenInsert(int i, const QByteArray &l) override { inner_.eventScreenInsert(i, l); }
    void eventScreenRemoveFirst() override { inner_.eventScreenRemoveFirst(); }
    void setLampColor(std::string_view n, Rgb c) override { inner_.setLampColor(n, c); }
    void setLampVisible(std::string_view n, bool v) override { inner_.setLampVisible(n, v); }
    void setSounder(const QByteArray &c, Rgb t) override { inner_.setSounder(c, t); }
    void setSounderVisible(bool v) override { inner_.setSounderVisible(v); }
    void setEventsLabel(const QByteArray &c, int k) override { inner_.setEventsLabel(c, k); }
    void setEventsLabelVisible(bool v) override { inner_.setEventsLabelVisible(v); }
    void setMenuEnabled(MenuItem i, bool on) override { inner_.setMenuEnabled(i, on); }
    void setMenuChecked(MenuItem i, bool on) override { inner_.setMenuChecked(i, on); }
    void setMenuVisible(MenuItem i, bool on) override
    {
        inner_.setMenuVisible(i, on);
        seen();
    }
    void setMenuCaption(MenuItem i, const QByteArray &c) override { inner_.setMenuCaption(i, c); }
    void setConnectMenu(const std::vector<QByteArray> &c) override { inner_.setConnectMenu(c); }
    void setProgress(const QByteArray &t) override { inner_.setProgress(t); }
    void beep() override { inner_.beep(); }
    void flashTaskbar(bool invert) override { inner_.flashTaskbar(invert); }
    void focusFirstControl() override
    {
        inner_.focusFirstControl();
        seen();
    }

private:
    void seen()
    {
        if (trace_)
            trace_->watch(session_);
    }
    EngineView &inner_;
    const SessionState &session_;
    SessionTrace *trace_ = nullptr;
    QByteArray note_;
};

// Passes every box on and writes it to the trace.
class TracingPrompter final : public Prompter {
public:
    explicit TracingPrompter(Prompter &inner) : inner_(inner) {}
    void setTrace(SessionTrace *trace) { trace_ = trace; }

    void message(const QString &title, const QString &text, Icon icon, Closed closed) override
    {
        if (trace_)
            trace_->box(title, text);
        inner_.message(title, text, icon, std::move(closed));
    }
    void askYesNo(const QString &title, const QString &text, YesNo answered) override
    {
        if (trace_)
            trace_->box(title, text);
        inner_.askYesNo(title, text, std::move(answered));
    }
    void openFileName(const FileDialog &d, Chosen chosen) override { inner_.openFileName(d, std::move(chosen)); }
    void saveFileName(const FileDialog &d, Chosen chosen) override { inner_.saveFileName(d, std::move(chosen)); }
    int openCount() const override { return inner_.openCount(); }
    void beep() override { inner_.beep(); }

private:
    Prompter &inner_;
    SessionTrace *trace_ = nullptr;
};

}  // namespace kordex
