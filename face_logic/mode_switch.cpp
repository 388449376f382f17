#include "face_logic/face_controller.h"

#include "core/engine.h"

namespace kordex {

void FaceController::ModeChange()
{
    const SessionState &s = e_.session;
    ModeFlags &mode = e_.session.modeFlags({});
    ShellView &view = e_.shell;
    if (s.TandemMode) {
        mode.TandemMode = false;
        e_.Timer1.start();  // no re-entry into tandem mode for a second
        view.setEventScreenLayout(EventScreenLayout::Full);
        view.focusFirstControl();
        e_.session.setPanelType(0);
        e_.session.StatusText = "Terminal Mode";
        SelectFace();
        view.setVisibleContainer(Container::None);
        view.setMenuEnabled(MenuItem::Refresh1, false);
        view.setMenuEnabled(MenuItem::Events1, false);
        view.setMenuVisible(MenuItem::CloseTandemMode1, false);
        return;
    }
    if (e_.Timer1.isRunning())
        return;
    // Entering tandem mode is the verdict of a pending login, automatic or by hand.
    if (s.LoginPending)
        mode.LoggedIn = true;
    mode.TandemMode = true;
    ++mode.tandemEntries;
    view.focusFirstControl();
    view.setEventScreenLayout(EventScreenLayout::BelowFace);
    view.setMenuEnabled(MenuItem::Refresh1, true);
    view.setMenuVisible(MenuItem::CloseTandemMode1, true);
}

void FaceController::setLoggedIn(bool on) { e_.session.modeFlags({}).LoggedIn = on; }

}  // namespace kordex
