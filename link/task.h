#pragma once
// Coroutine tasks for procedures that must wait (time-outs, flags, received
// text) without nested event loops: a wait suspends the coroutine and control
// returns to the event loop until a tick or an event makes the wait's
// condition true (see link/wait_hub.h).
//
// Rules for code that uses them:
//  - Never write a capturing lambda as a coroutine. The captures live in the
//    lambda object, which is normally gone by the time the coroutine resumes.
//    Use member or free functions; pass by value what must outlive a wait.
//  - Tasks start eagerly: the body runs until its first real suspension
//    before the call returns. Lazily started tasks cost stack per finished
//    child on g++ 12.
//  - Destroying a Task cancels it: its frame is destroyed, and with it every
//    child it is awaiting (children awaited as temporaries or held as locals
//    live in that frame) and every registered wait. Nothing is resumed after.
//  - A coroutine must not destroy the Task it runs in, nor one that owns it.
//    An abort is a flag the procedure sees at its next wait; the owner reaps
//    the Task afterwards.
//  - Put the result of a co_await in a local before testing it: with a
//    co_return right after `if (co_await f())`, g++ 12 at -O2 read a garbage
//    continuation at the final suspend.
//  - A Task awaited as an lvalue must outlive the wait. If the awaiting
//    coroutine is cancelled first, the child runs on as a top-level task.
#include <cassert>
#include <coroutine>
#include <exception>
#include <functional>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <variant>

namespace kordex {

template <typename T = void>
class Task;

namespace detail {

struct NoValue {};

template <typename T>
class PromiseBase {
public:
    // Eager: see the header comment.
    std::suspend_never initial_suspend() noexcept { return {}; }

    struct FinalAwaiter {
        bool await_ready() const noexcept { return false; }
        template <typename P>
        std::coroutine_handle<> await_suspend(std::coroutine_handle<P> h) noexcept
        {
            PromiseBase &p = h.promise();
            p.finished_ = true;
            if (p.continuation_)
                return p.continuation_;  // symmetric transfer: no stack growth
            if (p.onDone_) {
                // Moved onto this stack so the callback may destroy the Task,
                // and with it this frame; nothing here touches the frame after.
                std::function<void()> done = std::move(p.onDone_);
                done();
            }
            return std::noop_coroutine();
        }
        void await_resume() const noexcept {}
    };
    // The frame is kept at the final suspension so the result outlives the
    // body; the owning Task destroys it.
    FinalAwaiter final_suspend() noexcept { return {}; }

    void unhandled_exception() noexcept { result_.template emplace<2>(std::current_exception()); }

protected:
    template <typename>
    friend class kordex::Task;

    using Value = std::conditional_t<std::is_void_v<T>, NoValue, T>;
    std::variant<std::monostate, Value, std::exception_ptr> result_;
    std::coroutine_handle<> continuation_;
    std::function<void()> onDone_;
    bool finished_ = false;
};

template <typename T>
class Promise : public PromiseBase<T> {
public:
    Task<T> get_return_object() noexcept;
    template <typename U = T>
    requires std::is_convertible_v<U &&, T>
    void return_value(U &&v) { this->result_.template emplace<1>(std::forward<U>(v)); }
};

template <>
class Promise<void> : public PromiseBase<void> {
public:
    Task<void> get_return_object() noexcept;
    void return_void() noexcept { result_.emplace<1>(); }
};

}  // namespace detail

template <typename T>
class [[nodiscard]] Task {
public:
    using promise_type = detail::Promise<T>;
    using Handle = std::coroutine_handle<promise_type>;

    Task() = default;
    Task(Task &&other) noexcept : h_(std::exchange(other.h_, {})) {}
    Task &operator=(Task &&other) noexcept
    {
        if (this != &other) {
            reset();
            h_ = std::exchange(other.h_, {});
        }
        return *this;
    }
    Task(const Task &) = delete;
    Task &operator=(const Task &) = delete;
    ~Task() { reset(); }

    bool valid() const { return bool(h_); }
    bool done() const { return h_ && h_.promise().finished_; }

    // The task's value, or its exception rethrown. Throws std::logic_error on
    // an empty or unfinished task: reading too early is a programming fault.
    T result() & { return take<false>(); }
    T result() && { return take<true>(); }

    // Called once when the task finishes on its own: at once if it already
    // has, never if it is cancelled, and not for a task being awaited (its
    // awaiter resumes instead). The callback may destroy this Task. It must
    // not throw: it runs where the coroutine finishes.
    void onDone(std::function<void()> f)
    {
        if (!h_)
            throw std::logic_error("Task::onDone on an empty task");
        if (done()) {
            f();  // may destroy *this: nothing after touches it
            return;
        }
        h_.promise().onDone_ = std::move(f);
    }

    // Cancels a suspended task; harmless on a finished or empty one.
    void reset()
    {
        // Emptied first so code run by the frame's destructors sees no task.
        if (Handle h = std::exchange(h_, {}))
            h.destroy();
    }

    template <bool Move>
    class Awaiter {
    public:
        explicit Awaiter(Handle h) : child_(h) {}
        // g++ 12 moves awaiters into the frame; a moved-from one owns nothing.
        Awaiter(Awaiter &&other) noexcept : child_(std::exchange(other.child_, {})) {}
        Awaiter &operator=(Awaiter &&) = delete;
        ~Awaiter()
        {
            // The awaiting coroutine was cancelled while the child (held
            // elsewhere) runs on: it must not resume a destroyed frame.
            if (child_ && !child_.promise().finished_)
                child_.promise().continuation_ = {};
        }

        bool await_ready() const
        {
            if (!child_)
                throw std::logic_error("co_await on an empty task");
            return child_.promise().finished_;
        }
        void await_suspend(std::coroutine_handle<> awaiting) noexcept
        {
            assert(!child_.promise().continuation_ && "a task has at most one awaiter");
            child_.promise().continuation_ = awaiting;
        }
        T await_resume() { return Task::takeFrom<Move>(child_); }

    private:
        Handle child_;
    };

    Awaiter<false> operator co_await() & { return Awaiter<false>(h_); }
    Awaiter<true> operator co_await() && { return Awaiter<true>(h_); }

private:
    friend class detail::Promise<T>;
    explicit Task(Handle h) : h_(h) {}

    template <bool Move>
    T take()
    {
        if (!done())
            throw std::logic_error("Task::result before the task finished");
        return takeFrom<Move>(h_);
    }

    template <bool Move>
    static T takeFrom(Handle h)
    {
        auto &r = h.promise().result_;
        if (r.index() == 2)
            std::rethrow_exception(std::get<2>(r));
        if constexpr (std::is_void_v<T>)
            return;
        else if constexpr (Move)
            return std::move(std::get<1>(r));
        else
            return std::get<1>(r);
    }

    Handle h_;
};

namespace detail {

template <typename T>
Task<T> Promise<T>::get_return_object() noexcept
{
    return Task<T>(std::coroutine_handle<Promise<T>>::from_promise(*this));
}

inline Task<void> Promise<void>::get_return_object() noexcept
{
    return Task<void>(std::coroutine_handle<Promise<void>>::from_promise(*this));
}

}  // namespace detail

}  // namespace kordex
