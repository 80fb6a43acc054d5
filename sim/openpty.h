#pragma once
// openpty and forkpty: declared in <pty.h> on Linux, in <util.h> on macOS.

#if __has_include(<pty.h>)
#include <pty.h>
#else
#include <util.h>
#endif
