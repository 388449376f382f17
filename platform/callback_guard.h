#pragma once

#include <memory>

namespace kordex {

// For an object whose callbacks may destroy it: call() runs one and says
// whether the object survived it; token() expires with the object, for calls
// queued to the event loop.
class CallbackGuard {
public:
    template <class F>
    bool call(F &&f)
    {
        const std::weak_ptr<bool> alive = alive_;
        f();
        return !alive.expired();
    }
    std::weak_ptr<bool> token() const { return alive_; }

private:
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace kordex
