#pragma once

#include <QtGlobal>

// A TCP port on 127.0.0.1 that nothing listens on at the moment of asking; 0 when
// none could be had.
struct FreePort
{
    static quint16 tcp();
};
