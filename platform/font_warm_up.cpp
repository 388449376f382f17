#include "platform/font_warm_up.h"

#include <fontconfig/fontconfig.h>

namespace kordex {

// FcInit() loads the process's default configuration once; a later call
// (the toolkit's own) returns at once.
FontConfigWarmUp::FontConfigWarmUp() : thread_([] { FcInit(); }) {}

FontConfigWarmUp::~FontConfigWarmUp() { wait(); }

void FontConfigWarmUp::wait()
{
    if (thread_.joinable())
        thread_.join();
}

}  // namespace kordex
