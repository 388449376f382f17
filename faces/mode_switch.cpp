#include "faces/face_controller.h"

#include "core/engine.h"

namespace kordex {

void FaceController::ModeChange()
{
    SessionState &s = e_.session;
    EngineView &view = e_.view;
    if (s.TandemMode) {
        s.TandemMode = false;
        e_.Timer1.start();  // no re-entry into tandem mode for a second
        view.setEventScreenGeometry(0, 522);
        view.focusFirstControl();
        s.setPanelType(0);
        s.StatusText = "Terminal Mode";
        SelectFace();
        view.setVisibleContainer(Container::None);
        view.setMenuEnabled(MenuItem::Refresh1, false);
        view.setMenuEnabled(MenuItem::Events1, false);
        view.setMenuVisible(MenuItem::CloseTandemMode1, false);
        return;
    }
    if (e_.Timer1.isRunning())
        return;
    if (s.LoginPending)
        s.LoggedIn = true;
    s.TandemMode = true;
    ++s.tandemEntries;
    view.focusFirstControl();
    view.setEventScreenGeometry(328, 193);
    view.setMenuEnabled(MenuItem::Refresh1, true);
    view.setMenuVisible(MenuItem::CloseTandemMode1, true);
}

}  // namespace kordex
