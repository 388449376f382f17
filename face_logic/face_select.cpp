#include "face_logic/face_controller.h"

#include "core/engine.h"
#include "face_logic/face_binding.h"
#include "platform/version.h"

namespace kordex {

std::span<const int> FaceController::paintedIndicators() const { return kordex::paintedIndicators(); }

const IndicatorBinding *FaceController::bindingFor(int panelType, int k) const
{
    return kordex::bindingFor(panelType, k);
}

void FaceController::SelectFace()
{
    SessionState &session = e_.session;
    ShellView &view = e_.shell;
    const int type = session.panelType();
    view.setVisibleContainer(Container::None);
    view.setCaption(KORDEX_TITLE_PREFIX + session.StatusText);
    switch (type) {
    case 0:
        view.setDisplayLayout(DisplayLayout::TwoRows);
        e_.display.ClearScreen();
        break;
    case 1:
    case 2:
    case 3:
    case 4:
        view.setLogicKeysVisible(type == 4);
        e_.v01rpKeyCode = type == 4 ? 82 : 80;
        view.prepareFace(type);
        view.setDisplayLayout(DisplayLayout::TwoRows);
        view.setVisibleContainer(Container::AS1603);
        break;
    case 5:
        view.prepareFace(type);
        view.setDisplayLayout(DisplayLayout::TwoRows);
        view.setVisibleContainer(Container::AS4428p);
        break;
    case 6:
        view.prepareFace(type);
        view.setDisplayLayout(DisplayLayout::FourRows);
        view.setVisibleContainer(Container::ZR9);
        break;
    case 7:
        view.prepareFace(type);
        view.setDisplayLayout(DisplayLayout::FourRows);
        view.setEventScreenLayout(EventScreenLayout::BelowTallFace);
        view.setVisibleContainer(Container::ZR9FBP);
        break;
    default: break;
    }
    const QByteArray &v = session.PanelVersion;
    view.setNzDisplayVisible(v == "V13" || (v == "V12" && type != 0));
    e_.indicators.reset();
}

}  // namespace kordex
