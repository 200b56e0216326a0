// A library the program links against and how to tell that it works here. The
// start-up probe runs one for each platform library; each adapter supplies its own,
// since only the adapter may include its library's headers.
#pragma once

struct TPlatformCheck {
    const char* Library;
    bool (*Usable)();
};
