#pragma once
// MainWindow, the one top-level window: the panel face, the display text box, the
// event screen, the tray, the menu bar, help and the About box. It shows and
// forwards: the engine and the link session drive it
// through PanelView and ShellView; menu commands go to the link session and the dialog,
// operator input to KeyInput. The program composes it with them.
#include "core/engine.h"
#include "core/engine_view.h"
#include "faces/help_window.h"

#include <QColor>
#include <QIcon>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QTimer;

namespace kordex {

class FaceSet;
class KeyInput;
class KeyWidget;
class LampWidget;
class LinkSession;
class Prompter;
class ConnectionPropertiesDialog;

// The program's icon (drawn from resources/desktop/com.corvane.Kordex.svg).
QIcon programIcon();

class MainWindow : public QMainWindow, public EngineView {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 790;
    static constexpr int kClientHeight = 544;

    MainWindow(Prompter &prompter, QWidget *parent = nullptr);
    ~MainWindow() override;  // out of line: FaceSet is incomplete here

    // What the window forwards to; set once before start.
    void attach(Engine &engine, LinkSession &link, KeyInput &keys, ConnectionPropertiesDialog *dialog);

    Engine &engine() { return *engine_; }
    KeyInput &keyInput() { return *keys_; }
    FaceSet &faces() { return *faces_; }
    HelpHook &help() { return help_; }

    // The close handler's work beyond the window's own (saving the book,
    // ending the connection); runs once, before the lamps stop flashing.
    std::function<void()> onClosing;
    // View -> Event History...; the item is shown only when this is set.
    std::function<void()> onShowHistory;

    // The components, for the shell and the tests; their object names are the
    // form's (LCDisplay, EventScreen, Tray, Sounder, Events, Progress).
    QPlainTextEdit *lcdDisplay = nullptr;
    QPlainTextEdit *eventScreen = nullptr;
    QFrame *tray = nullptr;
    QLabel *sounderLabel = nullptr;
    QLabel *eventsLabel = nullptr;
    QLabel *progressLabel = nullptr;  // a running file send
    QWidget *client() const { return client_; }
    QAction *menuItem(const char *name) const;
    QMenu *connectMenu() const { return connectMenu_; }
    int eventsKeyCode() const { return eventsKeyCode_; }
    // The event screen's lines as shown (call showPending() first to see
    // what the next frame brings).
    QStringList eventScreenLines() const;

    // What the engine shows is applied once per frame, last state winning:
    // the display text, the event screen's lines, the caption and the lamps.
    static constexpr int kFrameMs = 16;
    static constexpr int kFacesAfterShowMs = 300;
    // Applies what waits for the next frame now (tests, screenshots).
    void showPending();
    bool framePending() const;

    // Start-up: the engine's start state, then the lamps' flashing.
    void start(bool flashLamps = true);
    // The close handler's work: runs onClosing once, closes help, stops the flashing.
    void shutDown();
    void exitProgram() { close(); }
    void showAbout();
    void showHelpContents();
    void showHelpTopic(int topic);
    void setFileMenuEnabled(bool enabled);

    // PanelView and ShellView.
    void setCaption(const QByteArray &caption) override;
    void setVisibleContainer(Container c) override;
    void prepareFace(int panelType) override;
    void setLogicKeysVisible(bool visible) override;
    void setDisplayLayout(DisplayLayout layout) override;
    void setEventScreenLayout(EventScreenLayout layout) override;
    void setNzDisplayVisible(bool visible) override;
    void setLcdText(const QByteArray &text) override;
    void eventScreenReplace(int index, const QByteArray &line) override;
    void eventScreenInsert(int index, const QByteArray &line) override;
    void eventScreenRemoveFirst() override;
    void setLampColor(std::string_view name, Rgb color) override;
    void setLampVisible(std::string_view name, bool visible) override;
    void setSounder(const QByteArray &caption, Rgb textColor) override;
    void setSounderVisible(bool visible) override;
    void setEventsLabel(const QByteArray &caption, int keyCode) override;
    void setEventsLabelVisible(bool visible) override;
    void setMenuEnabled(MenuItem item, bool enabled) override;
    void setMenuChecked(MenuItem item, bool checked) override;
    void setMenuVisible(MenuItem item, bool visible) override;
    void setMenuCaption(MenuItem item, const QByteArray &caption) override;
    void setConnectMenu(const std::vector<QByteArray> &captions) override;
    void setProgress(const QByteArray &text) override;
    // A note of the event history's that stays while its problem lasts
    // (empty: none); a file send's progress shows over it while it runs.
    void setHistoryNote(const QString &text);
    void beep() override;
    void flashTaskbar(bool invert) override;
    void focusFirstControl() override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setEventScreenBand(EventScreenLayout layout);
    void showTrayNote();
    void buildMenus();
    void buildComponents();
    void buildTray();
    void buildDisplay();
    void buildEventScreen();
    QAction *addItem(QMenu *menu, const char *name, const char *caption, int help);
    QAction *action(MenuItem item) const;
    void keyDown(KeyWidget *key);
    void keyUp(KeyWidget *key);
    bool previewKey(QKeyEvent *event);
    void scheduleFrame();
    void applyEventLines();

    Prompter &prompter_;
    Engine *engine_ = nullptr;
    LinkSession *link_ = nullptr;
    KeyInput *keys_ = nullptr;
    ConnectionPropertiesDialog *dialog_ = nullptr;
    std::unique_ptr<FaceSet> faces_;
    QWidget *client_ = nullptr;
    QWidget *nzDisplay_ = nullptr;
    HelpHook help_{this};

    QMenu *fileMenu_ = nullptr;
    QMenu *connectMenu_ = nullptr;
    int eventsKeyCode_ = 34;
    QString progress_, historyNote_;  // the tray note shows the first that is set

    // ---- the next frame ----
    QTimer *frame_ = nullptr;
    std::optional<QByteArray> caption_;
    QByteArray lcdText_, lcdShown_;
    // The event screen's lines as the engine left them, and as last shown;
    // lines dropped from the top since then.
    QList<QByteArray> lines_, linesShown_;
    qsizetype linesDropped_ = 0;
    bool eventScreenDirty_ = false;  // lines or geometry changed since the frame
    bool applying_ = false;          // our own edits move the scroll bar
    bool followTail_ = true;
    struct PendingLamp {
        LampWidget *lamp;
        std::optional<QColor> color;
        std::optional<bool> visible;
    };
    std::vector<PendingLamp> lamps_;
    PendingLamp &pendingLamp(LampWidget *lamp);
    bool closing_ = false;
};

}  // namespace kordex
