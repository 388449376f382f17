#include "face_logic/face_controller.h"

#include "core/engine.h"
#include "face_logic/face_binding.h"
#include "face_logic/face_layout.h"
#include "platform/version.h"

namespace kordex {

std::span<const int> FaceController::paintedIndicators() const { return kordex::paintedIndicators(); }

const IndicatorBinding *FaceController::bindingFor(int panelType, int k) const
{
    return kordex::bindingFor(panelType, k);
}

void FaceController::selectFace()
{
    SessionState &session = e_.session;
    ShellView &view = e_.shell;
    const int type = session.panelType();
    view.setVisibleContainer(Container::None);
    view.setCaption(KORDEX_TITLE_PREFIX + session.statusText);
    const Container face = containerForFace(type);
    if (type == 0) {
        view.setDisplayLayout(DisplayLayout::TwoRows);
        e_.display.clearScreen();
    } else if (face != Container::None) {
        if (face == Container::AS1603) {
            // Face 4 shows the logic keys, and its POINT/RELAY key sends R.
            view.setLogicKeysVisible(type == 4);
            e_.pointRelayKeyCode = type == 4 ? kRelayKeyCode : kPointKeyCode;
        }
        view.prepareFace(type);
        const bool zr9 = face == Container::ZR9 || face == Container::ZR9FBP;
        view.setDisplayLayout(zr9 ? DisplayLayout::FourRows : DisplayLayout::TwoRows);
        if (face == Container::ZR9FBP)
            view.setEventScreenLayout(EventScreenLayout::BelowTallFace);
        view.setVisibleContainer(face);
    }
    const QByteArray &v = session.panelVersion;
    view.setNzDisplayVisible(v == "V13" || (v == "V12" && type != 0));
    e_.indicators.reset();
}

}  // namespace kordex
