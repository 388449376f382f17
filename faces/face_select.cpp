#include "faces/face_controller.h"

#include "core/engine.h"
#include "faces/face_binding.h"
#include "faces/face_layout.h"
#include "platform/version.h"

namespace kordex {

namespace {
const QRect kTwoLineLcd(24, 32, 409, 41);
const QRect kFourLineLcd(24, 9, 377, 74);
}  // namespace

std::span<const int> FaceController::paintedIndicators() const { return kordex::paintedIndicators(); }

const IndicatorBinding *FaceController::bindingFor(int panelType, int k) const
{
    return kordex::bindingFor(panelType, k);
}

void FaceController::selectFace()
{
    SessionState &session = e_.session;
    EngineView &view = e_.view;
    const int type = session.panelType();
    view.setVisibleContainer(Container::None);
    view.setCaption(KORDEX_TITLE_PREFIX + session.statusText);
    switch (type) {
    case 0:
        view.setLcdGeometry(kTwoLineLcd);
        e_.display.clearScreen();
        break;
    case 1:
    case 2:
    case 3:
    case 4:
        view.setLogicKeysVisible(type == 4);
        e_.pointRelayKeyCode = type == 4 ? kRelayKeyCode : kPointKeyCode;
        view.prepareFace(type);
        view.setLcdGeometry(kTwoLineLcd);
        view.setVisibleContainer(Container::AS1603);
        break;
    case 5:
        view.prepareFace(type);
        view.setLcdGeometry(kTwoLineLcd);
        view.setVisibleContainer(Container::AS4428p);
        break;
    case 6:
        view.prepareFace(type);
        view.setLcdGeometry(kFourLineLcd);
        view.setVisibleContainer(Container::ZR9);
        break;
    case 7:
        view.prepareFace(type);
        view.setLcdGeometry(kFourLineLcd);
        view.setEventScreenGeometry(360, 161);  // below the taller face
        view.setVisibleContainer(Container::ZR9FBP);
        break;
    default: break;
    }
    const QByteArray &v = session.panelVersion;
    view.setNzDisplayVisible(v == "V13" || (v == "V12" && type != 0));
    e_.indicators.reset();
}

}  // namespace kordex
