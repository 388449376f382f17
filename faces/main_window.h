#pragma once
// TLcd, the one top-level window: the panel face, the display text box, the
// event screen, the tray, the menu bar, help and the About box, the flash
// thread, and the start-up and shut-down order. The engine drives it through
// EngineView; operator input goes through KeyInput to one send seam.
#include "config/connection_actions.h"
#include "config/connect_menu.h"
#include "core/engine.h"
#include "core/engine_view.h"
#include "faces/help_window.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;

namespace kordex {

class Clock;
class Configuration;
class FaceSet;
class KeyInput;
class KeyWidget;
class Prompter;
class TflashThread;

class TLcd : public QMainWindow, public EngineView, public ConnectionActions {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 790;
    static constexpr int kClientHeight = 544;

    struct Options {
        bool startFlashThread = true;
        // The first command-line argument: a stored connection to connect to.
        QByteArray connectionArgument;
        // Loads and saves the book; none in tests.
        Configuration *configuration = nullptr;
    };

    TLcd(Clock &clock, Prompter &prompter, Options options, QWidget *parent = nullptr);
    TLcd(Clock &clock, Prompter &prompter, QWidget *parent = nullptr);
    ~TLcd() override;  // out of line: FaceSet is incomplete here

    Engine &engine() { return *engine_; }
    KeyInput &keyInput() { return *keys_; }
    FaceSet &faces() { return *faces_; }
    HelpHook &help() { return help_; }
    TflashThread *flashThread() const { return flash_; }

    // Where key bytes go. The connection layer installs SendChar here.
    void setSendChar(std::function<void(uint8_t)> send) { sendChar_ = std::move(send); }

    // Seams for the connection layer and the connection dialog, which are
    // not part of this window. Unset seams do nothing.
    struct ConnectionSeams {
        // The connection layer.
        std::function<void(int index)> connectToStored;
        std::function<void()> disconnectClick;
        std::function<void()> closeConnection;            // MakeConnection(false)
        std::function<void()> captureToFile;
        std::function<void()> sendFile;
        // The Connection Properties dialog: shown by two menu items; shown and
        // hidden again before a command-line connect, which then runs its
        // connect action on list entry `index`. Without the dialog the
        // command-line connection waits.
        std::function<void(bool manage)> showConnectionDialog;
        std::function<void()> reloadConnectionList;
        std::function<void(int index)> connectFromDialog;
    };
    ConnectionSeams &seams() { return seams_; }
    // Runs once the window has begun closing, before the flash thread stops.
    std::function<void()> onClosing;

    // Components by their form names, for the shell and the tests.
    QPlainTextEdit *LCDisplay = nullptr;
    QPlainTextEdit *EventScreen = nullptr;
    QFrame *Tray = nullptr;
    QLabel *Sounder = nullptr;
    QLabel *Events = nullptr;
    QWidget *client() const { return client_; }
    QAction *menuItem(const char *name) const;
    QMenu *connectMenu() const { return connectMenu_; }
    int eventsKeyCode() const { return eventsKeyCode_; }
    QStringList eventScreenLines() const;
    ConnectMenuModel &connectMenuModel() { return connectModel_; }

    // Handlers named as the window's published methods.
    void FormCreate();
    void FormClose();
    void ExitClick() { close(); }
    void AboutClick();
    void MenuHelpClick();
    void Timer8Timer();

    // EngineView.
    void setCaption(const QByteArray &caption) override;
    void setVisibleContainer(Container c) override;
    void prepareFace(int panelType) override;
    void setLogicKeysVisible(bool visible) override;
    void setLcdGeometry(const QRect &r) override;
    void setEventScreenGeometry(int top, int height) override;
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
    void beep() override;
    void flashTaskbar(bool invert) override;
    void focusFirstControl() override;

    // ConnectionActions.
    void ConnectToStored(int index) override;
    void PopulateConnectMenu() override;
    void setFileMenuEnabled(bool enabled) override;
    void showHelpTopic(int topic) override;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    void buildComponents();
    QAction *addItem(QMenu *menu, const char *name, const char *caption, int help);
    QAction *action(MenuItem item) const;
    void connectKeys();
    void keyDown(KeyWidget *key);
    void keyUp(KeyWidget *key);
    bool previewKey(QKeyEvent *event);
    void ConnectionClicked(int index);
    void sendByte(uint8_t b);
    void scheduleEventScreenFollow();

    Prompter &prompter_;
    Options options_;
    std::unique_ptr<Engine> engine_;
    std::unique_ptr<KeyInput> keys_;
    std::unique_ptr<FaceSet> faces_;
    QWidget *client_ = nullptr;
    QWidget *nzDisplay_ = nullptr;
    TflashThread *flash_ = nullptr;
    HelpHook help_;
    ConnectionSeams seams_;
    ConnectMenuModel connectModel_;
    std::function<void(uint8_t)> sendChar_;

    QMenu *fileMenu_ = nullptr;
    QMenu *connectMenu_ = nullptr;
    QByteArray lcdText_;
    int eventsKeyCode_ = 34;
    bool followPending_ = false;
    bool followTail_ = true;
    bool closing_ = false;
};

} // namespace kordex
