#include "face_logic/face_controller.h"

#include "core/engine.h"

namespace kordex {

void FaceController::switchMode()
{
    const SessionState &s = e_.session;
    ModeFlags &mode = e_.session.modeFlags({});
    ShellView &view = e_.shell;
    if (s.tandemMode) {
        mode.tandemMode = false;
        e_.tandemGuardTimer.start();  // no re-entry into tandem mode for a second
        view.setEventScreenLayout(EventScreenLayout::Full);
        view.focusFirstControl();
        e_.session.setPanelType(0);
        e_.session.statusText = "Terminal Mode";
        selectFace();
        view.setVisibleContainer(Container::None);
        view.setMenuEnabled(MenuItem::Refresh, false);
        view.setMenuEnabled(MenuItem::EventDisplay, false);
        view.setMenuVisible(MenuItem::CloseTandemMode, false);
        return;
    }
    if (e_.tandemGuardTimer.isRunning())
        return;
    // Entering tandem mode is the verdict of a pending login, automatic or by hand.
    if (s.loginPending)
        mode.loggedIn = true;
    mode.tandemMode = true;
    ++mode.tandemEntries;
    view.focusFirstControl();
    view.setEventScreenLayout(EventScreenLayout::BelowFace);
    view.setMenuEnabled(MenuItem::Refresh, true);
    view.setMenuVisible(MenuItem::CloseTandemMode, true);
}

void FaceController::setLoggedIn(bool on) { e_.session.modeFlags({}).loggedIn = on; }

}  // namespace kordex
