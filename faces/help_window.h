#pragma once
// The program's own help: HTML topics compiled into the program, shown in a
// small help window with a contents list. The help hook takes the toolkit's
// help commands (0: contents, 1: topic N); F1 in a menu or a dialog raises
// command 1 with the help number of the item or control in use.
#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <functional>

class QListWidget;
class QTextBrowser;

namespace kordex {

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTopics[] = {1, 3, 4, 5, 7, 9, 10, 12, 15};

    explicit HelpWindow(QWidget *parent = nullptr);

    void showContents();
    // Unknown numbers show the contents.
    void showTopic(int n);
    // The page on show, e.g. "qrc:/help/topic4.html".
    QUrl source() const;
    static QUrl topicUrl(int n);
    static bool hasTopic(int n);

protected:
    void changeEvent(QEvent *e) override;

private:
    void present();
    void applyPaletteColours();
    void syncList(const QUrl &url);
    QListWidget *list_;
    QTextBrowser *browser_;
    bool placed_ = false;
};

// The help hook with its help window, created when first needed.
class HelpHook {
public:
    HelpHook() = default;
    // The window the help window opens over, and belongs to.
    explicit HelpHook(QWidget *owner) : owner_(owner) {}
    ~HelpHook();
    HelpHook(const HelpHook &) = delete;
    HelpHook &operator=(const HelpHook &) = delete;

    // Always true: the toolkit's own help never runs.
    bool operator()(int command, int data);
    // Closes every help viewer window that was opened.
    void closeAll();
    HelpWindow *window() const { return window_.data(); }

private:
    QWidget *owner_ = nullptr;
    QPointer<HelpWindow> window_;
};

// The application's help event: installed by the main window at creation,
// raised by F1 in menus and dialogs (help number in the "helpContext"
// property of a QAction, a widget or one of its parents).
void installHelpHook(std::function<bool(int command, int data)> hook);
bool raiseHelpEvent(int command, int data);

}  // namespace kordex
