#pragma once

#include <memory>
#include <utility>

namespace kordex {

// For an object whose callbacks may destroy it: call() runs one and says
// whether the object survived it; token() expires with the object, for calls
// queued to the event loop; guarded(f) is f made to do nothing once the
// object is gone (for an answer that comes later, a box's say).
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
    template <class F>
    auto guarded(F f) const
    {
        return [alive = token(), f = std::move(f)](auto &&...args) {
            if (!alive.expired())
                f(std::forward<decltype(args)>(args)...);
        };
    }

private:
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace kordex
