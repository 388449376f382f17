#pragma once
// The faces as the engine sees them: the face switch, the mode switch and the
// lamp bindings, all without the toolkit. One per engine.
#include "core/face_control.h"

namespace kordex {

class Engine;

class FaceController final : public FaceControl {
public:
    explicit FaceController(Engine &engine) : e_(engine) {}

    void selectFace() override;
    void switchMode() override;
    void setLoggedIn(bool on) override;
    std::span<const int> paintedIndicators() const override;
    const IndicatorBinding *bindingFor(int panelType, int k) const override;

private:
    Engine &e_;
};

}  // namespace kordex
