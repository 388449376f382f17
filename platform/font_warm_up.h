#pragma once

#include <thread>

namespace kordex {

// Loading the font configuration (fontconfig reads its XML files and font
// caches) costs several milliseconds that the first window with text waits
// for. Begun on a thread of its own before the window system is reached, it
// runs while the toolkit connects to the display; wait() before the first
// font is used, so that the toolkit finds the configuration loaded instead
// of loading it a second time in parallel.
class FontConfigWarmUp {
public:
    FontConfigWarmUp();
    ~FontConfigWarmUp();
    FontConfigWarmUp(const FontConfigWarmUp &) = delete;
    FontConfigWarmUp &operator=(const FontConfigWarmUp &) = delete;

    void wait();

private:
    std::thread thread_;
};

}  // namespace kordex
