#pragma once

#include <QString>
#include <cstdio>

// A property that must hold for every input. A violation prints what failed, with the text it
// failed on, and crashes so that libFuzzer records the input.
inline void FuzzRequire(bool holds, const char* property, const QString& detail = QString()) {
    if (holds)
        return;
    std::fprintf(stderr, "property failed: %s\n  on: \"%s\"\n", property,
                 detail.toUtf8().constData());
    __builtin_trap();
}
